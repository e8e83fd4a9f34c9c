#include "writer/list_bounds.h"

#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tavi {

namespace {

constexpr std::int32_t kLowest = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kHighest = std::numeric_limits<std::int32_t>::max();

}  // namespace

SListBounds::SListBounds() {
  for (std::size_t slot = 0; slot < kMaxNodesPerList; ++slot) Clear(slot);
}

void SListBounds::Set(std::size_t slot, const BoundingRect& rect) {
  bottom[slot] = rect.bottom;
  top[slot] = rect.top;
  west[slot] = rect.left;
  if (rect.right < kAntimeridian) {
    east[slot] = rect.right;
    wrapWest[slot] = kHighest;
    wrapEast[slot] = kLowest;
  } else {
    east[slot] = kHighest;
    wrapWest[slot] = kLowest;
    wrapEast[slot] = rect.right - kFullCircle;
  }
}

// No y lies at or below kLowest and at or above kHighest at once.
void SListBounds::Clear(std::size_t slot) {
  bottom[slot] = kHighest;
  top[slot] = kLowest;
  west[slot] = kHighest;
  east[slot] = kLowest;
  wrapWest[slot] = kHighest;
  wrapEast[slot] = kLowest;
}

unsigned ContainingNodesOneByOne(const SListBounds& bounds, std::int32_t wrappedX, std::int32_t y) {
  unsigned mask = 0;
  for (std::size_t i = 0; i < kMaxNodesPerList; ++i) {
    const bool inLatitude = bounds.bottom[i] <= y && y <= bounds.top[i];
    const bool inLongitude = (bounds.west[i] <= wrappedX && wrappedX <= bounds.east[i]) ||
                             (bounds.wrapWest[i] <= wrappedX && wrappedX <= bounds.wrapEast[i]);
    if (inLatitude && inLongitude) mask |= 1u << i;
  }
  return mask;
}

#if defined(__SSE2__)

namespace {

constexpr std::size_t kLanes = 4;

__m128i Lanes(const std::array<std::int32_t, kMaxNodesPerList>& field, std::size_t first) {
  return _mm_load_si128(reinterpret_cast<const __m128i*>(field.data() + first));
}

// Lanes holding -1 where value lies outside low..high.
__m128i Outside(__m128i low, __m128i high, __m128i value) {
  return _mm_or_si128(_mm_cmpgt_epi32(low, value), _mm_cmpgt_epi32(value, high));
}

}  // namespace

unsigned ContainingNodes(const SListBounds& bounds, std::int32_t wrappedX, std::int32_t y) {
  const __m128i x = _mm_set1_epi32(wrappedX);
  const __m128i latitude = _mm_set1_epi32(y);
  unsigned mask = 0;
  for (std::size_t first = 0; first < kMaxNodesPerList; first += kLanes) {
    const __m128i offLatitude =
        Outside(Lanes(bounds.bottom, first), Lanes(bounds.top, first), latitude);
    const __m128i offRange = Outside(Lanes(bounds.west, first), Lanes(bounds.east, first), x);
    const __m128i offWrapped =
        Outside(Lanes(bounds.wrapWest, first), Lanes(bounds.wrapEast, first), x);
    const __m128i outside = _mm_or_si128(offLatitude, _mm_and_si128(offRange, offWrapped));
    const auto outsideBits = static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(outside)));
    mask |= (~outsideBits & 0xFu) << first;
  }
  return mask;
}

#else

unsigned ContainingNodes(const SListBounds& bounds, std::int32_t wrappedX, std::int32_t y) {
  return ContainingNodesOneByOne(bounds, wrappedX, y);
}

#endif

}  // namespace tavi
