#include "lines/line_generator.h"

#include <algorithm>
#include <cmath>

#include "host/core/point.h"
#include "host/services/interface.h"
#include "host/shading/mtl.h"
#include "lines/contour_lines.h"
#include "lines/edge_smoothing.h"
#include "styles/style.h"

namespace pw {

namespace {

constexpr float kPi = 3.1415927f;

host::Point3 CameraPoint(const MeshVertex& v) { return {v.x, v.y, v.z}; }

// The face's unit normal in camera space, from its corners.
host::Point3 FaceNormal(const PwRenderMesh& mesh, const MeshFace& f) {
  const host::Point3 a = CameraPoint(mesh.verts[f.v[0]]);
  const host::Point3 b = CameraPoint(mesh.verts[f.v[1]]);
  const host::Point3 c = CameraPoint(mesh.verts[f.v[2]]);
  return host::Normalize(host::CrossProd(b - a, c - a));
}

bool SameCameraPoint(const MeshVertex& a, const MeshVertex& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

}  // namespace

bool LineGenerator::Generate(const PwFrameContext& frame, PwRenderInstance& instance, const PwStyle& style,
                             LineFrameData& frameData, LineStore& store) {
  Prepare(frame, instance, style, frameData);
  store_ = &store;
  PwRenderProgress* progress = frame.progress;
  if (progress) progress->push("Lines");
  // Every kind the style draws, in its order: the drawn flag lets the first
  // kind that accepts an edge keep it.
  bool cancelled = false;
  for (int i = 0; i < kLineKindCount && !cancelled; ++i) {
    const int kind = i < plan_.orderCount ? plan_.order[static_cast<std::size_t>(i)] : -1;
    switch (kind) {
      case -1: break;
      case LINE_KIND_SURFACE_INTERSECTION: SurfaceIntersections(); break;
      case LINE_KIND_SILHOUETTE: Silhouette(); break;
      case LINE_KIND_CONTOURS:
        for (int sub = 0; sub < static_cast<int>(plan_.contourSubOn.size()); ++sub)
          if (plan_.contourSubOn[static_cast<std::size_t>(sub)]) ContourLines(sub);
        break;
      default: EdgePass(kind); break;
    }
    if (progress) {
      progress->update(static_cast<double>(i + 1) / kLineKindCount);
      cancelled = progress->cancelled();
    }
  }
  if (progress) progress->pop();
  return !cancelled;
}

void LineGenerator::Prepare(const PwFrameContext& frame, PwRenderInstance& instance, const PwStyle& style,
                            LineFrameData& frameData) {
  frame_ = &frame;
  instance_ = &instance;
  style_ = &style;
  data_ = &frameData;
  contourChannelWarned_ = false;
  instance.workFlags &= ~kWorkIntersectionsDone;
  frameData.EnsureSize(frame.instances.size());
  const PwViewState& view = *frame.view;
  PlanStyle(style, frame.time, ResolutionScale(view.imageWidth, view.imageHeight), plan_);
  PlanObject(style, instance.material(), instance, frame, plan_);
  view_.perspective = frame.perspective();
  view_.projectionScale = std::fabs(static_cast<double>(view.proj.xscale));

  // Back faces can hide nothing the user sees when the object is one-sided,
  // draws a surface and no hidden parts are wanted.
  const bool frontOnly = !plan_.twoSided && plan_.drawsSurface && plan_.onlyVisibleWanted;
  edges_.Build(instance.mesh, frontOnly);

  overlap_.clear();
  if (frame.settings.hiddenLinesWithOthers) BuildOverlapList(frameData.Occluders(), instance.index, overlap_);
  visibility_.projection = &view.proj;
  visibility_.occluders = frameData.Occluders();
  visibility_.self = instance.index;
  visibility_.overlap = overlap_;
  visibility_.withinObject = frame.settings.hiddenLinesWithinItself;
  visibility_.withOthers = frame.settings.hiddenLinesWithOthers;
  intersectionView_ = MakeIntersectionView(view);
}

std::uint16_t LineGenerator::EdgeMaterial(std::uint32_t faceA, std::uint32_t faceB) const {
  const std::vector<MeshFace>& faces = instance_->mesh.faces;
  const std::uint16_t a = faces[faceA].materialId();
  if (faceB == kNoFace) return a;
  return MaterialOf(a, faces[faceB].materialId());
}

std::uint16_t LineGenerator::MaterialOf(std::uint16_t a, std::uint16_t b) const {
  const MaterialTags& tags = plan_.tags;
  if (tags.count > 0) {
    return tags.priority[static_cast<std::size_t>(tags.Index(a))] < tags.priority[static_cast<std::size_t>(tags.Index(b))]
               ? a
               : b;
  }
  return std::min(a, b);
}

bool LineGenerator::BackSide(const EdgeRecord& r) const {
  if (!plan_.twoSided) return false;
  const std::vector<MeshFace>& faces = instance_->mesh.faces;
  const bool front0 = faces[r.face0].faceFlags & FaceFront;
  const bool front1 = r.face1 != kNoFace && (faces[r.face1].faceFlags & FaceFront);
  return !front0 && !front1;
}

void LineGenerator::EdgeEnds(const EdgeRecord& r, SegmentEnd& a, SegmentEnd& b, bool unitThickness) const {
  const PwRenderMesh& mesh = instance_->mesh;
  const float t0 = vertexAlphaAt(mesh, static_cast<int>(r.low));
  const float t1 = vertexAlphaAt(mesh, static_cast<int>(r.high));
  if (r.partial) {
    const std::span<const ClipPoint> poly = clippedPolygon(mesh, mesh.faces[r.face0]);
    a.pos = poly[r.startPoint].pos;
    b.pos = poly[r.endPoint].pos;
    a.thickness = unitThickness ? 1.0f : static_cast<float>(t0 + (t1 - t0) * r.start);
    b.thickness = unitThickness ? 1.0f : static_cast<float>(t0 + (t1 - t0) * r.end);
    return;
  }
  a.pos = mesh.verts[r.low];
  b.pos = mesh.verts[r.high];
  a.thickness = t0;
  b.thickness = t1;
}

void LineGenerator::Segment(const SegmentEnd& a, const SegmentEnd& b, const SegmentInfo& info,
                            PlaneTolerance tolerance) {
  if (reference_) {
    HiddenIntervalsReference(visibility_, a.pos, b.pos, tolerance, hidden_, scratch_);
  } else {
    HiddenIntervalsOf(visibility_, a.pos, b.pos, tolerance, hidden_, scratch_);
  }
  EmitSegment(a, b, info, hidden_, plan_, view_, *store_);
}

bool LineGenerator::SmoothEdge(const EdgeRecord& r, const SegmentInfo& info) {
  // The curve runs between the mesh vertices even when the first face was
  // cut by the view: its steps are clipped one by one, so an edge keeps its
  // shape as it crosses the border.
  const PwRenderMesh& mesh = instance_->mesh;
  const MeshFace& f = mesh.faces[r.face0];
  int lowCorner = 0, highCorner = 0;
  for (int k = 0; k < 3; ++k) {
    if (f.v[k] == r.low) lowCorner = k;
    if (f.v[k] == r.high) highCorner = k;
  }
  const int face = static_cast<int>(r.face0);
  SmoothedCurve curve;
  if (!SmoothEdgeCurve(CameraPoint(mesh.verts[r.low]), CameraPoint(mesh.verts[r.high]),
                       instance_->GetFaceVertNormal(face, lowCorner), instance_->GetFaceVertNormal(face, highCorner),
                       plan_.smoothingCurvature, &curve)) {
    return false;
  }
  const float t0 = vertexAlphaAt(mesh, static_cast<int>(r.low));
  const float t1 = vertexAlphaAt(mesh, static_cast<int>(r.high));
  const int steps = std::max(1, plan_.smoothingSteps);
  for (int i = 1; i <= steps; ++i) {
    SegmentEnd a, b;
    if (!CurveStep(curve, i, steps, t0, t1, intersectionView_.projection, intersectionView_.clipPlanes, &a, &b))
      continue;
    Segment(a, b, info, PlaneTolerance::Tight);
  }
  return true;
}

void LineGenerator::EdgePass(int kind) {
  const EdgeAngleRange angle = plan_.angle;
  if (kind == LINE_KIND_EDGE_IDS) {
    CollectActiveEdgeIds(instance_->node, frame_->time, instance_->mesh, plan_.edgeIdSubOn, edgeIds_);
    if (edgeIds_.Count() == 0) return;
  }
  const PwRenderMesh& mesh = instance_->mesh;
  const std::vector<MeshFace>& faces = mesh.faces;
  SegmentInfo info;
  info.kind = kind;
  for (EdgeRecord& r : edges_.Records()) {
    if (r.drawn) continue;
    const MeshFace& f0 = faces[r.face0];
    const MeshFace* f1 = r.face1 != kNoFace ? &faces[r.face1] : nullptr;
    info.sub = -1;
    bool accepted = false;
    switch (kind) {
      case LINE_KIND_FOLD:
        accepted = !f1 || ((f0.faceFlags & FaceFront) != (f1->faceFlags & FaceFront));
        break;
      case LINE_KIND_CREASE:
        accepted = f1 && (f0.faceFlags & FaceFront) == (f1->faceFlags & FaceFront) && f0.smGroup != 0 &&
                   (f0.smGroup & f1->smGroup) == 0;
        break;
      case LINE_KIND_EDGE_IDS:
        info.sub = EdgeIdSubItemOf(edgeIds_, mesh, r.low, r.high, r.face0, r.face1);
        accepted = info.sub >= 0;
        break;
      case LINE_KIND_MATERIAL_CHANGE:
        accepted = f1 && f0.materialId() != f1->materialId();
        break;
      case LINE_KIND_MAX_DEFINED: {
        if ((f0.flags & kFaceEdgeVisibleAll) == kFaceEdgeVisibleAll) {
          accepted = true;
          break;
        }
        for (int e = 0; e < 3; ++e) {
          const std::uint32_t a = f0.v[e], b = f0.v[(e + 1) % 3];
          if (std::min(a, b) == r.low && std::max(a, b) == r.high) {
            accepted = (f0.flags & (kFaceEdgeVisible0 << e)) != 0;
            break;
          }
        }
        break;
      }
      case LINE_KIND_ALL: accepted = true; break;
      case LINE_KIND_ANGLE: {
        if (!f1) break;
        const float dot = host::DotProd(FaceNormal(mesh, f0), FaceNormal(mesh, *f1));
        const float a = dot > 1.0f ? 0.0f : dot < -1.0f ? kPi : std::acos(dot);
        accepted = a >= angle.min && a <= angle.max;
        break;
      }
      default: break;
    }
    if (!accepted) continue;
    info.materialId = EdgeMaterial(r.face0, r.face1);
    const MaterialTags& tags = plan_.tags;
    if (tags.count > 0 && tags.excluded[static_cast<std::size_t>(tags.Index(info.materialId))]) continue;
    r.drawn = 1;
    info.backSide = BackSide(r);
    if (plan_.smoothingOn && SmoothEdge(r, info)) continue;
    SegmentEnd a, b;
    EdgeEnds(r, a, b, false);
    if (SameCameraPoint(a.pos, b.pos)) continue;
    Segment(a, b, info, PlaneTolerance::Tight);
  }
}

namespace {

// The end of a piece of A->B at screen parameter s: screen position linear
// in s, camera position and thickness at the parameter in space.
SegmentEnd PieceEnd(const SegmentEnd& a, const SegmentEnd& b, double s, bool perspective) {
  const double u = perspective ? PerspectiveParameter(s, a.pos.z, b.pos.z) : s;
  auto lerp = [](double p, double q, double t) { return static_cast<float>(p + (q - p) * t); };
  SegmentEnd e;
  e.pos.x = lerp(a.pos.x, b.pos.x, u);
  e.pos.y = lerp(a.pos.y, b.pos.y, u);
  e.pos.z = lerp(a.pos.z, b.pos.z, u);
  e.pos.sx = lerp(a.pos.sx, b.pos.sx, s);
  e.pos.sy = lerp(a.pos.sy, b.pos.sy, s);
  e.thickness = lerp(a.thickness, b.thickness, u);
  return e;
}

}  // namespace

void LineGenerator::Silhouette() {
  const InstanceOccluders* own = data_->Of(instance_->index);
  const std::vector<MeshFace>& faces = instance_->mesh.faces;
  // An outline lies on the object's own faces by definition: they must not
  // hide it, only other objects may.
  const bool savedWithin = visibility_.withinObject;
  visibility_.withinObject = false;

  SegmentInfo info;
  info.kind = LINE_KIND_SILHOUETTE;
  for (EdgeRecord& r : edges_.Records()) {
    if (r.drawn) continue;
    const bool front0 = faces[r.face0].faceFlags & FaceFront;
    const bool candidate = r.face1 == kNoFace ? plan_.twoSided || front0
                                              : front0 != ((faces[r.face1].faceFlags & FaceFront) != 0);
    if (!candidate) continue;
    // Taken even if rejected below: later kinds leave it alone.
    r.drawn = 1;
    SegmentEnd a, b;
    EdgeEnds(r, a, b, r.partial != 0);
    const ScreenPoint p{a.pos.sx, a.pos.sy}, q{b.pos.sx, b.pos.sy};

    covered_.Clear();
    bool rejected = false;
    if (own && own->Size() > 0) {
      ScreenDepthBox box;
      box.Add(p.x, p.y, a.pos.z);
      box.Add(q.x, q.y, b.pos.z);
      // The occluders near the edge, each once, in list order.
      std::size_t count = 0;
      if (reference_) {
        candidates_.resize(own->occluders.size());
        for (std::uint32_t i = 0; i < own->occluders.size(); ++i) candidates_[i] = i;
        count = candidates_.size();
      } else {
        count = GatherOverlapping(own->grid, box, false, candidates_);
        std::sort(candidates_.begin(), candidates_.begin() + static_cast<std::ptrdiff_t>(count));
      }
      for (std::size_t k = 0; k < count; ++k) {
        const std::uint32_t i = candidates_[k];
        const Occluder& o = own->occluders[i];
        if (o.face == r.face0 || o.face == r.face1 || !OverlapsOnScreen(o.box, box)) continue;
        const std::span<const ScreenPoint> outline = own->Outline(o);
        double lo = 0.0, hi = 0.0;
        if (IntervalInPolygon(p, q, outline, &lo, &hi)) {
          if (lo > hi) std::swap(lo, hi);
          if (hi - lo < kIntervalMergeTolerance) continue;
          if (lo == 0.0 && hi == 1.0) {
            rejected = true;
            break;
          }
          covered_.Merge(lo, hi);
          if (covered_.CoversAll()) {
            rejected = true;
            break;
          }
        } else if (PointStrictlyInside(p, outline) || PointStrictlyInside(q, outline)) {
          rejected = true;
          break;
        }
      }
    }
    if (rejected) continue;
    info.materialId = EdgeMaterial(r.face0, r.face1);
    info.backSide = BackSide(r);
    ForEachPiece(covered_, [&](const Piece& piece) {
      if (piece.state != PieceState::Visible) return;
      if (piece.whole) {
        Segment(a, b, info, PlaneTolerance::Tight);
        return;
      }
      Segment(PieceEnd(a, b, piece.start, view_.perspective), PieceEnd(a, b, piece.end, view_.perspective), info,
              PlaneTolerance::Tight);
    });
  }
  visibility_.withinObject = savedWithin;
}

void LineGenerator::SurfaceIntersections() {
  const InstanceOccluders* own = data_->Of(instance_->index);
  if (!own || own->Size() == 0) return;
  const PwRenderMesh& mesh = instance_->mesh;
  restrictWithin_ = RestrictedFaces(instance_->node, false, restrictWithinBits_) ? &restrictWithinBits_ : nullptr;
  restrictOthers_ = RestrictedFaces(instance_->node, true, restrictOthersBits_) ? &restrictOthersBits_ : nullptr;
  SegmentInfo info;
  info.kind = LINE_KIND_SURFACE_INTERSECTION;
  // Face E of meshE crossing face W of this object; the material rule takes
  // the other face first.
  auto cross = [&](const PwRenderMesh& meshE, const InstanceOccluders& occE, std::uint32_t e, std::uint32_t w) {
    const Occluder& oe = occE.occluders[e];
    const Occluder& ow = own->occluders[w];
    SegmentEnd s, t;
    if (!IntersectionSegment(intersectionView_, meshE, oe, *own, ow, &s.pos, &t.pos)) return;
    info.materialId = MaterialOf(meshE.faces[oe.face].materialId(), mesh.faces[ow.face].materialId());
    Segment(s, t, info, PlaneTolerance::Tight);
  };
  if (frame_->settings.intersectionsWithinItself) {
    auto within = [&](std::uint32_t w, std::uint32_t e) { cross(mesh, *own, e, w); };
    if (reference_) {
      ForEachIntersectionPairReference(*own, restrictWithin_, pairs_, within);
    } else {
      ForEachIntersectionPair(*own, restrictWithin_, pairs_, within);
    }
  }
  if (frame_->settings.intersectionsWithOthers) {
    // Each pair of objects once a frame: objects already done found their
    // crossings with this one.
    for (const PwRenderInstance* other : frame_->visible()) {
      if (other == instance_ || (other->workFlags & kWorkIntersectionsDone)) continue;
      const InstanceOccluders* occ = data_->Of(other->index);
      if (!occ || occ->Size() == 0 || !Overlaps3d(own->box, occ->box)) continue;
      auto between = [&](std::uint32_t w, std::uint32_t e) { cross(other->mesh, *occ, e, w); };
      if (reference_) {
        ForEachIntersectionPairBetweenReference(*own, *occ, restrictOthers_, pairs_, between);
      } else {
        ForEachIntersectionPairBetween(*own, *occ, restrictOthers_, pairs_, between);
      }
    }
    instance_->workFlags |= kWorkIntersectionsDone;
  }
}

void LineGenerator::ContourLines(int contour) {
  const ContourSettings& settings = plan_.contours[static_cast<std::size_t>(contour)];
  const ContourValuesResult values =
      ContourCornerValues(settings, *instance_, plan_.twoSided, contourValues_, contourVertexValues_);
  if (values == ContourValuesResult::MissingChannel && !contourChannelWarned_) {
    host::WarningMessage("Object doesn't have any texture coordinates in channel %d.", settings.channel);
    contourChannelWarned_ = true;
  }
  if (values != ContourValuesResult::Ok) return;
  const ContourView view = MakeContourView(*frame_->view);
  const PwRenderMesh& mesh = instance_->mesh;
  SegmentInfo info;
  info.kind = LINE_KIND_CONTOURS;
  info.sub = contour;
  SegmentEnd a, b;
  for (int level = 0; level < settings.levels.Count(); ++level) {
    const double iso = ContourIsoValue(settings, level);
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
      const MeshFace& face = mesh.faces[f];
      if (!ContourFaceTakesPart(face, plan_.twoSided)) continue;
      if (!ContourFacePiece(view, mesh, face, &contourValues_[f * 3], iso, &a.pos, &b.pos)) continue;
      info.materialId = face.materialId();
      info.backSide = plan_.twoSided && !(face.faceFlags & FaceFront);
      Segment(a, b, info, PlaneTolerance::Loose);
    }
  }
}

}  // namespace pw
