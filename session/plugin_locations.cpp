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

}  // namespace

std::string DefaultPluginFolder() {
  const fs::path executable = ExecutableFolder();
  if (!executable.empty()) {
    const fs::path beside = executable.parent_path() / "plugins" / "kestrum";
    if (HoldsModule(beside)) return beside.lexically_normal().string();
  }
  return KESTRUM_DEFAULT_PLUGIN_DIR;
}

std::string ExampleScene(const std::string& name) {
  const fs::path executable = ExecutableFolder();
  std::vector<fs::path> candidates;
  if (!executable.empty()) {
    candidates.push_back(executable.parent_path() / "share" / "kestrum" / "examples" / name);
    candidates.push_back(executable.parent_path() / "examples" / name);
  }
  candidates.push_back(fs::path(KESTRUM_SOURCE_DIR) / "examples" / name);
  for (const fs::path& candidate : candidates) {
    std::error_code error;
    if (fs::is_regular_file(candidate, error)) return candidate.lexically_normal().string();
  }
  return {};
}

void RequirePluginFolder(const std::string& folder) {
  std::error_code error;
  if (!fs::is_directory(folder, error)) throw InputError(folder + ": no such plug-in folder");
  if (!HoldsModule(folder))
    throw InputError(folder + ": not a plug-in folder (no " +
                     khost::PluginSession::kDefaultModuleFileName + " in it)");
}

}  // namespace kcommand
