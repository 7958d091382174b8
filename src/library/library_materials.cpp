#include "library/library_materials.h"

#include <array>

#include "library/pw_object.h"
#include "plugin/class_ids.h"

namespace pw {

namespace {

constexpr int D = PW_ORIGIN_DEFAULT;
constexpr int P = PW_ORIGIN_PRESET;

constexpr std::array<LibraryMaterialEntry, PW_DEFAULT_COUNT> kDefaults{{
    {D, PW_DEFAULT_PAINT_CUSTOM, PW_PAINT_CLASS_ID, "Default"},
    {D, PW_DEFAULT_PAINT, PW_PAINT_CLASS_ID, "Default"},
    {D, PW_DEFAULT_BRUSH, PW_BRUSH_CLASS_ID, "Default"},
    {D, PW_DEFAULT_STROKE, PW_STROKE_CLASS_ID, "Default"},
    {D, PW_DEFAULT_SURFACE, PW_SURFACE_CLASS_ID, "Default"},
    {D, PW_DEFAULT_STYLE, PW_STYLE_CLASS_ID, "Default"},
    {D, PW_DEFAULT_CANVAS, PW_CANVAS_CLASS_ID, "Default"},
}};

constexpr std::array<LibraryMaterialEntry, PW_PRESET_COUNT> kPresets{{
    {P, 0, PW_BRUSH_CLASS_ID, "Circle (0.5 pixels)"},
    {P, 1, PW_BRUSH_CLASS_ID, "Circle (1 pixel)"},
    {P, 2, PW_BRUSH_CLASS_ID, "Circle (1.5 pixels)"},
    {P, 3, PW_BRUSH_CLASS_ID, "Circle (2 pixels)"},
    {P, 4, PW_BRUSH_CLASS_ID, "Circle (3 pixels)"},
    {P, 5, PW_BRUSH_CLASS_ID, "Circle (4 pixels)"},
    {P, 6, PW_BRUSH_CLASS_ID, "Square (0.5 pixels)"},
    {P, 7, PW_BRUSH_CLASS_ID, "Square (1 pixel)"},
    {P, 8, PW_BRUSH_CLASS_ID, "Square (1.5 pixels)"},
    {P, 9, PW_BRUSH_CLASS_ID, "Square (2 pixels)"},
    {P, 10, PW_BRUSH_CLASS_ID, "Square (3 pixels)"},
    {P, 11, PW_BRUSH_CLASS_ID, "Square (4 pixels)"},

    {P, 100, PW_STROKE_CLASS_ID, "Solid"},
    {P, 101, PW_STROKE_CLASS_ID, "Dashed"},
    {P, 102, PW_STROKE_CLASS_ID, "Dotted"},
    {P, 103, PW_STROKE_CLASS_ID, "Center"},
    {P, 104, PW_STROKE_CLASS_ID, "Hidden"},
    {P, 105, PW_STROKE_CLASS_ID, "Phantom"},
    {P, 106, PW_STROKE_CLASS_ID, "DashDot"},
    {P, 107, PW_STROKE_CLASS_ID, "Border"},
    {P, 108, PW_STROKE_CLASS_ID, "Divide"},

    {P, 200, PW_PAINT_CLASS_ID, "Object's Ambient"},
    {P, 201, PW_PAINT_CLASS_ID, "Object's Ambient (Darkened)"},
    {P, 202, PW_PAINT_CLASS_ID, "Object's Ambient (Lightened)"},
    {P, 203, PW_PAINT_CLASS_ID, "Object's Diffuse"},
    {P, 204, PW_PAINT_CLASS_ID, "Object's Diffuse (Darkened)"},
    {P, 205, PW_PAINT_CLASS_ID, "Object's Diffuse (Lightened)"},
    {P, 206, PW_PAINT_CLASS_ID, "Object's Specular"},
    {P, 207, PW_PAINT_CLASS_ID, "Object's Specular (Darkened)"},
    {P, 208, PW_PAINT_CLASS_ID, "Object's Specular (Lightened)"},
    {P, 209, PW_PAINT_CLASS_ID, "Blue"},
    {P, 210, PW_PAINT_CLASS_ID, "Brown"},
    {P, 211, PW_PAINT_CLASS_ID, "Cyan"},
    {P, 212, PW_PAINT_CLASS_ID, "Green (Light)"},
    {P, 213, PW_PAINT_CLASS_ID, "Green (Dark)"},
    {P, 214, PW_PAINT_CLASS_ID, "Gray (Dark)"},
    {P, 215, PW_PAINT_CLASS_ID, "Gray (Light)"},
    {P, 216, PW_PAINT_CLASS_ID, "Orange"},
    {P, 217, PW_PAINT_CLASS_ID, "Pink"},
    {P, 218, PW_PAINT_CLASS_ID, "Purple"},
    {P, 219, PW_PAINT_CLASS_ID, "Red"},
    {P, 220, PW_PAINT_CLASS_ID, "White"},
    {P, 221, PW_PAINT_CLASS_ID, "Yellow"},

    {P, 300, PW_SURFACE_CLASS_ID, "Matte"},
    {P, 301, PW_SURFACE_CLASS_ID, "Max Material"},
    {P, 302, PW_SURFACE_CLASS_ID, "Flat"},
    {P, 303, PW_SURFACE_CLASS_ID, "Cartoon"},
    {P, 304, PW_SURFACE_CLASS_ID, "Comic"},
    {P, 305, PW_SURFACE_CLASS_ID, "Cel"},
    {P, 306, PW_SURFACE_CLASS_ID, "Flat (Smooth Shaded)"},

    {P, 400, PW_STYLE_CLASS_ID, "Outlines"},
    {P, 401, PW_STYLE_CLASS_ID, "Hidden-line"},
    {P, 402, PW_STYLE_CLASS_ID, "Wireframe"},
    {P, 403, PW_STYLE_CLASS_ID, "Flat Toon"},
    {P, 404, PW_STYLE_CLASS_ID, "Cel"},
    {P, 405, PW_STYLE_CLASS_ID, "Comic"},
    {P, 406, PW_STYLE_CLASS_ID, "Cartoon"},
    {P, 407, PW_STYLE_CLASS_ID, "Max Material"},
}};

}  // namespace

std::span<const LibraryMaterialEntry> DefaultMaterials() { return kDefaults; }
std::span<const LibraryMaterialEntry> PresetMaterials() { return kPresets; }

const LibraryMaterialEntry* FindLibraryMaterial(int origin, int number) {
  for (const auto& table : {DefaultMaterials(), PresetMaterials()})
    for (const LibraryMaterialEntry& e : table)
      if (e.origin == origin && e.number == number) return &e;
  return nullptr;
}

int ReplacementDefaultNumber(host::Class_ID classId) {
  if (classId == PW_STYLE_CLASS_ID) return PW_DEFAULT_STYLE;
  if (classId == PW_CANVAS_CLASS_ID) return PW_DEFAULT_CANVAS;
  if (classId == PW_BRUSH_CLASS_ID) return PW_DEFAULT_BRUSH;
  if (classId == PW_STROKE_CLASS_ID) return PW_DEFAULT_STROKE;
  if (classId == PW_SURFACE_CLASS_ID) return PW_DEFAULT_SURFACE;
  if (classId == PW_PAINT_CLASS_ID) return PW_DEFAULT_PAINT;
  return -1;
}

}  // namespace pw
