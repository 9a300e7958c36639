#pragma once
// Shared by the host's tests: a gtest fixture that owns a live Host, helpers that make
// string and file name values the way the host's own callers do, and typed access to
// every operation in the Host's call table, so tests call operations as the module
// does (through the table) rather than through the C++ services behind them.

#include <gtest/gtest.h>

#include <deque>
#include <string>

#include "host.h"
#include "text_values.h"

namespace khost_test {

// Every host operation as a typed function pointer read from a Host's call table:
// `table::StringInit(host)(&storage)`. Generated from the operation lists, so the
// slot and the signature are the ones the module sees.
#define KESTRUM_TEST_TABLE_ENTRY(Name, Byte, Result, Params, Args, Contract)            \
  inline Name##Function Name(khost::Host& host) {                                       \
    return reinterpret_cast<Name##Function>(host.OperationSlot(kTable, Byte).function); \
  }
#define KESTRUM_TEST_SUB_TABLE(List, TableSlot) \
  namespace table_##TableSlot {                 \
    constexpr int kTable = TableSlot;           \
    List(KESTRUM_TEST_TABLE_ENTRY)              \
  }
HOST_SUB_TABLES(KESTRUM_TEST_SUB_TABLE)
#undef KESTRUM_TEST_SUB_TABLE
#undef KESTRUM_TEST_TABLE_ENTRY

namespace table {
#define KESTRUM_TEST_USE_SUB_TABLE(List, TableSlot) using namespace table_##TableSlot;
HOST_SUB_TABLES(KESTRUM_TEST_USE_SUB_TABLE)
#undef KESTRUM_TEST_USE_SUB_TABLE
}  // namespace table

// A fixture with one live Host. Values made with MakeString / MakeFileName are
// host-made (not counted as the module's) and destroyed when the test ends, unless the
// test destroyed them itself.
class HostFixture : public ::testing::Test {
 protected:
  ~HostFixture() override {
    for (auto it = fileNames_.rbegin(); it != fileNames_.rend(); ++it) {
      if (IsLiveFileName(&*it))
        host.text().DestroyFileName(&*it);
      else if (IsLiveString(&it->text))
        host.text().DestroyString(&it->text);
    }
    for (auto it = strings_.rbegin(); it != strings_.rend(); ++it)
      if (IsLiveString(&*it)) host.text().DestroyString(&*it);
  }

  HostStringStorage* MakeString(const std::string& text) {
    HostStringStorage& storage = strings_.emplace_back();
    host.text().ConstructString(&storage, text);
    return &storage;
  }
  HostFileNameStorage* MakeFileName(const std::string& path) {
    HostFileNameStorage& storage = fileNames_.emplace_back();
    host.text().ConstructFileName(&storage, path);
    return &storage;
  }

  // Content of a live value, or "<not alive>" (which also adds a misuse report).
  std::string TextOf(const HostStringStorage* text) {
    const std::string* content = host.text().Text(text, "test");
    return content ? *content : "<not alive>";
  }
  std::string PathOf(const HostFileNameStorage* name) {
    const std::string* path = host.text().Path(name, "test");
    return path ? *path : "<not alive>";
  }

  khost::Host host;

 private:
  // Checks liveness without leaving a misuse report behind.
  bool IsLiveString(const HostStringStorage* text) {
    const size_t before = host.misuse().Entries().size();
    const bool live = host.text().Text(text, "test cleanup") != nullptr;
    TrimMisuse(before);
    return live;
  }
  bool IsLiveFileName(const HostFileNameStorage* name) {
    const size_t before = host.misuse().Entries().size();
    const bool live = host.text().Path(name, "test cleanup") != nullptr;
    TrimMisuse(before);
    return live;
  }
  void TrimMisuse(size_t keep) {
    std::vector<std::string> entries = host.misuse().Entries();
    entries.resize(keep);
    host.misuse().Clear();
    for (std::string& entry : entries) host.misuse().Report(std::move(entry));
  }

  std::deque<HostStringStorage> strings_;
  std::deque<HostFileNameStorage> fileNames_;
};

}  // namespace khost_test
