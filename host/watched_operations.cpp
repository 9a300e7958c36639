#include "watched_operations.h"

#include "host.h"
#include "host_operations.h"
#include "module_loader.h"
#include "scene.h"
#include "trace_arguments.h"

namespace {

// Out of line, so that building the texts stays off the path of an unwatched call.
[[gnu::noinline, gnu::cold]] void NoteCallOutsideBinding(khost::Host& host, const char* operation) {
  if (!khost::ModuleLoader::ModuleBoundTo(host))
    host.misuse().Report(std::string(operation) + ": host call outside a binding");
}

template <typename Tag, typename... Arguments>
[[gnu::noinline, gnu::cold]] void Trace(khost::Host& host, const char* operation,
                                        Arguments... arguments) {
  host.trace().Record(operation, khost::trace_arguments::Of(Tag{}, arguments...));
}

// Records the values of the object operations in the trace: a read's value after the
// call, a write's argument with the object's world matrix before and after it. The
// other operations record nothing more.
template <typename Tag>
struct ValuesTrace {
  template <typename... Arguments>
  explicit ValuesTrace(khost::Host&, Arguments...) {}
};

class ValueRecord {
 public:
  ValueRecord(khost::Host& host, const char* operation, HostObject* object, bool written)
      : host_(host), value_{operation, object, written, {}, {}, {}, {}} {
    if (written && host_.scene().IsAlive(object))
      value_.worldBefore = host_.scene().WorldMatrix(object);
  }
  ValueRecord(const ValueRecord&) = delete;
  ValueRecord& operator=(const ValueRecord&) = delete;
  ~ValueRecord() {
    if (vector_) value_.vector = *vector_;
    if (matrix_) value_.matrix = *matrix_;
    if (!host_.scene().IsAlive(value_.object) || (!vector_ && !matrix_)) return;
    if (value_.written) value_.worldAfter = host_.scene().WorldMatrix(value_.object);
    host_.trace().RecordValue(value_);
  }
  void Watch(const HostVector* vector) { vector_ = vector; }
  void Watch(const HostMatrix* matrix) { matrix_ = matrix; }

 private:
  khost::Host& host_;
  khost::ObjectValue value_;
  const HostVector* vector_ = nullptr;
  const HostMatrix* matrix_ = nullptr;
};

#define KESTRUM_VALUES_TRACE(Name, Written, Type)                        \
  template <>                                                            \
  struct ValuesTrace<khost::trace_arguments::tags::Name> : ValueRecord { \
    ValuesTrace(khost::Host& host, HostObject* object, Type value)       \
        : ValueRecord(host, #Name, object, Written) {                    \
      Watch(value);                                                      \
    }                                                                    \
  };
KESTRUM_VALUES_TRACE(ObjectGetPosition, false, HostVector*)
KESTRUM_VALUES_TRACE(ObjectSetPosition, true, const HostVector*)
KESTRUM_VALUES_TRACE(ObjectSetRotation, true, const HostVector*)
KESTRUM_VALUES_TRACE(ObjectGetGlobalMatrix, false, HostMatrix*)
KESTRUM_VALUES_TRACE(ObjectSetGlobalMatrix, true, const HostMatrix*)
KESTRUM_VALUES_TRACE(ObjectGetBoxRadius, false, HostVector*)
#undef KESTRUM_VALUES_TRACE

}  // namespace

namespace host_watched {
namespace {

// The watched path, out of line: both paths end in a tail call of the implementation, so
// the unwatched one keeps no registers and builds no texts.
#define HOST_DEFINE_WATCHING(Name, Byte, Result, Params, Args, Contract)            \
  [[gnu::noinline, gnu::cold]] Result Watching##Name Params {                       \
    khost::Host& host = khost::Host::Current();                                     \
    if (host.ReportsCallsOutsideBinding()) NoteCallOutsideBinding(host, #Name);     \
    if (!host.trace().Enabled()) return host_ops::Name Args;                        \
    Trace<khost::trace_arguments::tags::Name>(host, #Name KESTRUM_TRACE_ARGS Args); \
    [[maybe_unused]] const ValuesTrace<khost::trace_arguments::tags::Name> values(  \
        host KESTRUM_TRACE_ARGS Args);                                              \
    return host_ops::Name Args;                                                     \
  }
// `(a, b)` as `, a, b`, and `()` as nothing.
#define KESTRUM_TRACE_ARGS(...) __VA_OPT__(, ) __VA_ARGS__
#define HOST_DEFINE_WATCHING_LIST(List, TableSlot) List(HOST_DEFINE_WATCHING)
HOST_SUB_TABLES(HOST_DEFINE_WATCHING_LIST)
HOST_DESCRIPTION_LIBRARY_OPERATIONS(HOST_DEFINE_WATCHING)
#undef HOST_DEFINE_WATCHING_LIST
#undef HOST_DEFINE_WATCHING

}  // namespace

// With no host alive the implementation's own Host::Current() names the fault.
#define HOST_DEFINE_WATCHED(Name, Byte, Result, Params, Args, Contract) \
  Result Name Params {                                                  \
    khost::Host* host = khost::Host::CurrentOrNull();                   \
    if (host != nullptr && host->WatchesCalls()) [[unlikely]]           \
      return Watching##Name Args;                                       \
    return host_ops::Name Args;                                         \
  }
#define HOST_DEFINE_WATCHED_LIST(List, TableSlot) List(HOST_DEFINE_WATCHED)
HOST_SUB_TABLES(HOST_DEFINE_WATCHED_LIST)
HOST_DESCRIPTION_LIBRARY_OPERATIONS(HOST_DEFINE_WATCHED)
#undef HOST_DEFINE_WATCHED_LIST
#undef HOST_DEFINE_WATCHED
#undef KESTRUM_TRACE_ARGS

}  // namespace host_watched
