#pragma once

#include <cstddef>

namespace tavi {

// The model's small objects and text blocks come from slabs shared by all of them: no allocator
// header per object, and freeing a block is a push onto the free list of its size class. A million
// elements make and free tens of millions of such blocks, which the general heap handles poorly.
// When the last pooled block is freed every slab is released, so a conversion returns its memory
// when it has freed its elements.
inline constexpr std::size_t kPoolGranule = 8;    // blocks come in multiples of this
inline constexpr std::size_t kPoolLargest = 256;  // larger blocks come from operator new

// Callable from any thread. bytes must be the same in both calls.
void* PoolAllocate(std::size_t bytes);
void PoolFree(void* block, std::size_t bytes) noexcept;

struct SPoolStatistics {
  std::size_t liveBlocks = 0;  // pooled blocks handed out and not freed
  std::size_t slabs = 0;
  std::size_t slabBytes = 0;
};
SPoolStatistics GetPoolStatistics();

// Gives T the pool's operator new and delete.
template <class T>
class CPooled {
 public:
  static void* operator new(std::size_t bytes) {
    static_assert(alignof(T) <= kPoolGranule, "pooled blocks are aligned to the granule only");
    return PoolAllocate(bytes);
  }
  static void operator delete(void* block, std::size_t bytes) noexcept { PoolFree(block, bytes); }

 protected:
  CPooled() = default;
  ~CPooled() = default;
  CPooled(const CPooled&) = default;
  CPooled& operator=(const CPooled&) = default;
};

}  // namespace tavi
