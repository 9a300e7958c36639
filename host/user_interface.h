#pragma once
// What the module shows a user or asks the host to do for one: console lines, messages,
// files to open, view updates, and the file existence test. Everything is kept for tests
// and the command to read; nothing is launched unless the command installs an opener.

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "c4d_host_abi.h"

namespace khost {

class UserInterface {
 public:
  struct Message {
    std::string text;
    int32_t kind;
  };
  struct ViewUpdate {
    int32_t flags;
    int32_t second;
  };
  using FileOpener = std::function<void(const std::string& path)>;

  // Defined out of line: the Host's use of them is what links this file, and with it
  // the operations it defines, into a program.
  UserInterface();
  ~UserInterface();
  UserInterface(const UserInterface&) = delete;
  UserInterface& operator=(const UserInterface&) = delete;

  // Console lines are also written, one per line, to `echo` (nullptr: not echoed).
  void EchoConsoleTo(std::ostream* echo) { echo_ = echo; }
  // Called with the path of every file the module asks to open.
  void SetFileOpener(FileOpener opener) { opener_ = std::move(opener); }

  void PrintToConsole(const std::string& line);
  void ShowMessage(const std::string& text, int32_t kind);
  int32_t OpenFile(const std::string& path);
  // 1 when `path` names an existing regular file (symbolic links followed), else 0.
  int32_t FileExists(const std::string& path);
  void UpdateViews(int32_t flags, int32_t second);

  const std::vector<std::string>& ConsoleLines() const { return consoleLines_; }
  const std::vector<Message>& Messages() const { return messages_; }
  const std::vector<std::string>& OpenedFiles() const { return openedFiles_; }
  const std::vector<std::string>& ExistenceChecks() const { return existenceChecks_; }
  const std::vector<ViewUpdate>& ViewUpdates() const { return viewUpdates_; }
  void Clear();

 private:
  std::ostream* echo_ = nullptr;
  FileOpener opener_;
  std::vector<std::string> consoleLines_;
  std::vector<Message> messages_;
  std::vector<std::string> openedFiles_;
  std::vector<std::string> existenceChecks_;
  std::vector<ViewUpdate> viewUpdates_;
};

}  // namespace khost
