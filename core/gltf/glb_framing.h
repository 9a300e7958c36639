#pragma once
// The numbers of the binary glTF container: the file header's magic and version, and
// the types of its chunks. Every word is little-endian.

#include <cstdint>

namespace kcommand {

constexpr uint32_t kGlbMagic = 0x46546C67;  // "glTF"
constexpr uint32_t kGlbVersion = 2;
constexpr uint32_t kGlbChunkJson = 0x4E4F534A;  // "JSON"
constexpr uint32_t kGlbChunkBin = 0x004E4942;   // "BIN\0"

}  // namespace kcommand
