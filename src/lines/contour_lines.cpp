#include "lines/contour_lines.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "frame/clip_segment.h"
#include "host/core/matrix3.h"
#include "styles/style_edge_angle.h"
#include "styles/style_line_contour.h"

namespace pw {

namespace {

constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();

host::Point3 PositionOf(const MeshVertex& v) { return {v.x, v.y, v.z}; }

MeshVertex Projected(const PwProjection& proj, const host::Point3& p) {
  const host::Point2 s = project(proj, p);
  return {p.x, p.y, p.z, s.x, s.y};
}

// The camera-space direction angle contours measure against; object axes
// keep the object's scale, as its transform gives them.
host::Point3 AngleDirection(int direction, const PwRenderInstance& instance) {
  static const host::Point3 kAxes[3] = {host::Point3::XAxis(), host::Point3::YAxis(), host::Point3::ZAxis()};
  if (direction < 3) return kAxes[direction];
  return host::VectorTransform(instance.objToCam, kAxes[direction - 3]);
}

// Scales raw values to fractions of [lo, hi]; false when the range has no
// extent (every value alike: no level can be told apart from another).
bool ToFractions(std::span<float> raw, float lo, float hi) {
  const double extent = static_cast<double>(hi) - lo;
  if (!(extent > 0.0) || !std::isfinite(extent)) return false;
  for (float& v : raw) v = static_cast<float>((v - static_cast<double>(lo)) / extent);
  return true;
}

ContourValuesResult AngleValues(const ContourSettings& s, PwRenderInstance& instance, bool twoSided,
                                std::vector<float>& values) {
  const host::Point3 dir = AngleDirection(s.direction, instance);
  const std::vector<MeshFace>& faces = instance.mesh.faces;
  for (std::size_t f = 0; f < faces.size(); ++f) {
    if (!ContourFaceTakesPart(faces[f], twoSided)) continue;
    for (int k = 0; k < 3; ++k)
      values[f * 3 + k] = host::DotProd(instance.GetFaceVertNormal(static_cast<int>(f), k), dir);
  }
  return ContourValuesResult::Ok;
}

ContourValuesResult PositionValues(const ContourSettings& s, const PwRenderInstance& instance, bool twoSided,
                                   std::vector<float>& values, std::vector<float>& perVertex) {
  const PwRenderMesh& mesh = instance.mesh;
  perVertex.resize(mesh.verts.size());
  float lo = std::numeric_limits<float>::max(), hi = -std::numeric_limits<float>::max();
  for (std::size_t i = 0; i < mesh.verts.size(); ++i) {
    host::Point3 p = PositionOf(mesh.verts[i]);
    if (s.space != ContourSpace::Camera) p = p * instance.camToObj;
    if (s.space == ContourSpace::World) p = p * instance.objToWorld;
    const float c = p[s.component];
    perVertex[i] = c;
    lo = std::min(lo, c);
    hi = std::max(hi, c);
  }
  if (!ToFractions(perVertex, lo, hi)) return ContourValuesResult::NothingToDraw;
  for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
    const MeshFace& face = mesh.faces[f];
    if (!ContourFaceTakesPart(face, twoSided)) continue;
    for (int k = 0; k < 3; ++k) values[f * 3 + k] = perVertex[face.v[k]];
  }
  return ContourValuesResult::Ok;
}

ContourValuesResult TextureValues(const ContourSettings& s, const PwRenderMesh& mesh, bool twoSided,
                                  std::vector<float>& values) {
  const PwMapChannel& map = mesh.maps[static_cast<std::size_t>(s.channel)];
  if (map.verts.empty() || map.faces.size() < mesh.faces.size()) return ContourValuesResult::MissingChannel;
  float lo = std::numeric_limits<float>::max(), hi = -std::numeric_limits<float>::max();
  for (const host::Point3& t : map.verts) {
    lo = std::min(lo, t[s.component]);
    hi = std::max(hi, t[s.component]);
  }
  const double extent = static_cast<double>(hi) - lo;
  if (!(extent > 0.0) || !std::isfinite(extent)) return ContourValuesResult::NothingToDraw;
  for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
    if (!ContourFaceTakesPart(mesh.faces[f], twoSided)) continue;
    const host::TVFace& tf = map.faces[f];
    for (int k = 0; k < 3; ++k) {
      // A texture face naming a vertex the channel lacks gives no value.
      values[f * 3 + k] = tf.t[k] < map.verts.size()
                              ? static_cast<float>((map.verts[tf.t[k]][s.component] - static_cast<double>(lo)) / extent)
                              : kNoValue;
    }
  }
  return ContourValuesResult::Ok;
}

}  // namespace

ContourLevels MakeContourLevels(double min, double max, double lo, double hi, int steps) {
  const double a = std::clamp(min, lo, hi);
  const double b = std::clamp(max, lo, hi);
  ContourLevels levels;
  levels.steps = steps < 2 ? 1 : steps;
  levels.start = std::min(a, b);
  levels.step = (b - levels.start) / levels.steps;
  return levels;
}

