#include "styles/style_line_contour.h"

#include <algorithm>
#include <array>

#include "styles/style_edge_angle.h"
#include "plugin/class_ids.h"

namespace pw {

namespace {

using host::ParamDef;

const host::ParamBlockDesc2 kLineContourBlock(
    host::BlockSpec(0, "StyleLineContourParameters", PW_STYLE_LINE_CONTOUR_CLASS_ID, host::REF_TARGET_CLASS_ID)
        .AutoConstruct(PwStylePart::PARAMBLOCK_REF),
    {
        ParamDef(STYLE_LINE_CONTOUR_TYPE, "styleLineContourType", host::TYPE_INT).Default(0).Range(0, 2),
        ParamDef(STYLE_LINE_CONTOUR_ANGLE_DIR_A, "styleLineContourAngleDirA", host::TYPE_INT)
            .Default(0)
            .Range(0, kContourDirACount - 1),
        ParamDef(STYLE_LINE_CONTOUR_ANGLE_DIR_B, "styleLineContourAngleDirB", host::TYPE_INT)
            .Default(2)
            .Range(0, kContourDirBCount - 1),
        ParamDef(STYLE_LINE_CONTOUR_ANGLE_MIN, "styleLineContourAngleMin", host::TYPE_ANGLE).Animatable().Default(0.0f),
        ParamDef(STYLE_LINE_CONTOUR_ANGLE_MAX, "styleLineContourAngleMax", host::TYPE_ANGLE)
            .Animatable()
            .Default(kPiFloat),
        ParamDef(STYLE_LINE_CONTOUR_ANGLE_STEPS, "styleLineContourAngleSteps", host::TYPE_INT).Animatable().Default(20),
        ParamDef(STYLE_LINE_CONTOUR_POS_AXIS, "styleLineContourPosAxis", host::TYPE_INT)
            .Default(0)
            .Range(0, kContourPosAxisCount - 1),
        ParamDef(STYLE_LINE_CONTOUR_POS_MIN, "styleLineContourPosMin", host::TYPE_FLOAT).Animatable().Default(0.0f),
        ParamDef(STYLE_LINE_CONTOUR_POS_MAX, "styleLineContourPosMax", host::TYPE_FLOAT).Animatable().Default(1.0f),
        ParamDef(STYLE_LINE_CONTOUR_POS_STEPS, "styleLineContourPosSteps", host::TYPE_INT).Animatable().Default(20),
        ParamDef(STYLE_LINE_CONTOUR_TEX_AXIS, "styleLineContourTexAxis", host::TYPE_INT)
            .Default(0)
            .Range(0, kContourTexAxisCount - 1),
        ParamDef(STYLE_LINE_CONTOUR_TEX_CHANNEL, "styleLineContourTexChannel", host::TYPE_INT)
            .Animatable()
            .Default(1)
            .Range(kContourMinTexChannel, kContourMaxTexChannel),
        ParamDef(STYLE_LINE_CONTOUR_TEX_MIN, "styleLineContourTexMin", host::TYPE_FLOAT).Animatable().Default(0.0001f),
        ParamDef(STYLE_LINE_CONTOUR_TEX_MAX, "styleLineContourTexMax", host::TYPE_FLOAT).Animatable().Default(0.999f),
        ParamDef(STYLE_LINE_CONTOUR_TEX_STEPS, "styleLineContourTexSteps", host::TYPE_INT).Animatable().Default(20),
    });

constexpr std::array<std::string_view, kContourDirACount> kDirANames = {"Surface Normal"};
constexpr std::array<std::string_view, kContourDirBCount> kDirBNames = {
    "View X Axis", "View Y Axis", "View Z Axis", "Object X Axis", "Object Y Axis", "Object Z Axis",
};
constexpr std::array<std::string_view, kContourPosAxisCount> kPosAxisNames = {
    "Object X", "Object Y", "Object Z", "World X", "World Y", "World Z", "View X", "View Y", "View Z",
};
constexpr std::array<std::string_view, kContourTexAxisCount> kTexAxisNames = {"U", "V", "W"};

template <std::size_t N>
std::string_view NameAt(const std::array<std::string_view, N>& names, int index) {
  return index >= 0 && static_cast<std::size_t>(index) < N ? names[static_cast<std::size_t>(index)]
                                                            : std::string_view();
}

}  // namespace

std::string_view ContourDirAName(int index) { return NameAt(kDirANames, index); }
std::string_view ContourDirBName(int index) { return NameAt(kDirBNames, index); }
std::string_view ContourPosAxisName(int index) { return NameAt(kPosAxisNames, index); }
std::string_view ContourTexAxisName(int index) { return NameAt(kTexAxisNames, index); }

PwStyleLineContour::PwStyleLineContour(bool loading) : PwStylePart(kLineContourBlock) {
  if (!loading) MakeFreshBlock();
}

host::Class_ID PwStyleLineContour::ClassID() const { return PW_STYLE_LINE_CONTOUR_CLASS_ID; }

host::ReferenceTarget* PwStyleLineContour::Clone(host::RemapDir& remap) {
  auto* copy = new PwStyleLineContour(true);
  CloneBlockInto(*copy, remap);
  return copy;
}

int PwStyleLineContour::GetTexChannel(host::TimeValue t) const {
  return std::clamp(GetIntParam(STYLE_LINE_CONTOUR_TEX_CHANNEL, t), kContourMinTexChannel, kContourMaxTexChannel);
}

}  // namespace pw
