#include "host.h"

#include <cstdio>
#include <cstdlib>

#include "bitmaps.h"
#include "containers.h"
#include "host_operations.h"
#include "memory.h"
#include "module_loader.h"
#include "plugins.h"
#include "resources.h"
#include "scene.h"
#include "text_values.h"
#include "user_interface.h"
#include "watched_operations.h"

namespace khost {
Host::Host()
    : memory_(std::make_unique<Memory>()),
      text_(std::make_unique<TextValues>()),
      containers_(std::make_unique<Containers>()),
      ui_(std::make_unique<UserInterface>()),
      resources_(std::make_unique<Resources>()),
      bitmaps_(std::make_unique<Bitmaps>()),
      plugins_(std::make_unique<Plugins>()),
      scene_(std::make_unique<Scene>()),
      previous_(current_) {
  table_.slot[0].integer = kDefaultHostVersion;
#define HOST_FILL_OPERATION(Name, Byte, Result, Params, Args, Contract) \
  subTable[HostSlotOf(Byte)] = HostFunctionSlot(&host_watched::Name);
#define HOST_FILL_SUB_TABLE(List, TableSlot)    \
  {                                             \
    HostSlot* subTable = subTables_[TableSlot]; \
    table_.slot[TableSlot].pointer = subTable;  \
    List(HOST_FILL_OPERATION)                   \
  }
  HOST_SUB_TABLES(HOST_FILL_SUB_TABLE)
#undef HOST_FILL_SUB_TABLE
#undef HOST_FILL_OPERATION
  subTables_[kTableString][0].pointer = text_->DefaultString();
  RouteCalls();
  current_ = this;
}

Host::~Host() {
  if (current_ == this) current_ = previous_;
}

void Host::NoHostAlive() {
  std::fputs("kestrum host: a host operation was called while no host is alive\n", stderr);
  std::abort();
}

void Host::RouteCalls() {
  const bool watching = WatchesCalls();
#define HOST_ROUTE_OPERATION(Name, Byte, Result, Params, Args, Contract)       \
  {                                                                            \
    const HostSlot watched = HostFunctionSlot(&host_watched::Name);            \
    const HostSlot direct = HostFunctionSlot(&host_ops::Name);                 \
    HostSlot& slot = subTable[HostSlotOf(Byte)];                               \
    if (slot.function == watched.function || slot.function == direct.function) \
      slot = watching ? watched : direct;                                      \
  }
#define HOST_ROUTE_SUB_TABLE(List, TableSlot)   \
  {                                             \
    HostSlot* subTable = subTables_[TableSlot]; \
    List(HOST_ROUTE_OPERATION)                  \
  }
  HOST_SUB_TABLES(HOST_ROUTE_SUB_TABLE)
#undef HOST_ROUTE_SUB_TABLE
#undef HOST_ROUTE_OPERATION
}

HostSlot* Host::SubTable(int tableSlot) { return subTables_[tableSlot]; }

HostSlot& Host::OperationSlot(int tableSlot, int byteOffset) {
  return subTables_[tableSlot][HostSlotOf(static_cast<size_t>(byteOffset))];
}

}  // namespace khost
