#include "misuse.h"

namespace khost {

void MisuseLog::Report(std::string what) { entries_.push_back(std::move(what)); }

bool MisuseLog::Mentions(const std::string& text) const {
  for (const std::string& entry : entries_)
    if (entry.find(text) != std::string::npos) return true;
  return false;
}

}  // namespace khost
