#include "plugin_locations.h"

#include <filesystem>
#include <vector>

#include "input_error.h"
#include "plugin_session.h"

namespace kcommand {
namespace {

namespace fs = std::filesystem;

fs::path ExecutableFolder() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  return error ? fs::path() : self.parent_path();
}

bool HoldsModule(const fs::path& folder) {
  std::error_code error;
  return fs::is_regular_file(folder / khost::PluginSession::kDefaultModuleFileName, error);
}

// An installed command lies in <prefix>/bin. It uses its prefix's folders only, even
// where they are missing, so that it never picks up a build tree's and its errors name
// the folder it was installed with.
bool Installed(const fs::path& executableFolder) { return executableFolder.filename() == "bin"; }

}  // namespace

std::string DefaultPluginFolder() {
  const fs::path executable = ExecutableFolder();
  if (!executable.empty()) {
    const fs::path beside = executable.parent_path() / "plugins" / "kestrum";
    if (HoldsModule(beside)) return beside.lexically_normal().string();
    if (Installed(executable)) return InstalledPluginFolder(executable.parent_path().string());
  }
  return KESTRUM_DEFAULT_PLUGIN_DIR;
}

std::string InstalledPluginFolder(const std::string& prefix) {
  return (fs::path(prefix) / KESTRUM_INSTALL_PLUGIN_DIR).lexically_normal().string();
}

std::string ExampleScene(const std::string& name) {
  const fs::path executable = ExecutableFolder();
  std::vector<fs::path> candidates;
  if (!executable.empty()) {
    candidates.push_back(executable.parent_path() / KESTRUM_INSTALL_DATA_DIR / "examples" / name);
    candidates.push_back(executable.parent_path() / "examples" / name);
  }
  if (executable.empty() || !Installed(executable))
    candidates.push_back(fs::path(KESTRUM_SOURCE_DIR) / "examples" / name);
  std::string looked;
  for (const fs::path& candidate : candidates) {
    std::error_code error;
    if (fs::is_regular_file(candidate, error)) return candidate.lexically_normal().string();
    looked += (looked.empty() ? "" : ", ") + candidate.lexically_normal().string();
  }
  throw InputError("the example scene " + name + " was not found (looked at " + looked + ")");
}

void RequirePluginFolder(const std::string& folder) {
  std::error_code error;
  if (!fs::is_directory(folder, error)) throw InputError(folder + ": no such plug-in folder");
  if (!HoldsModule(folder))
    throw InputError(folder + ": not a plug-in folder (no " +
                     khost::PluginSession::kDefaultModuleFileName + " in it)");
}

}  // namespace kcommand
