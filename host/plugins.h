#pragma once
// Registered plug-ins, host libraries (the description library), descriptions and tool attachments.
// (placeholder: being written)

#include "c4d_host_abi.h"

namespace khost {

class Plugins {
 public:
};

}  // namespace khost
