#pragma once
// The substitute host: owns the call table handed to the module and every service
// behind it. The table's functions carry no context, so exactly one Host is current at
// a time (the most recently constructed one that is still alive).

#include <memory>

#include "c4d_host_abi.h"
#include "call_trace.h"
#include "misuse.h"

namespace khost {

class Memory;
class TextValues;
class Containers;
class UserInterface;
class Resources;
class Bitmaps;
class Plugins;
class Scene;

// The version word this host reports unless a test changes it.
constexpr int32_t kDefaultHostVersion = 12048;

class Host {
 public:
  Host();
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // The live host; aborts with a message when a host operation arrives and none is.
  // Inline: every host operation starts here.
  static Host& Current() {
    if (current_ == nullptr) [[unlikely]]
      NoHostAlive();
    return *current_;
  }
  static Host* CurrentOrNull() { return current_; }

  // Handed to the module with action 1; valid while this Host lives.
  HostCallTable* CallTable() { return &table_; }
  // A sub-table by its host call table slot (kTableGeneral, ...).
  HostSlot* SubTable(int tableSlot);
  // The slot of an operation, found by its byte offset in a sub-table.
  HostSlot& OperationSlot(int tableSlot, int byteOffset);

  Memory& memory() { return *memory_; }
  TextValues& text() { return *text_; }
  Containers& containers() { return *containers_; }
  UserInterface& ui() { return *ui_; }
  Resources& resources() { return *resources_; }
  Bitmaps& bitmaps() { return *bitmaps_; }
  Plugins& plugins() { return *plugins_; }
  Scene& scene() { return *scene_; }
  MisuseLog& misuse() { return misuse_; }
  CallTrace& trace() { return trace_; }

  // While on, every call-table operation first checks that a module is bound to this
  // host (ModuleLoader::ModuleBoundTo) and otherwise reports
  // "<Name>: host call outside a binding" before it runs. Off by default: the host's own
  // tests call table entries without any module.
  void ReportCallsOutsideBinding(bool on) {
    reportCallsOutsideBinding_ = on;
    RouteCalls();
  }
  bool ReportsCallsOutsideBinding() const { return reportCallsOutsideBinding_; }
  // Whether a call needs more than its work: the binding check or the trace.
  bool WatchesCalls() const { return reportCallsOutsideBinding_ || trace_.Enabled(); }

 private:
  [[noreturn]] static void NoHostAlive();
  // Points each call-table entry at the watching wrapper while this host watches calls,
  // and straight at the implementation otherwise, which spares every call of a press
  // the check. Entries a test replaced are left alone.
  void RouteCalls();
  static inline Host* current_ = nullptr;
  static constexpr int kSubTableSlots = 80;

  HostCallTable table_{};
  HostSlot subTables_[kHostTableSlots][kSubTableSlots]{};
  MisuseLog misuse_;
  CallTrace trace_{[this] { RouteCalls(); }};
  bool reportCallsOutsideBinding_ = false;
  std::unique_ptr<Memory> memory_;
  std::unique_ptr<TextValues> text_;
  std::unique_ptr<Containers> containers_;
  std::unique_ptr<UserInterface> ui_;
  std::unique_ptr<Resources> resources_;
  std::unique_ptr<Bitmaps> bitmaps_;
  std::unique_ptr<Plugins> plugins_;
  std::unique_ptr<Scene> scene_;
  Host* previous_ = nullptr;
};

}  // namespace khost
