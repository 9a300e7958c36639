// The plug-in's start, message and end functions, run by the entry point.

#include "c4d_host_calls.h"
#include "c4d_pmain.h"
#include "c4d_resource.h"
#include "c4d_string.h"
#include "kestrum.h"

namespace {

constexpr const char* kBanner[] = {
    "====================",
    "Kestrum V1.0 - installed",
    "Aligns objects against a reference box, axis by axis.",
    "(c) 2026 the Kestrum team - free to use and share.",
    "====================",
};

}  // namespace

bool ModuleStart() {
  if (!RegisterKestrum()) return false;
  for (const char* line : kBanner) {
    HostString text(line);
    PrintToConsole(text.Storage());
  }
  return true;
}

bool ModuleMessage(int32_t id, void*) {
  switch (id) {
    case kPluginMessageAlive:
      return true;
    case kPluginMessageLoadResources:
      return pluginResources.LoadFromPluginFolder();
    default:
      return false;
  }
}

void ModuleEnd() {}
