#include "styles/style_legacy.h"

#include <algorithm>
#include <memory>
#include <numeric>
#include <vector>

#include "library/object_library.h"
#include "styles/style.h"

namespace pw {

namespace {

// Ignored value, three switches, five positions, seven kinds of three switches.
constexpr int kLegacyTreeValues = 1 + 3 + kStyleLegacyPositionCount + 3 * kStyleLegacyKindCount;

constexpr std::array<int, kStyleLegacyKindCount> kLegacyToLineKind = {
    LINE_KIND_ALL,     LINE_KIND_FOLD,       LINE_KIND_CREASE,
    LINE_KIND_MAX_DEFINED, LINE_KIND_MATERIAL_CHANGE, LINE_KIND_SILHOUETTE,
    LINE_KIND_SURFACE_INTERSECTION,
};

// Kinds of the five old positions, in the order the positions are stored.
constexpr std::array<int, kStyleLegacyPositionCount> kPositionedKinds = {
    LINE_KIND_ALL, LINE_KIND_FOLD, LINE_KIND_CREASE, LINE_KIND_MAX_DEFINED, LINE_KIND_MATERIAL_CHANGE,
};

bool IsPermutationOfPositions(const std::array<int, kStyleLegacyPositionCount>& positions) {
  std::array<bool, kStyleLegacyPositionCount> seen{};
  for (int p : positions) {
    if (p < 0 || p >= kStyleLegacyPositionCount || seen[static_cast<std::size_t>(p)]) return false;
    seen[static_cast<std::size_t>(p)] = true;
  }
  return true;
}

}  // namespace

host::IOResult ReadStyleLegacyTree(host::ILoad& iload, StyleLegacyRecord& record) {
  std::array<std::int32_t, kLegacyTreeValues> v{};
  std::size_t n = 0;
  if (iload.CurChunkRemaining() < sizeof v || iload.Read(v.data(), sizeof v, &n) != host::IO_OK) {
    record.legacy = false;
    iload.SetError("style: the switches of its old line kinds are incomplete");
    return host::IO_ERROR;
  }
  std::size_t at = 1;  // v[0] is not used
  auto next = [&v, &at] { return v[at++]; };
  record.forceAllLinesVisible = next() != 0;
  record.linesOn = next() != 0;
  record.surfaceOn = next() != 0;
  for (int& p : record.positions) p = next();
  for (StyleLegacySwitches& k : record.kinds) {
    k.on = next() != 0;
    k.visibleOn = next() != 0;
    k.hiddenOn = next() != 0;
  }
  record.legacy = true;
  return host::IO_OK;
}

int StyleLegacyLineKind(int oldKind) {
  if (oldKind < 0 || oldKind >= kStyleLegacyKindCount) return -1;
  return kLegacyToLineKind[static_cast<std::size_t>(oldKind)];
}

std::array<int, 10> StyleLegacyLineOrder(const std::array<int, kStyleLegacyPositionCount>& positions) {
  std::array<int, 10> order{};
  order[5] = LINE_KIND_SURFACE_INTERSECTION;
  order[6] = LINE_KIND_EDGE_IDS;
  order[7] = LINE_KIND_ANGLE;
  order[8] = LINE_KIND_SILHOUETTE;
  order[9] = LINE_KIND_CONTOURS;
  std::array<int, kStyleLegacyPositionCount> slot{};
  if (IsPermutationOfPositions(positions)) {
    slot = positions;
  } else {
    // Rank the five kinds by their stored positions, ties in file order.
    std::array<int, kStyleLegacyPositionCount> byRank{};
    std::iota(byRank.begin(), byRank.end(), 0);
    std::stable_sort(byRank.begin(), byRank.end(), [&positions](int a, int b) {
      return positions[static_cast<std::size_t>(a)] < positions[static_cast<std::size_t>(b)];
    });
    for (int rank = 0; rank < kStyleLegacyPositionCount; ++rank) slot[static_cast<std::size_t>(byRank[static_cast<std::size_t>(rank)])] = rank;
  }
  for (int i = 0; i < kStyleLegacyPositionCount; ++i)
    order[static_cast<std::size_t>(slot[static_cast<std::size_t>(i)])] = kPositionedKinds[static_cast<std::size_t>(i)];
  return order;
}

// Turns a format-3 style into the tree. A friend of PwStyle: it has to let
// go of the old references while the style still counts them.
struct StyleLegacyConverter {
  using Slots = std::array<host::ReferenceTarget*, kStyleLegacyRefCount>;

