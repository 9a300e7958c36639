// The reset and help buttons.

#include "c4d_file.h"
#include "c4d_host_calls.h"
#include "c4d_pmain.h"
#include "c4d_resource.h"
#include "kestrum_commands.h"
#include "kestrum_settings.h"

namespace {

// Builds the help page's file name, hands it to `use`, and destroys every value made for
// it, newest first, before returning.
template <typename Use>
void WithHelpPage(Use use) {
  HostFileName folder = PluginFolder();
  HostFileName helpName("help");
  HostFileName helpFolder = folder + helpName;
  HostFileName pageName("index.html");
  HostFileName page = helpFolder + pageName;
  use(page);
}

}  // namespace

void ResetAxisSettings(HostContainer* container) {
  ContainerSetInt(container, ALIGN_X_MODE, ALIGN_X_MODE_NONE);
  ContainerSetInt(container, ALIGN_X_SIDE, ALIGN_X_SIDE_INSIDE);
  ContainerSetInt(container, ALIGN_Y_MODE, ALIGN_Y_MODE_NONE);
  ContainerSetInt(container, ALIGN_Y_SIDE, ALIGN_Y_SIDE_INSIDE);
  ContainerSetInt(container, ALIGN_Z_MODE, ALIGN_Z_MODE_NONE);
  ContainerSetInt(container, ALIGN_Z_SIDE, ALIGN_Z_SIDE_INSIDE);
}

void OpenHelpPage() {
  bool exists = false;
  WithHelpPage([&](const HostFileName& page) { exists = FileExists(page.Storage(), 0) != 0; });
  if (exists)
    WithHelpPage([](const HostFileName& page) { HostOpenFile(page.Storage()); });
  else
    HostShowMessage(ResourceString(KESTRUM_STRING_HELP_MISSING), 0);
}
