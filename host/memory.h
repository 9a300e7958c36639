#pragma once
// Memory blocks handed to the module: zero-filled, each with its size and source tag, listed until freed.
// (placeholder: being written)

#include "c4d_host_abi.h"

namespace khost {

class Memory {
 public:
};

}  // namespace khost
