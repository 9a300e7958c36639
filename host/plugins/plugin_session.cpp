#include "plugin_session.h"

#include "containers.h"
#include "description_ids.h"
#include "host.h"
#include "plugins.h"
#include "scene.h"
#include "text_values.h"

namespace khost {

PluginSession::PluginSession()
    : ownHost_(std::make_unique<Host>()),
      host_(*ownHost_),
      moduleFileName_(kDefaultModuleFileName),
      loader_(host_) {}

PluginSession::PluginSession(Host& host, std::string moduleFileName)
    : host_(host), moduleFileName_(std::move(moduleFileName)), loader_(host) {}

PluginSession::~PluginSession() { Close(); }

bool PluginSession::Open(const std::string& pluginFolder, int32_t toolId) {
  toolId_ = toolId;
  folder_ = pluginFolder;
  const std::string modulePath = pluginFolder + "/" + moduleFileName_;
  if (!loader_.Load(modulePath)) {
    error_ = loader_.Error();
    return false;
  }
  if (const int32_t bound = loader_.Bind(); bound != 1) {
    error_ = modulePath + ": the module refused the binding (answer " + std::to_string(bound) + ")";
    return false;
  }
  resourcesLoaded_ = loader_.Message(kPluginMessageLoadResources, nullptr) == 1;
  if (const int32_t started = loader_.Start(); started != 1) {
    error_ = modulePath + ": the module did not start (answer " + std::to_string(started) + ")";
    return false;
  }
  started_ = true;
  if (Tool() == nullptr) {
    error_ = modulePath + ": the module started but registered no tool " + std::to_string(toolId);
    return false;
  }
  return true;
}

const RegisteredTool* PluginSession::Tool() const { return host_.plugins().Tool(toolId_); }

HostContainer* PluginSession::Settings(HostDocument* document, bool writeDefaults) {
  if (settings_ == nullptr) {
    settings_ = host_.containers().Create();
    if (writeDefaults) WriteDefaultSettings(document, settings_);
  }
  return settings_;
}

void PluginSession::WriteDefaultSettings(HostDocument* document, HostContainer* container) {
  const RegisteredTool* tool = Tool();
  tool->Operation<WriteDefaultSettingsFunction> (&ToolRegistrationSlots::writeDefaultSettings)(
      tool->ToolObject(), document, container);
}

int32_t PluginSession::SendMessage(HostDocument* document, HostContainer* container, int32_t type,
                                   void* data) {
  const RegisteredTool* tool = Tool();
  return tool->Operation<MessageHandlerFunction>(&ToolRegistrationSlots::messageHandler)(
      tool->ToolObject(), document, container, type, data);
}

int32_t PluginSession::Press(HostDocument* document, HostContainer* container, int32_t buttonId) {
  DescriptionCommand command = MakeButtonCommand(buttonId);
  return SendMessage(document, container, kMessageDescriptionCommand, &command);
}

int32_t PluginSession::IsControlEnabled(HostContainer* container, int32_t controlId) {
  const RegisteredTool* tool = Tool();
  DescriptionCommand control = MakeButtonCommand(controlId);
  return tool->Operation<IsControlEnabledFunction>(&ToolRegistrationSlots::isControlEnabled)(
      tool->ToolObject(), 0, container, &control.id, 0, 0, 0);
}

std::string PluginSession::DescriptionResourceName() {
  const RegisteredTool* tool = Tool();
  HostStringStorage name;
  tool->Operation<DescriptionResourceNameFunction> (
      &ToolRegistrationSlots::descriptionResourceName)(tool->ToolObject(), &name);
  const std::string* text = host_.text().Text(&name, "DescriptionResourceName");
  std::string result = text ? *text : std::string();
  // The module constructed the value in our storage; the host owns and frees it now.
  host_.text().DestroyString(&name);
  return result;
}

LeakCheck PluginSession::Close() {
  if (closed_) return loader_.LastLeakCheck();
  closed_ = true;
  if (settings_ != nullptr) host_.containers().Destroy(settings_);
  settings_ = nullptr;
  if (loader_.State() == ModuleState::kNotLoaded) return {};
  host_.plugins().DisposeTools();
  if (loader_.BindDepth() > 0) loader_.End();
  return loader_.Unload();
}

std::vector<std::string> PluginSession::Finish() {
  std::vector<std::string> problems;
  if (!host_.scene().CheckNoUndoGroupOpen()) problems.push_back("an undo group was left open");
  for (const std::string& line : Close().Lines()) problems.push_back("left behind: " + line);
  for (const std::string& entry : host_.misuse().Entries()) problems.push_back("misuse: " + entry);
  return problems;
}

}  // namespace khost
