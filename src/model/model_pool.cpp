#include "model/model_pool.h"

#include <sanitizer/asan_interface.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

namespace tavi {

namespace {

constexpr std::size_t kClasses = kPoolLargest / kPoolGranule;
constexpr std::size_t kFirstSlabBytes = 64 * 1024;  // one element made and freed stays cheap
constexpr std::size_t kLargestSlabBytes = 1024 * 1024;

// The pool's own references into its slabs are stored hidden, so that LeakSanitizer does not count
// them: a slab still alive at exit then shows as a leak of whatever was allocated in it.
constexpr auto kHideMask = static_cast<std::uintptr_t>(0xA5A5A5A5A5A5A5A5ULL);

std::uintptr_t Hide(char* pointer) {
  return reinterpret_cast<std::uintptr_t>(pointer) ^ kHideMask;
}

char* Reveal(std::uintptr_t hidden) {
  return reinterpret_cast<char*>(hidden ^ kHideMask);
}

std::size_t ClassOf(std::size_t bytes) {
  return (std::max<std::size_t>(bytes, 1) - 1) / kPoolGranule;
}

std::size_t ClassBytes(std::size_t sizeClass) {
  return (sizeClass + 1) * kPoolGranule;
}

std::size_t SlabBytes(std::size_t index) {
  return std::min(kLargestSlabBytes, kFirstSlabBytes << std::min<std::size_t>(index, 8));
}

// Elements are made and freed on one thread, so the pool's lock is nearly always free, and taking a
// free std::mutex costs more than the rest of an allocation. The holder keeps it for a few
// instructions; a waiter yields in case the holder was preempted.
class CSpinLock {
 public:
  void lock() {
    while (m_taken.test_and_set(std::memory_order_acquire)) {
      while (m_taken.test(std::memory_order_relaxed)) std::this_thread::yield();
    }
  }
  void unlock() { m_taken.clear(std::memory_order_release); }

 private:
  std::atomic_flag m_taken;
};

class CSlabPool {
 public:
  CSlabPool() { m_freeLists.fill(Hide(nullptr)); }

  void* Allocate(std::size_t bytes) {
    const std::size_t sizeClass = ClassOf(bytes);
    const std::lock_guard lock(m_lock);
    char* block = PopFree(sizeClass);
    if (block == nullptr) block = Carve(ClassBytes(sizeClass));
    ++m_live;
    ASAN_UNPOISON_MEMORY_REGION(block, bytes);
    return block;
  }

  void Free(char* block, std::size_t bytes) {
    const std::size_t sizeClass = ClassOf(bytes);
    const std::lock_guard lock(m_lock);
    ASAN_UNPOISON_MEMORY_REGION(block, sizeof(std::uintptr_t));
    StoreLink(block, m_freeLists[sizeClass]);
    m_freeLists[sizeClass] = Hide(block);
    ASAN_POISON_MEMORY_REGION(block, ClassBytes(sizeClass));
    if (--m_live == 0) ReleaseSlabs();
  }

  SPoolStatistics Statistics() {
    const std::lock_guard lock(m_lock);
    SPoolStatistics statistics;
    statistics.liveBlocks = m_live;
    statistics.slabs = m_slabs.size();
    for (std::size_t i = 0; i < m_slabs.size(); ++i) statistics.slabBytes += SlabBytes(i);
    return statistics;
  }

 private:
  static void StoreLink(char* block, std::uintptr_t link) {
    std::copy_n(reinterpret_cast<const char*>(&link), sizeof link, block);
  }
  static std::uintptr_t LoadLink(const char* block) {
    std::uintptr_t link = 0;
    std::copy_n(block, sizeof link, reinterpret_cast<char*>(&link));
    return link;
  }

  char* PopFree(std::size_t sizeClass) {
    char* block = Reveal(m_freeLists[sizeClass]);
    if (block == nullptr) return nullptr;
    ASAN_UNPOISON_MEMORY_REGION(block, sizeof(std::uintptr_t));
    m_freeLists[sizeClass] = LoadLink(block);
    ASAN_POISON_MEMORY_REGION(block, sizeof(std::uintptr_t));
    return block;
  }

  // Cuts a block from the newest slab; what is left of a slab too small for it stays unused.
  char* Carve(std::size_t classBytes) {
    if (m_room < classBytes) AddSlab();
    char* block = Reveal(m_cursor);
    m_cursor = Hide(block + classBytes);
    m_room -= classBytes;
    return block;
  }

  void AddSlab() {
    m_slabs.reserve(m_slabs.size() + 1);
    const std::size_t bytes = SlabBytes(m_slabs.size());
    char* slab = static_cast<char*>(::operator new(bytes));
    ASAN_POISON_MEMORY_REGION(slab, bytes);
    m_slabs.push_back(Hide(slab));
    m_cursor = Hide(slab);
    m_room = bytes;
  }

  void ReleaseSlabs() {
    for (std::size_t i = 0; i < m_slabs.size(); ++i) {
      ASAN_UNPOISON_MEMORY_REGION(Reveal(m_slabs[i]), SlabBytes(i));
      ::operator delete(Reveal(m_slabs[i]));
    }
    m_slabs.clear();
    m_freeLists.fill(Hide(nullptr));
    m_cursor = Hide(nullptr);
    m_room = 0;
  }

  CSpinLock m_lock;
  std::array<std::uintptr_t, kClasses> m_freeLists{};
  std::vector<std::uintptr_t> m_slabs;
  std::uintptr_t m_cursor = Hide(nullptr);
  std::size_t m_room = 0;
  std::size_t m_live = 0;
};

// Never destroyed: objects that static objects own may be freed after every destructor has run.
CSlabPool& Pool() {
  static CSlabPool* const pool = new CSlabPool;
  return *pool;
}

}  // namespace

void* PoolAllocate(std::size_t bytes) {
  if (bytes > kPoolLargest) return ::operator new(bytes);
  return Pool().Allocate(bytes);
}

void PoolFree(void* block, std::size_t bytes) noexcept {
  if (block == nullptr) return;
  if (bytes > kPoolLargest) {
    ::operator delete(block);
  } else {
    Pool().Free(static_cast<char*>(block), bytes);
  }
}

SPoolStatistics GetPoolStatistics() {
  return Pool().Statistics();
}

}  // namespace tavi
