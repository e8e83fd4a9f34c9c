#include "model/model_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "model/tavi_element.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

namespace tavi::test {
namespace {

// Tests run one after the other and free what they make, so each starts with an empty pool.
class ModelPool : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(GetPoolStatistics().liveBlocks, 0u); }
  void TearDown() override {
    EXPECT_EQ(GetPoolStatistics().liveBlocks, 0u);
    EXPECT_EQ(GetPoolStatistics().slabs, 0u);
  }
};

struct SClassCase {
  std::size_t freed;
  std::size_t asked;
  bool sameBlock;
};

TEST_F(ModelPool, FreedBlockServesItsSizeClass) {
  for (const SClassCase& size :
       {SClassCase{24, 24, true}, SClassCase{17, 24, true}, SClassCase{24, 17, true},
        SClassCase{1, 8, true}, SClassCase{24, 25, false}, SClassCase{256, 249, true},
        SClassCase{32, 24, false}}) {
    void* anchor = PoolAllocate(8);  // keeps the slab alive between the two blocks
    void* freed = PoolAllocate(size.freed);
    PoolFree(freed, size.freed);
    void* asked = PoolAllocate(size.asked);
    EXPECT_EQ(asked == freed, size.sameBlock) << size.freed << " then " << size.asked;
    PoolFree(asked, size.asked);
    PoolFree(anchor, 8);
  }
}

TEST_F(ModelPool, BlocksAreAlignedAndApart) {
  std::vector<char*> blocks;
  for (std::size_t bytes = 1; bytes <= kPoolLargest; ++bytes) {
    blocks.push_back(static_cast<char*>(PoolAllocate(bytes)));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(blocks.back()) % kPoolGranule, 0u);
    std::memset(blocks.back(), static_cast<int>(bytes), bytes);
  }
  for (std::size_t bytes = 1; bytes <= kPoolLargest; ++bytes) {
    const char* block = blocks[bytes - 1];
    EXPECT_EQ(std::count(block, block + bytes, static_cast<char>(bytes)),
              static_cast<std::ptrdiff_t>(bytes));
  }
  EXPECT_EQ(GetPoolStatistics().liveBlocks, kPoolLargest);
  for (std::size_t bytes = 1; bytes <= kPoolLargest; ++bytes) PoolFree(blocks[bytes - 1], bytes);
}

TEST_F(ModelPool, SlabsAreReleasedWhenTheLastBlockIsFreed) {
  std::vector<void*> blocks;
  for (int i = 0; i < 20000; ++i) blocks.push_back(PoolAllocate(120));  // more than one slab
  const SPoolStatistics full = GetPoolStatistics();
  EXPECT_EQ(full.liveBlocks, 20000u);
  EXPECT_GT(full.slabs, 1u);
  EXPECT_GE(full.slabBytes, 20000u * 120);
  for (std::size_t i = 1; i < blocks.size(); ++i) PoolFree(blocks[i], 120);
  EXPECT_EQ(GetPoolStatistics().slabs, full.slabs);  // one block still holds them
  PoolFree(blocks[0], 120);
  EXPECT_EQ(GetPoolStatistics().slabBytes, 0u);
}

TEST_F(ModelPool, LargeBlocksBypassTheSlabs) {
  char* big = static_cast<char*>(PoolAllocate(kPoolLargest + 1));
  std::memset(big, 7, kPoolLargest + 1);
  EXPECT_EQ(GetPoolStatistics().liveBlocks, 0u);
  EXPECT_EQ(GetPoolStatistics().slabs, 0u);
  PoolFree(big, kPoolLargest + 1);
  PoolFree(nullptr, 8);
}

TEST_F(ModelPool, ModelObjectsAndTextsComeFromThePool) {
  auto element = std::make_unique<CTaviElement>();
  element->SetName(u"Name");
  element->SetPosition(GeoPoint{1, 2});
  element->EnsureDetails();
  element->details->extra8 = WString(300, u'x');  // a large text block
  element->media = std::make_unique<CTaviMedia>();
  element->links = std::make_unique<CTaviLinks>();
  // element, details, address, category, media, links and the name's block
  EXPECT_EQ(GetPoolStatistics().liveBlocks, 7u);
  element.reset();
}

TEST_F(ModelPool, ThreadsShareThePool) {
  const auto work = [](int seed) {
    std::vector<std::pair<char*, std::size_t>> blocks;
    for (int round = 0; round < 2000; ++round) {
      const std::size_t bytes = static_cast<std::size_t>((seed * 31 + round * 7) % 300) + 1;
      char* block = static_cast<char*>(PoolAllocate(bytes));
      std::memset(block, seed, bytes);
      blocks.emplace_back(block, bytes);
      if (round % 3 == 2) {
        for (const auto& [kept, size] : blocks) {
          EXPECT_EQ(std::count(kept, kept + size, static_cast<char>(seed)),
                    static_cast<std::ptrdiff_t>(size));
          PoolFree(kept, size);
        }
        blocks.clear();
      }
    }
    for (const auto& [kept, size] : blocks) PoolFree(kept, size);
  };
  std::vector<std::thread> threads;
  for (int seed = 1; seed <= 4; ++seed) threads.emplace_back(work, seed);
  for (std::thread& thread : threads) thread.join();
}

TEST_F(ModelPool, ElementMadeOnOneThreadIsFreedOnAnother) {
  auto element = std::make_unique<CTaviElement>();
  std::thread maker([&element] { element->SetName(u"made elsewhere"); });
  maker.join();
  std::thread freer([&element] { element.reset(); });
  freer.join();
}

#if defined(__SANITIZE_ADDRESS__)
TEST_F(ModelPool, FreeBlocksAndTheUnusedPartOfASlabArePoisoned) {
  char* anchor = static_cast<char*>(PoolAllocate(8));
  char* block = static_cast<char*>(PoolAllocate(20));
  EXPECT_FALSE(__asan_address_is_poisoned(block + 19));
  EXPECT_TRUE(__asan_address_is_poisoned(block + 20));  // past the asked size, inside the class
  EXPECT_TRUE(__asan_address_is_poisoned(block + 24));  // the rest of the slab
  PoolFree(block, 20);
  EXPECT_TRUE(__asan_address_is_poisoned(block));
  EXPECT_TRUE(__asan_address_is_poisoned(block + 8));
  PoolFree(anchor, 8);
}
#endif

}  // namespace
}  // namespace tavi::test
