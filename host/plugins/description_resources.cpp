// Description resources: the panel files a plug-in registers by name from its folder.
#include "host.h"
#include "json_files.h"
#include "plugins.h"
#include "resources.h"
#include "text_values.h"

namespace khost {

using kestrum::ReadTextFile;

namespace {

bool IsPlainFileName(const std::string& name) {
  return !name.empty() && name[0] != '.' && name.find('/') == std::string::npos &&
         name.find('\\') == std::string::npos;
}

}  // namespace

int32_t Plugins::DescriptionFailure(std::string reason, bool misuse) {
  if (misuse) Host::Current().misuse().Report("RegisterDescriptionResource: " + reason);
  lastDescriptionError_ = std::move(reason);
  return 0;
}

int32_t Plugins::RegisterDescriptionFile(int32_t id, const std::string& folder,
                                         const std::string& name) {
  if (!IsPlainFileName(name))
    return DescriptionFailure("\"" + name + "\" is not a plain description name", true);
  const std::string file = folder + "/res/description/" + name + ".json";
  std::string error;
  const std::optional<std::string> text = ReadTextFile(file, error);
  if (!text) return DescriptionFailure(error, true);
  std::optional<DescriptionLayout> layout = ParseDescriptionLayout(*text, file, error);
  if (!layout) return DescriptionFailure(error, true);
  // Registering again (a module loaded a second time) replaces the earlier layout.
  registeredDescriptions_.insert_or_assign(id, std::move(*layout));
  lastDescriptionError_.clear();
  return 1;
}

int32_t Plugins::RegisterDescriptionResource(int32_t id, const HostStringStorage* name,
                                             HostResourceSet* set) {
  Host& host = Host::Current();
  const std::string* nameText =
      name ? host.text().Text(name, "RegisterDescriptionResource") : nullptr;
  if (nameText == nullptr) return DescriptionFailure("the name is not a live string", true);
  // No set is what a module passes when its strings were never loaded: a state the
  // module handles (its registration then fails), not a misuse.
  if (set == nullptr)
    return DescriptionFailure("no resource set, so no folder to read \"" + *nameText + "\" from",
                              false);
  const std::string* folder = host.resources().FolderOf(set);
  if (folder == nullptr) return DescriptionFailure("the resource set is not live", true);
  return RegisterDescriptionFile(id, *folder, *nameText);
}

const DescriptionLayout* Plugins::RegisteredDescription(int32_t pluginId) const {
  const auto found = registeredDescriptions_.find(pluginId);
  return found != registeredDescriptions_.end() ? &found->second : nullptr;
}

}  // namespace khost
