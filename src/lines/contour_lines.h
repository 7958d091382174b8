// Contour lines: iso-lines across an object's faces of one value per face
// corner (the angle between the corner normal and a direction, a relative
// position along an axis, or a relative texture coordinate), one straight
// piece per face and level.
//
// The settings are resolved once per object into plain values; the corner
// values are computed once per object and contour, and every level then
// walks the faces reading only those values and the mesh.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "frame/clip_planes.h"
#include "frame/instance.h"
#include "frame/mesh_records.h"
#include "frame/projection.h"
#include "frame/view_state.h"
#include "host/core/point.h"
#include "host/core/time.h"

namespace pw {

class PwStyleLineContour;

enum class ContourMeasure : std::uint8_t {
  None,      // a type the style does not know: nothing is drawn
  Angle,     // corner normal against a direction
  Position,  // corner position within the object's box
  Texture,   // corner texture coordinate within the channel's box
};

enum class ContourSpace : std::uint8_t { Object, World, Camera };

// The levels of a contour: start + i * step for i = 0..steps, both ends
// included.
struct ContourLevels {
  double start = 0.0;
  double step = 0.0;
  int steps = 1;

  int Count() const { return steps + 1; }
  double Level(int i) const { return start + i * step; }
};

// Levels from a range clamped to lo..hi and a step count (below 2 means 1).
// When min > max every level is max.
ContourLevels MakeContourLevels(double min, double max, double lo, double hi, int steps);

// One contour sub-item's settings at the frame time.
struct ContourSettings {
  ContourMeasure measure = ContourMeasure::None;
  // Angle: 0..2 the camera's axes, 3..5 the object's axes.
  int direction = 2;
  // Position: the space; position and texture: the component (0 x/U, 1 y/V,
  // 2 z/W).
  ContourSpace space = ContourSpace::Object;
  int component = 0;
  int channel = 1;  // texture: map channel, 1..99
  ContourLevels levels;
};

ContourSettings ResolveContourSettings(const PwStyleLineContour* contour, host::TimeValue t);

// The value the corner values are compared with at level i: the cosine of
// the level for angles, the level itself otherwise.
double ContourIsoValue(const ContourSettings& settings, int i);

enum class ContourValuesResult {
  Ok,
  NothingToDraw,   // an unknown type, or a box without extent along the component
  MissingChannel,  // texture contours on a channel the mesh lacks
};

// Whether a face takes part in contours at all.
inline bool ContourFaceTakesPart(const MeshFace& f, bool twoSided) {
  return !(f.faceFlags & FaceExcluded) && (twoSided || (f.faceFlags & FaceFront));
}

// The three corner values of every face that takes part into values (three
// per face, in face order; other faces are left as NaN, which crosses no
// level). vertexScratch is reused per-vertex storage.
ContourValuesResult ContourCornerValues(const ContourSettings& settings, PwRenderInstance& instance, bool twoSided,
                                        std::vector<float>& values, std::vector<float>& vertexScratch);

// Where level `iso` crosses a face with corners p and corner values v:
// edges visited 2 to 0, 0 to 1, 1 to 2, each giving a point when iso lies
// between its ends' values, stopping at the second. Returns the number of
// points written (0, 1 or 2).
int FaceLevelCrossing(const host::Point3 p[3], const float v[3], double iso, host::Point3 out[2]);

// What a piece needs of the view: projection and the view's clip planes.
struct ContourView {
  PwProjection projection;
  ClipPlanes clipPlanes;
};

ContourView MakeContourView(const PwViewState& view);

// The piece of level `iso` on face f (values: its three corner values),
// projected and, on a clipped face, clipped to the view. False when the
// level misses the face, meets it in one point only or the piece lies
// outside the view.
bool ContourFacePiece(const ContourView& view, const PwRenderMesh& mesh, const MeshFace& f, const float* values,
                      double iso, MeshVertex* a, MeshVertex* b);

}  // namespace pw
