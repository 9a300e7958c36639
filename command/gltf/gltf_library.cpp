// tinygltf's implementation, compiled once, with the options CMakeLists.txt gives
// every file that includes the header.
#define TINYGLTF_IMPLEMENTATION
#include <tiny_gltf.h>
