#include "surfaces/toon_params.h"

namespace pw {

namespace {

constexpr std::array<std::string_view, kToonParamCount> kParamNames = {
    "Shadow Size",          "Shadow Opacity",        "Shadow Brightness",
    "Shadow Color Map Amount", "Shadow Opacity Map Amount", "Main Size",
    "Main Opacity",         "Main Brightness",       "Main Color Map Amount",
    "Main Opacity Map Amount", "Highlight Size",     "Highlight Opacity",
    "Highlight Brightness", "Highlight Color Map Amount", "Highlight Opacity Map Amount",
    "Overall Opacity",      "Overall Opacity Map Amount", "Blending Shadow-Main",
    "Blending Main-Highlight", "Lights Color Tinting", "Lights Intensity Shading",
};

constexpr std::array<float, kToonParamCount> kResetValues = {
    0.25f, 1.0f, 0.75f, 1.0f, 1.0f,  // Shadow
    0.7f,  1.0f, 1.0f,  1.0f, 1.0f,  // Main
    0.05f, 1.0f, 1.25f, 1.0f, 1.0f,  // Highlight
    1.0f,  1.0f,                     // overall opacity and its map amount
    0.02f, 0.02f,                    // blending
    0.0f,  0.0f,                     // tinting, shading
};

constexpr std::array<std::string_view, kToonColorSourceCount> kSourceNames = {
    "Shadow Gradient",
    "Main Gradient",
    "Highlight Gradient",
    "Object's Ambient Color (Solid)",
    "Object's Diffuse Color (Solid)",
    "Object's Specular Color (Solid)",
    "Object's Ambient Color",
    "Object's Diffuse Color",
    "Object's Specular Color",
    "Object's Shininess Map",
    "Object's Shininess Strength Map",
    "Object's Self-Illumination Map",
    "Object's Opacity Map",
    "Object's Filter Color Map",
    "Object's Bump Map",
    "Object's Reflection Map",
    "Object's Refraction Map",
    "Object's MAX Material (Shaded)",
};

constexpr std::int32_t kDiffuse = static_cast<std::int32_t>(ToonColorSource::ObjectDiffuse);

constexpr std::array<ToonPresetValues, kToonPresetCount> kPresets = {{
    {{false, true, false}, {0.0f, 1.0f, 0.0f}, {1.0f, 1.0f, 1.0f}, 0.02f, 0.02f, kDiffuse},      // Flat
    {{true, true, true}, {0.25f, 0.7f, 0.05f}, {0.75f, 1.0f, 1.25f}, 0.02f, 0.02f, kDiffuse},   // Cartoon
    {{true, true, true}, {0.25f, 0.7f, 0.05f}, {0.3f, 1.0f, 1.5f}, 0.02f, 0.02f, kDiffuse},     // Comic
    {{true, true, false}, {0.25f, 0.75f, 0.0f}, {0.75f, 1.0f, 1.0f}, 0.1f, 0.1f, kDiffuse},     // Cel
}};

// Every entry an animatable float shown as a percentage, ids 0..20 in order.
constexpr std::array<host::ParamBlockDescID, kToonParamCount> MakeLayout() {
  std::array<host::ParamBlockDescID, kToonParamCount> layout{};
  for (int i = 0; i < kToonParamCount; ++i)
    layout[static_cast<std::size_t>(i)] = host::ParamBlockDescID{host::TYPE_PCNT_FRAC, nullptr, true, i};
  return layout;
}
constexpr std::array<host::ParamBlockDescID, kToonParamCount> kLayout = MakeLayout();

}  // namespace

const host::ParamVersionDesc& ToonBlockLayout() {
  static const host::ParamVersionDesc desc{kLayout.data(), kToonParamCount, kToonBlockVersion};
  return desc;
}

std::string_view ToonParamName(int id) {
  return id >= 0 && id < kToonParamCount ? kParamNames[static_cast<std::size_t>(id)] : std::string_view();
}

float ToonParamResetValue(int id) {
  return id >= 0 && id < kToonParamCount ? kResetValues[static_cast<std::size_t>(id)] : 0.0f;
}

std::string_view ToonColorSourceName(int source) {
  return source >= 0 && source < kToonColorSourceCount ? kSourceNames[static_cast<std::size_t>(source)]
                                                       : std::string_view();
}

bool GetToonPreset(int preset, ToonPresetValues& out) {
  if (preset < 0 || preset >= kToonPresetCount) return false;
  out = kPresets[static_cast<std::size_t>(preset)];
  return true;
}

}  // namespace pw
