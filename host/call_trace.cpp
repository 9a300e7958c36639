#include "call_trace.h"

namespace khost {

std::vector<std::string> CallTrace::Only(const std::vector<std::string>& operations) const {
  std::vector<std::string> kept;
  for (const std::string& call : calls_) {
    const std::string name = call.substr(0, call.find('('));
    for (const std::string& operation : operations)
      if (name == operation) {
        kept.push_back(call);
        break;
      }
  }
  return kept;
}

}  // namespace khost
