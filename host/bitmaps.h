#pragma once
// Bitmaps the module creates and loads from image files.
// (placeholder: being written)

#include "c4d_host_abi.h"

namespace khost {

class Bitmaps {
 public:
};

}  // namespace khost
