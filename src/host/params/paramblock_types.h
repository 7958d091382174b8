// The kinds of values a parameter block holds.
//
// A parameter's type is a kind (how the value is stored), a unit tag (how a
// float is shown: plain, angle, percentage, world length) and whether the
// parameter is a table (an ordered, resizable list of values of the kind).
// The TYPE_* constants name the combinations class code declares.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "host/core/color.h"
#include "host/core/point.h"

namespace host {

using ParamID = short;
using BlockID = short;

enum class ParamKind : std::uint8_t {
  Float = 0,
  Int = 1,
  Bool = 2,
  Color = 3,
  Point3 = 4,
  String = 5,
  Filename = 6,
  RefTarget = 7,
  Bitmap = 8,
  Time = 9,  // a TimeValue, in ticks
};
inline constexpr int kParamKindCount = 10;

// Display unit of a float; the stored value is the same float whatever the tag.
enum class ParamUnit : std::uint8_t { None = 0, Angle = 1, Percent = 2, World = 3 };
inline constexpr int kParamUnitCount = 4;

struct ParamType {
  ParamKind kind = ParamKind::Float;
  ParamUnit unit = ParamUnit::None;
  bool table = false;

  constexpr ParamType Tab() const { return {kind, unit, true}; }
  friend constexpr bool operator==(const ParamType&, const ParamType&) = default;
};

inline constexpr ParamType TYPE_FLOAT{ParamKind::Float};
inline constexpr ParamType TYPE_ANGLE{ParamKind::Float, ParamUnit::Angle};
inline constexpr ParamType TYPE_PCNT_FRAC{ParamKind::Float, ParamUnit::Percent};
inline constexpr ParamType TYPE_WORLD{ParamKind::Float, ParamUnit::World};
inline constexpr ParamType TYPE_INT{ParamKind::Int};
inline constexpr ParamType TYPE_BOOL{ParamKind::Bool};
inline constexpr ParamType TYPE_RGBA{ParamKind::Color};
inline constexpr ParamType TYPE_POINT3{ParamKind::Point3};
inline constexpr ParamType TYPE_STRING{ParamKind::String};
inline constexpr ParamType TYPE_FILENAME{ParamKind::Filename};
inline constexpr ParamType TYPE_REFTARG{ParamKind::RefTarget};
inline constexpr ParamType TYPE_BITMAP{ParamKind::Bitmap};
inline constexpr ParamType TYPE_TIMEVALUE{ParamKind::Time};

inline constexpr ParamType TYPE_FLOAT_TAB = TYPE_FLOAT.Tab();
inline constexpr ParamType TYPE_ANGLE_TAB = TYPE_ANGLE.Tab();
inline constexpr ParamType TYPE_PCNT_FRAC_TAB = TYPE_PCNT_FRAC.Tab();
inline constexpr ParamType TYPE_WORLD_TAB = TYPE_WORLD.Tab();
inline constexpr ParamType TYPE_INT_TAB = TYPE_INT.Tab();
inline constexpr ParamType TYPE_BOOL_TAB = TYPE_BOOL.Tab();
inline constexpr ParamType TYPE_RGBA_TAB = TYPE_RGBA.Tab();
inline constexpr ParamType TYPE_POINT3_TAB = TYPE_POINT3.Tab();
inline constexpr ParamType TYPE_STRING_TAB = TYPE_STRING.Tab();
inline constexpr ParamType TYPE_FILENAME_TAB = TYPE_FILENAME.Tab();
inline constexpr ParamType TYPE_REFTARG_TAB = TYPE_REFTARG.Tab();
inline constexpr ParamType TYPE_BITMAP_TAB = TYPE_BITMAP.Tab();
inline constexpr ParamType TYPE_TIMEVALUE_TAB = TYPE_TIMEVALUE.Tab();

// Kinds whose values can carry keys.
constexpr bool IsAnimatableKind(ParamKind k) {
  return k == ParamKind::Float || k == ParamKind::Int || k == ParamKind::Bool || k == ParamKind::Color ||
         k == ParamKind::Point3 || k == ParamKind::Time;
}

// A bitmap parameter: the image's file. The image itself is loaded by
// whoever reads the parameter.
struct PBBitmap {
  std::string fileName;
  friend bool operator==(const PBBitmap&, const PBBitmap&) = default;
};

// A parameter's default value; monostate until one is given, which means the
// kind's zero (0, black, the origin, "", no target). The descriptor converts
// it to the parameter's kind when it is built (an int default for a float
// parameter is fine).
using ParamValue = std::variant<std::monostate, float, int, Color, Point3, std::string, PBBitmap>;

const char* ParamKindName(ParamKind kind);

}  // namespace host
