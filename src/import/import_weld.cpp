#include "import/import_weld.h"

#include <bit>
#include <unordered_map>

namespace host {

namespace {

struct PositionKey {
  std::uint32_t x, y, z;
  friend bool operator==(const PositionKey&, const PositionKey&) = default;
};

// -0 and 0 are one position.
std::uint32_t Bits(float f) { return f == 0.0f ? 0u : std::bit_cast<std::uint32_t>(f); }

struct PositionHash {
  std::size_t operator()(const PositionKey& k) const {
    std::uint64_t h = k.x * 0x9E3779B97F4A7C15ull;
    h ^= (h >> 29) + k.y * 0xBF58476D1CE4E5B9ull;
    h ^= (h >> 31) + k.z * 0x94D049BB133111EBull;
    return static_cast<std::size_t>(h ^ (h >> 32));
  }
};

}  // namespace

void WeldByPosition(std::span<const Point3> positions, std::vector<std::uint32_t>& remap, std::vector<Point3>& welded) {
  remap.resize(positions.size());
  welded.clear();
  std::unordered_map<PositionKey, std::uint32_t, PositionHash> seen;
  seen.reserve(positions.size());
  for (std::size_t i = 0; i < positions.size(); ++i) {
    const Point3& p = positions[i];
    auto [it, added] =
        seen.try_emplace(PositionKey{Bits(p.x), Bits(p.y), Bits(p.z)}, static_cast<std::uint32_t>(welded.size()));
    if (added) welded.push_back(p);
    remap[i] = it->second;
  }
}

}  // namespace host
