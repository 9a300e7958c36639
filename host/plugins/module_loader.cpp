#include "module_loader.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>

#include "bitmaps.h"
#include "host.h"
#include "plugins.h"
#include "resources.h"
#include "scene.h"
#include "text_values.h"

namespace khost {
namespace {

// Loaders with a module bound, for ModuleBoundTo.
std::vector<const ModuleLoader*> boundLoaders;
std::vector<const Host*> boundHosts;

void MarkBound(const ModuleLoader* loader, const Host* host, bool bound) {
  auto it = std::find(boundLoaders.begin(), boundLoaders.end(), loader);
  const bool listed = it != boundLoaders.end();
  if (bound && !listed) {
    boundLoaders.push_back(loader);
    boundHosts.push_back(host);
  } else if (!bound && listed) {
    boundHosts.erase(boundHosts.begin() + (it - boundLoaders.begin()));
    boundLoaders.erase(it);
  }
}

std::string DlErrorText() {
  const char* text = dlerror();
  return text ? text : "unknown reason";
}

}  // namespace

const char* ModuleStateName(ModuleState state) {
  switch (state) {
    case ModuleState::kNotLoaded:
      return "not loaded";
    case ModuleState::kLoaded:
      return "loaded";
    case ModuleState::kBound:
      return "bound";
    case ModuleState::kStarted:
      return "started";
    case ModuleState::kEnded:
      return "ended";
    case ModuleState::kUnloaded:
      return "unloaded";
  }
  return "unknown";
}

std::vector<std::string> LeakCheck::Lines() const {
  std::vector<std::string> lines;
  for (const Memory::LeakGroup& group : blocks)
    lines.push_back("block " + group.tag + ": " + std::to_string(group.count) + " left, " +
                    std::to_string(group.bytes) + " bytes");
  for (const std::string& value : values) lines.push_back("value " + value);
  return lines;
}

ModuleLoader::ModuleLoader(Host& host) : host_(host) {}

ModuleLoader::~ModuleLoader() {
  if (library_) Unload();
  MarkBound(this, &host_, false);
  DropModulePath();
}

bool ModuleLoader::Load(const std::string& path) {
  if (library_) {
    error_ = "cannot load module " + path + ": module " + path_ + " is still loaded";
    return false;
  }
  dlerror();
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    error_ = "cannot load module " + path + ": " + DlErrorText();
    return false;
  }
  void* symbol = dlsym(library, "c4d_main");
  if (symbol == nullptr) {
    error_ = "module " + path + " has no entry point c4d_main: " + DlErrorText();
    dlclose(library);
    return false;
  }
  library_ = library;
  // POSIX guarantees a function's address survives the round trip through void*.
  std::memcpy(&entry_, &symbol, sizeof entry_);
  path_ = path;
  error_.clear();
  state_ = ModuleState::kLoaded;
  bindDepth_ = 0;
  leaks_ = LeakCheck();
  return true;
}

int32_t ModuleLoader::Call(int32_t action, void* p1, void* p2, void* p3) {
  if (entry_ == nullptr) return kNotCalled;
  return entry_(action, p1, p2, p3);
}

bool ModuleLoader::Bound() const { return bindDepth_ > 0 && entry_ != nullptr; }

int32_t ModuleLoader::Bind() { return Bind(path_); }

int32_t ModuleLoader::Bind(const std::string& modulePath) {
  if (entry_ == nullptr) {
    host_.misuse().Report("Bind: no module loaded");
    return kNotCalled;
  }
  auto* name = new HostFileNameStorage{};
  host_.text().ConstructFileName(name, modulePath);
  modulePaths_.push_back(name);
  // Bound before the call: the binding itself already reaches the host.
  MarkBound(this, &host_, true);
  const int32_t result = Call(kActionBind, host_.CallTable(), nullptr, name);
  // Every action 1 counts, whatever it answered; the module's own count does too.
  ++bindDepth_;
  if (state_ == ModuleState::kLoaded || state_ == ModuleState::kEnded) state_ = ModuleState::kBound;
  return result;
}

int32_t ModuleLoader::Start() {
  if (!Bound()) {
    host_.misuse().Report("Start: module is not bound");
    return kNotCalled;
  }
  const int32_t result = Call(kActionStart, nullptr, nullptr, nullptr);
  if (result == 1) state_ = ModuleState::kStarted;
  return result;
}

int32_t ModuleLoader::Message(int32_t id, void* data) {
  if (!Bound()) {
    host_.misuse().Report("Message " + std::to_string(id) + ": module is not bound");
    return kNotCalled;
  }
  // The id travels in the pointer-sized first argument; the module reads its low 32 bits.
  return Call(kActionMessage, reinterpret_cast<void*>(static_cast<intptr_t>(id)), data, nullptr);
}

int32_t ModuleLoader::End() {
  if (!Bound()) {
    host_.misuse().Report("End: module is not bound");
    return kNotCalled;
  }
  const int32_t result = Call(kActionEnd, nullptr, nullptr, nullptr);
  if (--bindDepth_ == 0) {
    state_ = ModuleState::kEnded;
    MarkBound(this, &host_, false);
  }
  return result;
}

void ModuleLoader::DropModulePath() {
  for (HostFileNameStorage* name : modulePaths_) {
    host_.text().DestroyFileName(name);
    delete name;
  }
  modulePaths_.clear();
}

LeakCheck ModuleLoader::Unload() {
  if (library_ == nullptr) {
    host_.misuse().Report("Unload: no module loaded");
    return leaks_;
  }
  dlclose(library_);
  library_ = nullptr;
  entry_ = nullptr;
  state_ = ModuleState::kUnloaded;
  bindDepth_ = 0;
  MarkBound(this, &host_, false);
  DropModulePath();
  leaks_.blocks = host_.memory().LeakReport();
  leaks_.values = host_.text().DescribeLive();
  // Every other kind of value the module can make and must give back.
  for (const std::string& set : host_.resources().DescribeLive()) leaks_.values.push_back(set);
  if (const size_t bitmaps = host_.bitmaps().LiveBitmaps())
    leaks_.values.push_back(std::to_string(bitmaps) + " bitmap(s)");
  if (const size_t arrays = host_.scene().arrays().Live())
    leaks_.values.push_back(std::to_string(arrays) + " object array(s)");
  if (const size_t descriptions = host_.plugins().LiveDescriptions())
    leaks_.values.push_back(std::to_string(descriptions) + " description(s) alive");
  if (const size_t attachments = host_.plugins().LiveAttachments())
    leaks_.values.push_back(std::to_string(attachments) + " attachment(s) alive");
  return leaks_;
}

bool ModuleLoader::ModuleBoundTo(const Host& host) {
  return std::find(boundHosts.begin(), boundHosts.end(), &host) != boundHosts.end();
}

}  // namespace khost
