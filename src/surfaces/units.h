// Output units for line widths and other lengths on paper.
//
// Lengths are stored in thousandths of a centimetre, so a stored width means
// the same on paper whatever unit the user enters it in. The link to output
// pixels is the print resolution R (pixels per centimetre); points depend on
// which points standard (points per inch) the user picked.
//
// Pixels and world units are not lengths on paper: a width in pixels is
// stored through R like the others (stored = pixels * 1000 / R), and a
// width in world units converts one to one to pixels before the view's
// projection scale is applied by whoever draws it.
#pragma once

#include <string_view>

namespace pw {

// The order is persistent: brushes save the index.
enum class OutputUnit : int {
  Pixels = 0,
  Inches = 1,
  Millimeters = 2,
  Centimeters = 3,
  Points = 4,
  Picas = 5,
  WorldUnits = 6,
};
inline constexpr int kOutputUnitCount = 7;

// Centimetres per inch as the unit tables use it (not the exact 2.54).
inline constexpr double kCmPerInch = 2.540041;
inline constexpr double kPointsPerInchTraditional = 72.27;
inline constexpr double kPointsPerInchPostscript = 72.0;
// Print resolution of a fresh program: 72 pixels per inch.
inline constexpr double kDefaultPixelsPerInch = 72.0;

// The user's choices that tie units to pixels.
struct UnitSettings {
  double pixelsPerCm = kDefaultPixelsPerInch / kCmPerInch;  // R, always > 0
  double pointsPerInch = kPointsPerInchTraditional;         // P, always > 0
  OutputUnit defaultUnit = OutputUnit::Pixels;              // what new brushes are shown in
};

// The process-wide settings the editor and new art materials use. Set only
// through SetUnitSettings, which refuses values that would break the
// conversions.
const UnitSettings& TheUnitSettings();
// False (nothing changed) when R or P is not a finite number above zero or
// the default unit is out of range.
bool SetUnitSettings(const UnitSettings& settings);

// True for 0..6.
constexpr bool IsValidOutputUnit(int unit) { return unit >= 0 && unit < kOutputUnitCount; }

// "Pixels (pixels)", "Inches (inches)", ... ; "" for an index out of range.
std::string_view OutputUnitName(int unit);

// R from a resolution entered per inch, and back.
constexpr double PixelsPerCmFromPixelsPerInch(double pixelsPerInch) { return pixelsPerInch / kCmPerInch; }
constexpr double PixelsPerInchFromPixelsPerCm(double pixelsPerCm) { return pixelsPerCm * kCmPerInch; }

// Pixels in one unit; 1 for pixels and world units and for an index out of range.
double PixelsPerUnit(int unit, const UnitSettings& settings);
// The reverse factor.
double UnitsPerPixel(int unit, const UnitSettings& settings);

// Stored length (thousandths of a centimetre) and pixels.
double StoredFromPixels(double pixels, const UnitSettings& settings);
double PixelsFromStored(double stored, const UnitSettings& settings);
// A length entered in `unit` as stored, and a stored length as shown in `unit`.
double StoredFromUnits(double value, int unit, const UnitSettings& settings);
double UnitsFromStored(double stored, int unit, const UnitSettings& settings);

}  // namespace pw
