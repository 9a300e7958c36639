#pragma once
// Resource sets read from a plug-in folder, handing out strings by id.
// (placeholder: being written)

#include "c4d_host_abi.h"

namespace khost {

class Resources {
 public:
};

}  // namespace khost
