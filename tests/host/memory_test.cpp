// The host's memory service: zero-filled tagged blocks, misuse of frees, arranged
// failures and the leak report by source tag.
#include "memory.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "host_fixture.h"

namespace {

using khost_test::HostFixture;
namespace table = khost_test::table;

class MemoryTest : public HostFixture {
 protected:
  khost::Memory& memory() { return host.memory(); }
};

TEST_F(MemoryTest, BlocksAreZeroFilledAndKeepSizeAndTag) {
  for (size_t size : {size_t{1}, size_t{7}, size_t{64}, size_t{4096}}) {
    auto* block = static_cast<unsigned char*>(memory().AllocClear(size, 42, "src/a.cpp"));
    ASSERT_NE(block, nullptr);
    for (size_t i = 0; i < size; ++i) ASSERT_EQ(block[i], 0u) << "byte " << i << " of " << size;
    EXPECT_EQ(memory().SizeOf(block), size);
    EXPECT_EQ(memory().TagOf(block), "src/a.cpp:42");
    std::memset(block, 0xAB, size);  // the whole block is ours to write
    EXPECT_TRUE(memory().Free(block));
  }
  EXPECT_EQ(memory().LiveBlocks(), 0u);
  EXPECT_TRUE(host.misuse().Empty());
}

TEST_F(MemoryTest, ZeroBytesYieldsAOneByteBlock) {
  void* block = memory().AllocClear(0, 1, "zero");
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(memory().SizeOf(block), 1u);
  EXPECT_EQ(memory().LiveBytes(), 1u);
  memory().Free(block);
}

TEST_F(MemoryTest, NullFileNameStillTagsTheBlock) {
  void* block = memory().AllocClear(4, 9, nullptr);
  EXPECT_EQ(memory().TagOf(block), "?:9");
  memory().Free(block);
}

TEST_F(MemoryTest, FreeingTwiceIsReportedAndChangesNothing) {
  void* kept = memory().AllocClear(16, 1, "kept");
  void* block = memory().AllocClear(8, 2, "twice");
  ASSERT_TRUE(memory().Free(block));
  EXPECT_FALSE(memory().Free(block));
  EXPECT_TRUE(host.misuse().Mentions("freed twice"));
  EXPECT_TRUE(host.misuse().Mentions("MemoryFree"));
  EXPECT_EQ(memory().LiveBlocks(), 1u);
  EXPECT_EQ(memory().LiveBytes(), 16u);
  EXPECT_EQ(memory().FreesMade(), 1u);
  memory().Free(kept);
}

TEST_F(MemoryTest, FreeingABlockNeverHandedOutIsReportedAndNotFreed) {
  int32_t local = 5;
  EXPECT_FALSE(memory().Free(&local));
  EXPECT_TRUE(host.misuse().Mentions("never handed out"));
  EXPECT_EQ(local, 5);
  EXPECT_EQ(memory().FreesMade(), 0u);
}

TEST_F(MemoryTest, ArrangedFailuresYieldNullForExactlyThatManyCalls) {
  memory().FailNextAllocations(2);
  EXPECT_EQ(memory().AllocClear(8, 1, "f"), nullptr);
  EXPECT_EQ(memory().AllocClear(8, 2, "f"), nullptr);
  void* block = memory().AllocClear(8, 3, "f");
  EXPECT_NE(block, nullptr);
  EXPECT_EQ(memory().LiveBlocks(), 1u);
  EXPECT_EQ(memory().AllocationsMade(), 1u);
  memory().Free(block);
}

TEST_F(MemoryTest, RequestsAboveTheLargestBlockFail) {
  EXPECT_EQ(memory().AllocClear(khost::Memory::kLargestBlock + 1, 1, "huge"), nullptr);
  EXPECT_EQ(memory().AllocClear(SIZE_MAX, 1, "huge"), nullptr);
  EXPECT_EQ(memory().LiveBlocks(), 0u);
}

TEST_F(MemoryTest, LeakReportGroupsLiveBlocksByTagInTagOrder) {
  struct Request {
    size_t size;
    int32_t line;
    const char* file;
    bool freed;
  };
  const Request requests[] = {
      {10, 5, "b.cpp", false}, {20, 5, "b.cpp", false}, {30, 5, "b.cpp", true},
      {4, 7, "a.cpp", false},  {1, 5, "a.cpp", true},   {0, 8, "a.cpp", false},
  };
  for (const Request& request : requests) {
    void* block = memory().AllocClear(request.size, request.line, request.file);
    if (request.freed) memory().Free(block);
  }
  // By hand: a.cpp:7 -> 1 block of 4; a.cpp:8 -> 1 block of 1 (0 raised to 1);
  // b.cpp:5 -> 2 blocks, 30 bytes. a.cpp:5 was freed.
  const std::vector<khost::Memory::LeakGroup> report = memory().LeakReport();
  ASSERT_EQ(report.size(), 3u);
  EXPECT_EQ(report[0].tag, "a.cpp:7");
  EXPECT_EQ(report[0].count, 1u);
  EXPECT_EQ(report[0].bytes, 4u);
  EXPECT_EQ(report[1].tag, "a.cpp:8");
  EXPECT_EQ(report[1].bytes, 1u);
  EXPECT_EQ(report[2].tag, "b.cpp:5");
  EXPECT_EQ(report[2].count, 2u);
  EXPECT_EQ(report[2].bytes, 30u);
  EXPECT_EQ(memory().LiveBytes(), 35u);
  EXPECT_EQ(memory().DescribeLeaks(),
            (std::vector<std::string>{"a.cpp:7: 1 block, 4 bytes", "a.cpp:8: 1 block, 1 bytes",
                                      "b.cpp:5: 2 blocks, 30 bytes"}));
}

TEST_F(MemoryTest, OperationsThroughTheCallTable) {
  host.trace().Enable(true);
  auto* block = static_cast<char*>(table::MemoryAllocClear(host)(3, 12, "c4d_pmain"));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block[0] + block[1] + block[2], 0);
  EXPECT_EQ(memory().TagOf(block), "c4d_pmain:12");
  table::MemoryFree(host)(block);
  table::MemoryFree(host)(nullptr);  // like free(): nothing to do, nothing to report
  EXPECT_EQ(memory().LiveBlocks(), 0u);
  EXPECT_TRUE(host.misuse().Empty());
  EXPECT_EQ(host.trace().Calls(),
            (std::vector<std::string>{"MemoryAllocClear(3, 12, \"c4d_pmain\")", "MemoryFree(data)",
                                      "MemoryFree(null)"}));
}

TEST_F(MemoryTest, AMillionAllocationsAndFreesKeepTheLedgerExact) {
  constexpr size_t kRounds = 1000000;
  constexpr size_t kKept = 1000;
  std::vector<void*> kept;
  for (size_t i = 0; i < kRounds; ++i) {
    void* block = memory().AllocClear(i % 32, static_cast<int32_t>(i % 3), "loop");
    ASSERT_NE(block, nullptr);
    if (i % (kRounds / kKept) == 0)
      kept.push_back(block);
    else
      memory().Free(block);
  }
  EXPECT_EQ(memory().LiveBlocks(), kKept);
  EXPECT_EQ(memory().AllocationsMade(), kRounds);
  EXPECT_EQ(memory().FreesMade(), kRounds - kKept);
  EXPECT_TRUE(host.misuse().Empty());
  for (void* block : kept) memory().Free(block);
  EXPECT_EQ(memory().LiveBlocks(), 0u);
}

}  // namespace
