#include "user_interface.h"

#include <filesystem>
#include <system_error>

#include "host.h"
#include "host_operations.h"
#include "text_values.h"

namespace khost {

UserInterface::UserInterface() = default;
UserInterface::~UserInterface() = default;

void UserInterface::PrintToConsole(const std::string& line) {
  consoleLines_.push_back(line);
  if (echo_) *echo_ << line << '\n';
}

void UserInterface::ShowMessage(const std::string& text, int32_t kind) {
  messages_.push_back(Message{text, kind});
}

int32_t UserInterface::OpenFile(const std::string& path) {
  openedFiles_.push_back(path);
  if (opener_) opener_(path);
  return 1;
}

int32_t UserInterface::FileExists(const std::string& path) {
  existenceChecks_.push_back(path);
  std::error_code error;
  return std::filesystem::is_regular_file(path, error) ? 1 : 0;
}

void UserInterface::UpdateViews(int32_t flags, int32_t second) {
  viewUpdates_.push_back(ViewUpdate{flags, second});
}

void UserInterface::Clear() {
  consoleLines_.clear();
  messages_.clear();
  openedFiles_.clear();
  existenceChecks_.clear();
  viewUpdates_.clear();
}

}  // namespace khost

namespace host_ops {

void PrintToConsole(const HostStringStorage* line) {
  khost::Host& host = khost::Host::Current();
  const std::string* text = host.text().Text(line, "PrintToConsole");
  if (text) host.ui().PrintToConsole(*text);
}

void HostShowMessage(const HostStringStorage* text, int32_t kind) {
  khost::Host& host = khost::Host::Current();
  const std::string* shown = host.text().Text(text, "HostShowMessage");
  if (shown) host.ui().ShowMessage(*shown, kind);
}

int32_t HostOpenFile(const HostFileNameStorage* name) {
  khost::Host& host = khost::Host::Current();
  const std::string* path = host.text().Path(name, "HostOpenFile");
  return path ? host.ui().OpenFile(*path) : 0;
}

int32_t FileExists(const HostFileNameStorage* name, int32_t /*flag*/) {
  khost::Host& host = khost::Host::Current();
  const std::string* path = host.text().Path(name, "FileExists");
  return path ? host.ui().FileExists(*path) : 0;
}

void HostUpdateViews(int32_t flags, int32_t second) {
  khost::Host& host = khost::Host::Current();
  host.ui().UpdateViews(flags, second);
}

}  // namespace host_ops
