#pragma once
// Documents, their objects, selection, undo, object arrays and object messages.
// (placeholder: being written)

#include "c4d_host_abi.h"

namespace khost {

class Scene {
 public:
};

}  // namespace khost
