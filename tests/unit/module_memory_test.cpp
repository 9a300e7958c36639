// The module's memory layer against a minimal host table: host blocks go to the host,
// blocks made before binding come from the run-time heap and go back to free().

#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "c4d_host_calls.h"
#include "c4d_memory.h"

namespace {

struct FakeMemoryHost {
  std::map<void*, size_t> blocks;
  int frees = 0;
  int allocations = 0;
};
FakeMemoryHost* fake = nullptr;

void* FakeAlloc(size_t size, int32_t, const char*) {
  ++fake->allocations;
  // A block whose preceding word reads -1, as a host block may.
  auto* raw = static_cast<unsigned char*>(std::calloc(1, size + 16));
  std::memset(raw, 0xff, 16);
  fake->blocks[raw + 16] = size;
  return raw + 16;
}

void FakeFree(void* block) {
  ++fake->frees;
  auto found = fake->blocks.find(block);
  ASSERT_NE(found, fake->blocks.end()) << "the host was given a block it never handed out";
  std::free(static_cast<unsigned char*>(block) - 16);
  fake->blocks.erase(found);
}

class ModuleMemory : public ::testing::Test {
 protected:
  void SetUp() override {
    fake = &host;
    general[HostSlotOf(0)].function = reinterpret_cast<void (*)(void)>(&FakeFree);
    general[HostSlotOf(252)].function = reinterpret_cast<void (*)(void)>(&FakeAlloc);
    table.slot[0].integer = 12000;
    table.slot[kTableGeneral].pointer = general;
  }
  void TearDown() override {
    hostTable = nullptr;
    fake = nullptr;
  }
  void Bind() { hostTable = &table; }

  FakeMemoryHost host;
  HostSlot general[64]{};
  HostCallTable table{};
};

TEST_F(ModuleMemory, BeforeBindingBlocksComeFromTheHeapZeroedAndMarked) {
  auto* block = static_cast<unsigned char*>(TaggedNew(0, __LINE__, __FILE__));
  ASSERT_NE(nullptr, block);
  EXPECT_EQ(0, block[0]);
  int32_t marker = 0;
  std::memcpy(&marker, block - sizeof marker, sizeof marker);
  EXPECT_EQ(-1, marker);
  EXPECT_EQ(1, heapFallbackUsed);
  EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(block) % alignof(std::max_align_t));
  ModuleDelete(block);
  EXPECT_EQ(0, host.frees);
}

TEST_F(ModuleMemory, BoundBlocksComeFromTheHostWithAtLeastOneByte) {
  Bind();
  void* block = TaggedNew(0, __LINE__, __FILE__);
  ASSERT_EQ(1u, host.blocks.count(block));
  EXPECT_EQ(1u, host.blocks[block]);
  ModuleDelete(block);
  EXPECT_EQ(1, host.frees);
}

TEST_F(ModuleMemory, FallbackBlockGoesToFreeAfterBindingAndHostBlockWithMarkerToHost) {
  void* early = TaggedNew(24, __LINE__, __FILE__);
  Bind();
  // The host block's preceding word is -1, exactly like a fallback marker.
  void* hosted = TaggedNew(24, __LINE__, __FILE__);
  ModuleDelete(early);
  EXPECT_EQ(0, host.frees);
  ModuleDelete(hosted);
  EXPECT_EQ(1, host.frees);
  EXPECT_TRUE(host.blocks.empty());
}

TEST_F(ModuleMemory, DeletingNullCallsNothing) {
  Bind();
  ModuleDelete(nullptr);
  EXPECT_EQ(0, host.frees);
}

struct Counted {
  Counted() { ++constructed; }
  static int constructed;
  int value = 7;
};
int Counted::constructed = 0;

TEST_F(ModuleMemory, NewExpressionSkipsConstructorWhenNoMemory) {
  general[HostSlotOf(252)].function = reinterpret_cast<void (*)(void)>(
      +[](size_t, int32_t, const char*) -> void* { return nullptr; });
  Bind();
  Counted::constructed = 0;
  Counted* object = MODULE_NEW Counted;
  EXPECT_EQ(nullptr, object);
  EXPECT_EQ(0, Counted::constructed);
}

}  // namespace
