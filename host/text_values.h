#pragma once
// Strings and file names kept in value storage that the module provides.
// (placeholder: being written)

#include "c4d_host_abi.h"

namespace khost {

class TextValues {
 public:
  const HostStringStorage* DefaultString() const { return nullptr; }
};

}  // namespace khost
