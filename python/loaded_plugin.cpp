#include "loaded_plugin.h"

#include <filesystem>

#include "input_error.h"
#include "plugin_loading.h"
#include "plugin_locations.h"

namespace kpython {
namespace {

// The plug-in this process has loaded (callers hold the interpreter's lock).
std::weak_ptr<LoadedPlugin>& Current() {
  static std::weak_ptr<LoadedPlugin> current;
  return current;
}

std::string Canonical(const std::string& folder) {
  std::error_code error;
  const std::filesystem::path canonical = std::filesystem::weakly_canonical(folder, error);
  return error ? folder : canonical.string();
}

}  // namespace

std::shared_ptr<LoadedPlugin> LoadedPlugin::Acquire(const std::string& folder) {
  kcommand::RequirePluginFolder(folder);
  if (std::shared_ptr<LoadedPlugin> loaded = Current().lock(); loaded && !loaded->Closed()) {
    if (Canonical(loaded->Folder()) == Canonical(folder)) return loaded;
    throw kcommand::InputError(
        folder + ": the plug-in from " + loaded->Folder() +
        " is loaded in this process, and a second copy of the module cannot be loaded beside "
        "it (both would share its one state): close every Plugin of that folder first, or "
        "use that folder");
  }
  auto loaded = std::make_shared<LoadedPlugin>(folder);
  Current() = loaded;
  return loaded;
}

LoadedPlugin::LoadedPlugin(const std::string& folder) : folder_(folder) {
  kcommand::RequirePluginFolder(folder);
  run_ = kcommand::LoadPlugin(folder, nullptr);
}

khost::PluginSession& LoadedPlugin::Run() {
  if (closed_)
    throw kcommand::HostFailure("the plug-in from " + folder_ +
                                " is unloaded: its documents can no longer be used");
  return *run_;
}

HostContainer* LoadedPlugin::SettingsFor(const void* owner, HostDocument* document,
                                         std::function<void()> keep,
                                         const std::function<void(HostContainer*)>& restore) {
  // The container is the run's: made for the first document that asks, and each owner's
  // restore writes its own settings into it.
  HostContainer* settings = Run().Settings(document);
  if (holder_ == owner) return settings;
  if (keepHolder_) keepHolder_();
  holder_ = owner;
  keepHolder_ = std::move(keep);
  restore(settings);
  return settings;
}

void LoadedPlugin::Release(const void* owner) {
  if (holder_ != owner) return;
  holder_ = nullptr;
  keepHolder_ = nullptr;
}

void LoadedPlugin::Close() {
  if (closed_) return;
  closed_ = true;
  holder_ = nullptr;
  keepHolder_ = nullptr;
  kcommand::FinishCleanly(*run_);
}

PluginUse::PluginUse(const std::string& folder) : plugin_(LoadedPlugin::Acquire(folder)) {
  ++plugin_->openUses_;
}

PluginUse::~PluginUse() {
  if (!closed_) --plugin_->openUses_;
}

khost::PluginSession& PluginUse::Run() {
  if (closed_)
    throw kcommand::HostFailure("this Plugin of " + plugin_->Folder() +
                                " is closed: open another to use the plug-in");
  return plugin_->Run();
}

void PluginUse::Close() {
  if (closed_) return;
  closed_ = true;
  if (--plugin_->openUses_ == 0) plugin_->Close();
}

}  // namespace kpython
