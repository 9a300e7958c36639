#pragma once
// What the module shows a user: console lines, messages, files it asks to open.
// (placeholder: being written)

#include "c4d_host_abi.h"

namespace khost {

class UserInterface {
 public:
};

}  // namespace khost
