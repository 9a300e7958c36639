// Descriptions the host makes for a tool to fill, and the levels of description ids.
#include "host.h"
#include "plugins.h"

namespace khost {

HostDescription* Plugins::NewDescription() {
  auto description = std::make_unique<Description>();
  auto* handle = reinterpret_cast<HostDescription*>(description.get());
  descriptions_[handle] = std::move(description);
  return handle;
}

void Plugins::FreeDescription(HostDescription* description) { descriptions_.erase(description); }

const Description* Plugins::DescriptionOf(const HostDescription* description) const {
  const auto found = descriptions_.find(description);
  return found != descriptions_.end() ? found->second.get() : nullptr;
}

int32_t Plugins::LoadDescriptionById(HostDescription* description, int32_t id) {
  Host& host = Host::Current();
  const auto found = descriptions_.find(description);
  if (found == descriptions_.end()) {
    host.misuse().Report("LoadDescriptionById: a description this host never made");
    return 0;
  }
  const DescriptionLayout* layout = RegisteredDescription(id);
  if (layout == nullptr) {
    lastDescriptionError_ = "no description is registered for plug-in " + std::to_string(id);
    return 0;
  }
  found->second->Fill(id, *layout);
  return 1;
}

const HostDescLevel* Plugins::DescriptionIdLevel(const void* descId, int32_t level) {
  Host& host = Host::Current();
  levelRecord_ = HostDescLevel{0, 0, 0};
  if (!DescriptionId::IsLive(descId))
    host.misuse().Report(std::string("DescriptionIdLevel: ") +
                         (descId ? "an address that holds no description id" : "null id"));
  else
    levelRecord_ = static_cast<const DescriptionId*>(descId)->Level(level);
  return &levelRecord_;
}

}  // namespace khost
