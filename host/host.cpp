#include "host.h"

#include <cstdio>
#include <cstdlib>

#include "bitmaps.h"
#include "containers.h"
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
  current_ = this;
}

Host::~Host() {
  if (current_ == this) current_ = previous_;
}

void Host::NoHostAlive() {
  std::fputs("kestrum host: a host operation was called while no host is alive\n", stderr);
  std::abort();
}

HostSlot* Host::SubTable(int tableSlot) { return subTables_[tableSlot]; }

HostSlot& Host::OperationSlot(int tableSlot, int byteOffset) {
  return subTables_[tableSlot][HostSlotOf(static_cast<size_t>(byteOffset))];
}

}  // namespace khost