  static void Convert(PwStyle& style, PwObjectLibrary& library, StyleLegacyRecord& record) {
    // The loaded objects stay alive while the style drops its references to
    // them; whatever the new tree does not take up is freed at the end.
    const Slots slots = record.slots;
    std::vector<std::unique_ptr<host::RefHolder>> keep;
    for (host::ReferenceTarget* obj : slots) keep.push_back(std::make_unique<host::RefHolder>(obj));
    for (int i = kStyleLegacyRefCount - 1; i >= 0; --i) style.DeleteReference(i);
    record.legacy = false;  // the style has its one reference again

    style.MakeFreshBlock();
    style.BuildDefaultTree(&library, true);
    style.SetForceAllLinesVisible(record.forceAllLinesVisible);
    style.SetLinesOn(record.linesOn);
    style.SetSurfaceOn(record.surfaceOn);
    const std::array<int, 10> order = StyleLegacyLineOrder(record.positions);
    for (int p = 0; p < kLineKindCount; ++p) style.SetLineOrder(order[static_cast<std::size_t>(p)], p);

    for (int old = 0; old < kStyleLegacyKindCount; ++old) {
      const StyleLegacySwitches& sw = record.kinds[static_cast<std::size_t>(old)];
      PwStyleTreeItem* item = style.GetLineKindItem(StyleLegacyLineKind(old));
      if (!item) continue;
      item->SetOn(sw.on);
      ApplyWhere(item->GetChild(STYLE_WHERE_VISIBLE), sw.visibleOn, slots, old, false);
      ApplyWhere(item->GetChild(STYLE_WHERE_HIDDEN), sw.hiddenOn, slots, old, true);
    }
    // A slot that is empty or holds something else keeps the default the
    // tree was built with, so no line ends up without a tool.
    if (auto* surface = dynamic_cast<PwObject*>(slots[kStyleLegacySurfaceSlot])) style.SetSurface(surface);
  }

  static void ApplyWhere(PwStyleTreeItem* where, bool on, const Slots& slots, int old, bool hidden) {
    if (!where) return;
    where->SetOn(on);
    auto* tools = dynamic_cast<PwStyleDrawingTools*>(where->GetData());
    if (!tools) return;
    auto tool = [&](int which) {
      return dynamic_cast<PwObject*>(slots[static_cast<std::size_t>(StyleLegacyToolSlot(old, hidden, which))]);
    };
    if (PwObject* brush = tool(STYLE_LEGACY_BRUSH)) tools->SetBrush(brush);
    if (PwObject* stroke = tool(STYLE_LEGACY_STROKE)) tools->SetStroke(stroke);
    if (PwObject* paint = tool(STYLE_LEGACY_PAINT)) tools->SetPaint(paint);
  }
};

void PwStyle::PostLibraryLoaded(PwObjectLibrary& library, host::TimeValue /*t*/) {
  if (!legacy_) return;
  // Freed whatever happens; InLegacyLayout() reads it until then.
  StyleLegacyRecord& record = *legacy_;
  switch (record.formatVersion) {
    case 1:
    case 2:
      MakeFreshBlock();
      BuildDefaultTree(&library, true);
      break;
    case 3:
      if (record.legacy) {
        StyleLegacyConverter::Convert(*this, library, record);
      } else {
        // A format-3 style without its old switches: nothing to carry over.
        MakeFreshBlock();
        BuildDefaultTree(&library, true);
      }
      break;
    default:
      break;
  }
  legacy_.reset();
}

}  // namespace pw