ContourSettings ResolveContourSettings(const PwStyleLineContour* contour, host::TimeValue t) {
  ContourSettings s;
  if (!contour) return s;
  switch (contour->GetType()) {
    case LINE_CONTOUR_BY_ANGLE:
      s.measure = ContourMeasure::Angle;
      s.direction = std::clamp(contour->GetAngleDirB(), 0, kContourDirBCount - 1);
      s.levels = MakeContourLevels(contour->GetAngleMin(t), contour->GetAngleMax(t), 0.0, kPiFloat,
                                   contour->GetAngleSteps(t));
      break;
    case LINE_CONTOUR_BY_POSITION: {
      s.measure = ContourMeasure::Position;
      const int axis = std::clamp(contour->GetPosAxis(), 0, kContourPosAxisCount - 1);
      s.space = axis < 3 ? ContourSpace::Object : axis < 6 ? ContourSpace::World : ContourSpace::Camera;
      s.component = axis % 3;
      s.levels = MakeContourLevels(contour->GetPosMin(t), contour->GetPosMax(t), 0.0, 1.0, contour->GetPosSteps(t));
      break;
    }
    case LINE_CONTOUR_BY_TEXTURE:
      s.measure = ContourMeasure::Texture;
      s.component = std::clamp(contour->GetTexAxis(), 0, kContourTexAxisCount - 1);
      s.channel = contour->GetTexChannel(t);
      s.levels = MakeContourLevels(contour->GetTexMin(t), contour->GetTexMax(t), 0.0, 1.0, contour->GetTexSteps(t));
      break;
    default: break;
  }
  return s;
}

double ContourIsoValue(const ContourSettings& settings, int i) {
  const double level = settings.levels.Level(i);
  return settings.measure == ContourMeasure::Angle ? std::cos(level) : level;
}

ContourValuesResult ContourCornerValues(const ContourSettings& settings, PwRenderInstance& instance, bool twoSided,
                                        std::vector<float>& values, std::vector<float>& vertexScratch) {
  if (settings.measure == ContourMeasure::None) return ContourValuesResult::NothingToDraw;
  values.assign(instance.mesh.faces.size() * 3, kNoValue);
  switch (settings.measure) {
    case ContourMeasure::Angle: return AngleValues(settings, instance, twoSided, values);
    case ContourMeasure::Position: return PositionValues(settings, instance, twoSided, values, vertexScratch);
    case ContourMeasure::Texture: return TextureValues(settings, instance.mesh, twoSided, values);
    default: return ContourValuesResult::NothingToDraw;
  }
}

int FaceLevelCrossing(const host::Point3 p[3], const float v[3], double iso, host::Point3 out[2]) {
  static constexpr int kFrom[3] = {2, 0, 1};
  int n = 0;
  for (int e = 0; e < 3 && n < 2; ++e) {
    const int a = kFrom[e], b = (a + 1) % 3;
    const double va = v[a], vb = v[b];
    if (!(std::min(va, vb) <= iso && iso <= std::max(va, vb))) continue;
    const double d = va == vb ? 0.0 : (iso - va) / (vb - va);
    out[n++] = {static_cast<float>(p[a].x + (double(p[b].x) - p[a].x) * d),
                static_cast<float>(p[a].y + (double(p[b].y) - p[a].y) * d),
                static_cast<float>(p[a].z + (double(p[b].z) - p[a].z) * d)};
  }
  return n;
}

ContourView MakeContourView(const PwViewState& view) {
  return {view.proj, makeClipPlanes(view.clipWindow, view.proj.perspective)};
}

bool ContourFacePiece(const ContourView& view, const PwRenderMesh& mesh, const MeshFace& f, const float* values,
                      double iso, MeshVertex* a, MeshVertex* b) {
  // Most faces lie wholly above or below a level: rejected before any
  // vertex is read.
  const double lo = std::min({values[0], values[1], values[2]});
  const double hi = std::max({values[0], values[1], values[2]});
  if (!(lo <= iso && iso <= hi)) return false;
  const host::Point3 p[3] = {PositionOf(mesh.verts[f.v[0]]), PositionOf(mesh.verts[f.v[1]]),
                             PositionOf(mesh.verts[f.v[2]])};
  host::Point3 q[2];
  if (FaceLevelCrossing(p, values, iso, q) != 2) return false;
  // A level through a corner only (or along nothing) leaves a point, which
  // would draw nothing.
  if (q[0] == q[1]) return false;
  if (f.faceFlags & FaceClipped) {
    ClippedSegment clipped;
    if (!clipSegment(view.clipPlanes, q[0], q[1], &clipped)) return false;
    q[0] = clipped.a;
    q[1] = clipped.b;
  }
  *a = Projected(view.projection, q[0]);
  *b = Projected(view.projection, q[1]);
  return true;
}

}  // namespace pw
