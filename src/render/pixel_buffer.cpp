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

bool PwPixelBuffer::isHidden(float depth, std::size_t pixel) const {
  const PwFragment* record = &pixels[pixel];
  while (true) {
    if (record->opaque() && depth < record->depth) return true;
    if (record->next == kNoFragment) return false;
    record = &pool[static_cast<std::size_t>(record->next)];
  }
}

bool PwPixelBuffer::insert(const PwFragment& fragment, std::size_t pixel) {
  PwFragment& front = pixels[pixel];
  const bool opaque = fragment.opaque();
  if (front.empty() && opaque) {
    front = fragment;
    front.next = kNoFragment;
    return true;
  }
  if (fragment.depth > front.depth) {
    if (opaque) {
      releaseChain(front.next);
      front = fragment;
      front.next = kNoFragment;
      return true;
    }
    const std::int32_t behind = allocFragment();
    if (behind == kNoFragment) return false;
    // The pool may have moved: reach the front record again by index.
    pool[static_cast<std::size_t>(behind)] = pixels[pixel];
    PwFragment& f = pixels[pixel];
    f = fragment;
    f.next = behind;
    return true;
  }
  // Walk the chain by index: growing the pool moves its records.
  std::int32_t current = kNoFragment;  // the front record
  auto record = [&](std::int32_t i) -> PwFragment& {
    return i == kNoFragment ? pixels[pixel] : pool[static_cast<std::size_t>(i)];
  };
  while (true) {
    const PwFragment& cur = record(current);
    if (cur.opaque()) return true;  // hidden: dropped
    const std::int32_t successor = cur.next;
    if (successor == kNoFragment) {
      const std::int32_t added = allocFragment();
      if (added == kNoFragment) return false;
      pool[static_cast<std::size_t>(added)] = fragment;
      pool[static_cast<std::size_t>(added)].next = kNoFragment;
      record(current).next = added;
      return true;
    }
    PwFragment& s = pool[static_cast<std::size_t>(successor)];
    if (fragment.depth > s.depth) {
      if (opaque) {
        releaseChain(s.next);
        s = fragment;
        s.next = kNoFragment;
        return true;
      }
      const std::int32_t added = allocFragment();
      if (added == kNoFragment) return false;
      pool[static_cast<std::size_t>(added)] = fragment;
      pool[static_cast<std::size_t>(added)].next = successor;
      record(current).next = added;
      return true;
    }
    current = successor;
  }
}

namespace {

inline std::uint16_t saturated(std::uint32_t v) { return static_cast<std::uint16_t>(v > 65535u ? 65535u : v); }

}  // namespace

void PwPixelBuffer::resolve() {
  for (PwFragment& front : pixels) {
    if (front.opaque() || front.empty()) continue;
    chainScratch_.clear();
    for (std::int32_t i = front.next; i != kNoFragment; i = pool[static_cast<std::size_t>(i)].next)
      chainScratch_.push_back(i);
    const PwFragment& last = chainScratch_.empty() ? front : pool[static_cast<std::size_t>(chainScratch_.back())];
    std::uint32_t r = last.red, g = last.green, b = last.blue, a = last.alpha;
    // From the record before the last back to the front record.
    for (std::size_t k = chainScratch_.size(); k-- > 0;) {
      const PwFragment& rec = k == 0 ? front : pool[static_cast<std::size_t>(chainScratch_[k - 1])];
      const std::uint32_t ra = rec.alpha;
      if (rec.flags & kFragmentAdditive) {
        r = saturated(r + rec.red);
        g = saturated(g + rec.green);
        b = saturated(b + rec.blue);
        a = ra == kOpaqueAlpha ? kOpaqueAlpha : saturated(ra + ((a * (65536u - ra)) >> 16));
      } else if (ra == kOpaqueAlpha) {
        r = rec.red;
        g = rec.green;
        b = rec.blue;
        a = ra;
      } else {
        const std::uint32_t keep = 65536u - ra;
        r = saturated(((r * keep) >> 16) + rec.red);
        g = saturated(((g * keep) >> 16) + rec.green);
        b = saturated(((b * keep) >> 16) + rec.blue);
        a = saturated(ra + ((a * keep) >> 16));
      }
    }
    front.red = static_cast<std::uint16_t>(r);
    front.green = static_cast<std::uint16_t>(g);
    front.blue = static_cast<std::uint16_t>(b);
    front.alpha = static_cast<std::uint16_t>(a);
    front.next = kNoFragment;
  }
  freePool();
}

void PwPixelBuffer::freePool() {
  std::vector<PwFragment>().swap(pool);
  freeHead = kNoFragment;
  total = 0;
}

}  // namespace pw
