#include "loaded_plugin.h"

#include "input_error.h"
#include "plugin_locations.h"

namespace kpython {

LoadedPlugin::LoadedPlugin(const std::string& folder) : folder_(folder) {
  kcommand::RequirePluginFolder(folder);
  run_ = std::make_unique<kcommand::PluginRun>(folder, nullptr);
}

kcommand::PluginRun& LoadedPlugin::Run() {
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
  run_->Finish();
}

}  // namespace kpython
