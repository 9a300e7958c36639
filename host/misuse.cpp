#include "misuse.h"

#include <cstdio>

#include "host.h"

namespace khost {

void MisuseLog::Report(std::string what) { entries_.push_back(std::move(what)); }

bool MisuseLog::Mentions(const std::string& text) const {
  for (const std::string& entry : entries_)
    if (entry.find(text) != std::string::npos) return true;
  return false;
}

void ReportMisuse(std::string what) {
  if (Host* host = Host::CurrentOrNull())
    host->misuse().Report(std::move(what));
  else
    std::fprintf(stderr, "kestrum host: %s\n", what.c_str());
}

}  // namespace khost
