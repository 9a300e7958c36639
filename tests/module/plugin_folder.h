#pragma once
// Plug-in folders made for one test: a copy of the built module with only the parts of
// the plug-in folder a test asks for, in a fresh temporary folder removed afterwards.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "module_fixture.h"

namespace kestrum_test {

struct PluginParts {
  bool strings = true;
  bool description = true;
  bool icon = true;
  bool help = true;
};

class TemporaryPluginFolder {
 public:
  explicit TemporaryPluginFolder(const PluginParts& parts) {
    namespace fs = std::filesystem;
    static int counter = 0;
    path_ = fs::temp_directory_path() /
            ("kestrum-plugin-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    fs::remove_all(path_);
    fs::create_directories(path_ / "res");
    const fs::path built = BuiltPluginFolder();
    fs::copy_file(built / "kestrum.cdl", path_ / "kestrum.cdl");
    if (parts.strings)
      fs::copy(built / "res" / "strings", path_ / "res" / "strings", fs::copy_options::recursive);
    if (parts.description)
      fs::copy(built / "res" / "description", path_ / "res" / "description",
               fs::copy_options::recursive);
    if (parts.icon) fs::copy_file(built / "res" / "kestrum.tif", path_ / "res" / "kestrum.tif");
    if (parts.help) fs::copy(built / "help", path_ / "help", fs::copy_options::recursive);
  }
  ~TemporaryPluginFolder() { std::filesystem::remove_all(path_); }
  TemporaryPluginFolder(const TemporaryPluginFolder&) = delete;
  TemporaryPluginFolder& operator=(const TemporaryPluginFolder&) = delete;

  std::string Path() const { return path_.string(); }
  void Write(const std::string& relative, const std::string& content) const {
    std::ofstream(path_ / relative, std::ios::binary) << content;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace kestrum_test
