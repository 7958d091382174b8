#include "render/pixel_buffer.h"

#include <limits>
#include <new>

namespace pw {

bool PwPixelBuffer::resize(int w, int h) {
  if (w <= 0 || h <= 0) {
    release();
    return w == 0 && h == 0;
  }
  const std::size_t count = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
  try {
    if (count != pixels.size()) {
      std::vector<PwFragment> fresh(count);
      pixels.swap(fresh);
    }
  } catch (const std::bad_alloc&) {
    release();
    return false;
  }
  width = w;
  height = h;
  return true;
}

void PwPixelBuffer::release() {
  std::vector<PwFragment>().swap(pixels);
  width = 0;
  height = 0;
  freePool();
}

std::int32_t PwPixelBuffer::allocFragment() {
  if (freeHead == kNoFragment) {
    if (total > std::numeric_limits<std::int32_t>::max() - kPoolGrowth) return kNoFragment;
    try {
      pool.resize(static_cast<std::size_t>(total) + kPoolGrowth);
    } catch (const std::bad_alloc&) {
      return kNoFragment;
    }
    // The new records join the free list in ascending order.
    for (int i = total; i < total + kPoolGrowth; ++i) pool[static_cast<std::size_t>(i)].next = i + 1;
    pool.back().next = kNoFragment;
    freeHead = total;
    total += kPoolGrowth;
  }
  const std::int32_t taken = freeHead;
  PwFragment& record = pool[static_cast<std::size_t>(taken)];
  freeHead = record.next;
  record = PwFragment();
  return taken;
}

void PwPixelBuffer::releaseChain(std::int32_t first) {
  while (first != kNoFragment) {
    PwFragment& record = pool[static_cast<std::size_t>(first)];
    const std::int32_t following = record.next;
    record.next = freeHead;
    freeHead = first;
    first = following;
  }
}

void PwPixelBuffer::freePool() {
  std::vector<PwFragment>().swap(pool);
  freeHead = kNoFragment;
  total = 0;
}

}  // namespace pw
