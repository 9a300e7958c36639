#pragma once
// Loads a module file, finds its entry point and drives it through the actions a host
// uses (bind, start, message, end), keeping track of the state the module is in. After
// unloading it checks what the module left behind: memory blocks by source tag, and
// strings and file names still alive.

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "c4d_host_abi.h"
#include "memory.h"

namespace khost {

class Host;

enum class ModuleState { kNotLoaded, kLoaded, kBound, kStarted, kEnded, kUnloaded };
const char* ModuleStateName(ModuleState state);

// What a module left behind after it was unloaded.
struct LeakCheck {
  std::vector<Memory::LeakGroup> blocks;
  // Live strings and file names, resource sets, bitmaps, object arrays, descriptions
  // and attachments, one line each.
  std::vector<std::string> values;
  bool Clean() const { return blocks.empty() && values.empty(); }
  // One line per leftover: "block <tag>: ..." then "value <description>".
  std::vector<std::string> Lines() const;
};

class ModuleLoader {
 public:
  // What the convenience calls answer when they refuse to call the module (out of
  // order, or nothing loaded); never a value the entry point answers.
  static constexpr int32_t kNotCalled = std::numeric_limits<int32_t>::min();

  explicit ModuleLoader(Host& host);
  // Unloads a module still loaded (without ending it).
  ~ModuleLoader();
  ModuleLoader(const ModuleLoader&) = delete;
  ModuleLoader& operator=(const ModuleLoader&) = delete;

  // Loads the file and finds c4d_main. On failure returns false and Error() names the
  // file and says why.
  bool Load(const std::string& path);
  const std::string& Error() const { return error_; }
  const std::string& Path() const { return path_; }

  // The entry point with raw arguments; kNotCalled when nothing is loaded.
  int32_t Call(int32_t action, void* p1, void* p2, void* p3);

  // Action 1 with the host call table and a file name naming `modulePath` (the loaded
  // file when omitted). The file name stays alive until Unload.
  int32_t Bind();
  int32_t Bind(const std::string& modulePath);
  // Actions 2, 6 and 3. Each refuses (kNotCalled, with a misuse report) when the module
  // is not bound, since the module would reach an unbound host.
  int32_t Start();
  int32_t Message(int32_t id, void* data);
  int32_t End();
  // Closes the library and returns what it left behind. Also valid without a binding.
  LeakCheck Unload();

  ModuleState State() const { return state_; }
  // Action 1 calls minus action 3 calls made through Bind / End.
  int32_t BindDepth() const { return bindDepth_; }
  // The last leak check Unload made.
  const LeakCheck& LastLeakCheck() const { return leaks_; }

  // Whether some live loader has a module bound to `host`: host operations arriving
  // outside a binding can be named as misuse.
  static bool ModuleBoundTo(const Host& host);

 private:
  bool Bound() const;
  void DropModulePath();

  Host& host_;
  void* library_ = nullptr;
  ModuleEntryFunction entry_ = nullptr;
  std::string path_;
  std::string error_;
  ModuleState state_ = ModuleState::kNotLoaded;
  int32_t bindDepth_ = 0;
  std::vector<HostFileNameStorage*> modulePaths_;
  LeakCheck leaks_;
};

}  // namespace khost
