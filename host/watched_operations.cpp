#include "watched_operations.h"

#include "host.h"
#include "host_operations.h"
#include "module_loader.h"
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

}  // namespace

namespace host_watched {
namespace {

// The watched path, out of line: both paths end in a tail call of the implementation, so
// the unwatched one keeps no registers and builds no texts.
#define HOST_DEFINE_WATCHING(Name, Byte, Result, Params, Args, Contract)              \
  [[gnu::noinline, gnu::cold]] Result Watching##Name Params {                         \
    khost::Host& host = khost::Host::Current();                                       \
    if (host.ReportsCallsOutsideBinding()) NoteCallOutsideBinding(host, #Name);       \
    if (host.trace().Enabled())                                                       \
      Trace<khost::trace_arguments::tags::Name>(host, #Name KESTRUM_TRACE_ARGS Args); \
    return host_ops::Name Args;                                                       \
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
