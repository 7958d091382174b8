#include "surfaces/units.h"

#include <array>
#include <cmath>

namespace pw {

namespace {

UnitSettings& Settings() {
  static UnitSettings settings;
  return settings;
}

constexpr std::array<std::string_view, kOutputUnitCount> kUnitNames = {
    "Pixels (pixels)", "Inches (inches)", "Millimeters (mms)", "Centimeters (cms)",
    "Points (points)", "Picas (picas)",   "World Units (units)",
};

bool PositiveFinite(double v) { return std::isfinite(v) && v > 0.0; }

}  // namespace

const UnitSettings& TheUnitSettings() { return Settings(); }

bool SetUnitSettings(const UnitSettings& settings) {
  if (!PositiveFinite(settings.pixelsPerCm) || !PositiveFinite(settings.pointsPerInch) ||
      !IsValidOutputUnit(static_cast<int>(settings.defaultUnit)))
    return false;
  Settings() = settings;
  return true;
}

std::string_view OutputUnitName(int unit) {
  return IsValidOutputUnit(unit) ? kUnitNames[static_cast<std::size_t>(unit)] : std::string_view();
}

double PixelsPerUnit(int unit, const UnitSettings& s) {
  const double r = s.pixelsPerCm;
  switch (static_cast<OutputUnit>(unit)) {
    case OutputUnit::Pixels: return 1.0;
    case OutputUnit::Inches: return r * kCmPerInch;
    case OutputUnit::Millimeters: return r * 0.1;
    case OutputUnit::Centimeters: return r;
    case OutputUnit::Points: return r * kCmPerInch / s.pointsPerInch;
    case OutputUnit::Picas: return 12.0 * r * kCmPerInch / s.pointsPerInch;
    case OutputUnit::WorldUnits: return 1.0;
  }
  return 1.0;
}

double UnitsPerPixel(int unit, const UnitSettings& s) { return 1.0 / PixelsPerUnit(unit, s); }

double StoredFromPixels(double pixels, const UnitSettings& s) { return pixels * 1000.0 / s.pixelsPerCm; }

double PixelsFromStored(double stored, const UnitSettings& s) { return stored * s.pixelsPerCm / 1000.0; }

double StoredFromUnits(double value, int unit, const UnitSettings& s) {
  return StoredFromPixels(value * PixelsPerUnit(unit, s), s);
}

double UnitsFromStored(double stored, int unit, const UnitSettings& s) {
  return stored * (s.pixelsPerCm / 1000.0) / PixelsPerUnit(unit, s);
}

}  // namespace pw
