#pragma once
// Settings containers: integers, truth values and object links by id.
// (placeholder: being written)

#include "c4d_host_abi.h"

namespace khost {

class Containers {
 public:
};

}  // namespace khost
