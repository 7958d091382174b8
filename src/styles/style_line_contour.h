// The settings of one set of contour lines in a style: lines of equal angle
// between the surface normal and a direction, of equal relative position
// along an axis, or of equal texture coordinate.
#pragma once

#include <string_view>

#include "styles/style_part.h"

namespace pw {

enum StyleLineContourParam : host::ParamID {
  STYLE_LINE_CONTOUR_TYPE = 0,
  STYLE_LINE_CONTOUR_ANGLE_DIR_A = 1,
  STYLE_LINE_CONTOUR_ANGLE_DIR_B = 2,
  STYLE_LINE_CONTOUR_ANGLE_MIN = 3,
  STYLE_LINE_CONTOUR_ANGLE_MAX = 4,
  STYLE_LINE_CONTOUR_ANGLE_STEPS = 5,
  STYLE_LINE_CONTOUR_POS_AXIS = 6,
  STYLE_LINE_CONTOUR_POS_MIN = 7,
  STYLE_LINE_CONTOUR_POS_MAX = 8,
  STYLE_LINE_CONTOUR_POS_STEPS = 9,
  STYLE_LINE_CONTOUR_TEX_AXIS = 10,
  STYLE_LINE_CONTOUR_TEX_CHANNEL = 11,
  STYLE_LINE_CONTOUR_TEX_MIN = 12,
  STYLE_LINE_CONTOUR_TEX_MAX = 13,
  STYLE_LINE_CONTOUR_TEX_STEPS = 14,
};
inline constexpr int kStyleLineContourParamCount = 15;

// What the contour levels measure.
enum LineContourType : int {
  LINE_CONTOUR_BY_ANGLE = 0,
  LINE_CONTOUR_BY_POSITION = 1,
  LINE_CONTOUR_BY_TEXTURE = 2,
};

// Choice counts and names ("" for an index out of range).
inline constexpr int kContourDirACount = 1;    // "Surface Normal"
inline constexpr int kContourDirBCount = 6;    // "View X Axis" .. "Object Z Axis"
inline constexpr int kContourPosAxisCount = 9; // "Object X" .. "View Z"
inline constexpr int kContourTexAxisCount = 3; // "U", "V", "W"
std::string_view ContourDirAName(int index);
std::string_view ContourDirBName(int index);
std::string_view ContourPosAxisName(int index);
std::string_view ContourTexAxisName(int index);

// Mapping channels a contour may read.
inline constexpr int kContourMinTexChannel = 1;
inline constexpr int kContourMaxTexChannel = 99;

class PwStyleLineContour : public PwStylePart {
 public:
  explicit PwStyleLineContour(bool loading = false);

  host::Class_ID ClassID() const override;
  std::string GetClassName() const override { return "PwStyleLineContour"; }
  host::ReferenceTarget* Clone(host::RemapDir& remap) override;
  using host::ReferenceTarget::Clone;

  // Whether a parameter (by id above) carries keys.
  bool IsAnimated(StyleLineContourParam id) const { return IsParamAnimated(id); }

  int GetType() const { return GetIntParam(STYLE_LINE_CONTOUR_TYPE); }
  void SetType(int v) { SetParam(STYLE_LINE_CONTOUR_TYPE, 0, v); }

  int GetAngleDirA() const { return GetIntParam(STYLE_LINE_CONTOUR_ANGLE_DIR_A); }
  void SetAngleDirA(int v) { SetParam(STYLE_LINE_CONTOUR_ANGLE_DIR_A, 0, v); }
  int GetAngleDirB() const { return GetIntParam(STYLE_LINE_CONTOUR_ANGLE_DIR_B); }
  void SetAngleDirB(int v) { SetParam(STYLE_LINE_CONTOUR_ANGLE_DIR_B, 0, v); }
  float GetAngleMin(host::TimeValue t = 0) const { return GetFloatParam(STYLE_LINE_CONTOUR_ANGLE_MIN, t); }
  void SetAngleMin(float v, host::TimeValue t = 0) { SetParam(STYLE_LINE_CONTOUR_ANGLE_MIN, t, v); }
  float GetAngleMax(host::TimeValue t = 0) const { return GetFloatParam(STYLE_LINE_CONTOUR_ANGLE_MAX, t); }
  void SetAngleMax(float v, host::TimeValue t = 0) { SetParam(STYLE_LINE_CONTOUR_ANGLE_MAX, t, v); }
  int GetAngleSteps(host::TimeValue t = 0) const { return GetIntParam(STYLE_LINE_CONTOUR_ANGLE_STEPS, t); }
  void SetAngleSteps(int v, host::TimeValue t = 0) { SetParam(STYLE_LINE_CONTOUR_ANGLE_STEPS, t, v); }

  int GetPosAxis() const { return GetIntParam(STYLE_LINE_CONTOUR_POS_AXIS); }
  void SetPosAxis(int v) { SetParam(STYLE_LINE_CONTOUR_POS_AXIS, 0, v); }
  float GetPosMin(host::TimeValue t = 0) const { return GetFloatParam(STYLE_LINE_CONTOUR_POS_MIN, t); }
  void SetPosMin(float v, host::TimeValue t = 0) { SetParam(STYLE_LINE_CONTOUR_POS_MIN, t, v); }
  float GetPosMax(host::TimeValue t = 0) const { return GetFloatParam(STYLE_LINE_CONTOUR_POS_MAX, t); }
  void SetPosMax(float v, host::TimeValue t = 0) { SetParam(STYLE_LINE_CONTOUR_POS_MAX, t, v); }
  int GetPosSteps(host::TimeValue t = 0) const { return GetIntParam(STYLE_LINE_CONTOUR_POS_STEPS, t); }
  void SetPosSteps(int v, host::TimeValue t = 0) { SetParam(STYLE_LINE_CONTOUR_POS_STEPS, t, v); }

  int GetTexAxis() const { return GetIntParam(STYLE_LINE_CONTOUR_TEX_AXIS); }
  void SetTexAxis(int v) { SetParam(STYLE_LINE_CONTOUR_TEX_AXIS, 0, v); }
  // The mapping channel as used: the stored value clamped to 1..99.
  int GetTexChannel(host::TimeValue t = 0) const;
  void SetTexChannel(int v, host::TimeValue t = 0) { SetParam(STYLE_LINE_CONTOUR_TEX_CHANNEL, t, v); }
  float GetTexMin(host::TimeValue t = 0) const { return GetFloatParam(STYLE_LINE_CONTOUR_TEX_MIN, t); }
  void SetTexMin(float v, host::TimeValue t = 0) { SetParam(STYLE_LINE_CONTOUR_TEX_MIN, t, v); }
  float GetTexMax(host::TimeValue t = 0) const { return GetFloatParam(STYLE_LINE_CONTOUR_TEX_MAX, t); }
  void SetTexMax(float v, host::TimeValue t = 0) { SetParam(STYLE_LINE_CONTOUR_TEX_MAX, t, v); }
  int GetTexSteps(host::TimeValue t = 0) const { return GetIntParam(STYLE_LINE_CONTOUR_TEX_STEPS, t); }
  void SetTexSteps(int v, host::TimeValue t = 0) { SetParam(STYLE_LINE_CONTOUR_TEX_STEPS, t, v); }
};

}  // namespace pw
