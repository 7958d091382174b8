#include "scene_io/render_settings_by_name.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>
#include <span>

#include "host/refs/class_desc.h"
#include "host/refs/reference.h"
#include "plugin/class_ids.h"
#include "render/renderer_paramblock.h"
#include "scene_io/closest_names.h"

namespace pw {

namespace {

constexpr std::string_view kOptionsPrefix = "vectorFormatOptions.";

// ---- Text to values ---------------------------------------------------------

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::optional<bool> ParseSwitch(std::string_view text) {
  const std::string v = Lower(text);
  if (v == "true" || v == "on" || v == "yes" || v == "1") return true;
  if (v == "false" || v == "off" || v == "no" || v == "0") return false;
  return std::nullopt;
}

std::optional<std::int32_t> ParseInt(std::string_view text) {
  std::int32_t v = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, v);
  if (ec != std::errc() || ptr != end || text.empty()) return std::nullopt;
  return v;
}

std::optional<float> ParseFloat(std::string_view text) {
  float v = 0.0f;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, v);
  if (ec != std::errc() || ptr != end || text.empty() || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::string FloatText(float v) {
  char text[32];
  const auto [ptr, ec] = std::to_chars(text, text + sizeof text, v);
  return ec == std::errc() ? std::string(text, ptr) : std::string("nan");
}

const char* SwitchText(bool v) { return v ? "true" : "false"; }

// A choice is named by a word (first word is the one printed) or its number.
struct ChoiceWord {
  const char* word;
  int value;
};

std::optional<int> ParseChoice(std::string_view text, std::span<const ChoiceWord> words, int count) {
  if (const auto n = ParseInt(text)) {
    if (*n >= 0 && *n < count) return *n;
    return std::nullopt;
  }
  const std::string v = Lower(text);
  for (const ChoiceWord& w : words)
    if (v == w.word) return w.value;
  return std::nullopt;
}

std::string ChoiceText(int value, std::span<const ChoiceWord> words) {
  for (const ChoiceWord& w : words)
    if (w.value == value) return w.word;
  return std::to_string(value);
}

std::string ChoiceList(std::span<const ChoiceWord> words, int count) {
  std::string list;
  int last = -1;
  for (const ChoiceWord& w : words) {
    if (w.value == last) continue;  // an alternative spelling of the previous one
    if (!list.empty()) list += ", ";
    list += w.word;
    last = w.value;
  }
  return list + " (or 0 to " + std::to_string(count - 1) + ")";
}

constexpr std::array<ChoiceWord, 2> kRenderModes{{{"raster", 0}, {"vector", 1}}};
constexpr std::array<ChoiceWord, 4> kZDepths{{{"front", 0}, {"centre", 1}, {"center", 1}, {"back", 2}}};
constexpr std::array<ChoiceWord, 5> kQualities{
    {{"none", 0}, {"low", 1}, {"medium", 2}, {"high", 3}, {"extreme", 4}}};

bool Fail(std::string* error, std::string message) {
  if (error) *error = std::move(message);
  return false;
}

std::string Quoted(std::string_view v) { return "'" + std::string(v) + "'"; }

// ---- The table of settings --------------------------------------------------

using Getter = std::function<std::string(const PwRendererSettings&, const host::IParamBlock2*)>;
// value is trimmed; block is non-null when the setting needs one.
using Setter =
    std::function<bool(PwRendererSettings&, host::IParamBlock2*, std::string_view value, std::string* error)>;

struct Setting {
  std::string name;
  bool inBlock = false;
  Getter get;
  Setter set;  // null: read-only
};

Setting Switch(const char* name, bool PwRenderSwitches::*member) {
  return {name, false,
          [member](const PwRendererSettings& s, const host::IParamBlock2*) {
            return std::string(SwitchText(s.params.Switches().*member));
          },
          [member](PwRendererSettings& s, host::IParamBlock2*, std::string_view v, std::string* error) {
            const auto on = ParseSwitch(v);
            if (!on) return Fail(error, Quoted(v) + " is not a switch (true/false, on/off, yes/no, 1/0)");
            s.params.Switches().*member = *on;
            return true;
          }};
}

// A choice among the renderer's own ints; `field` picks the int out of the settings.
template <class Field>
Setting Choice(const char* name, std::span<const ChoiceWord> words, int count, Field field) {
  return {name, false,
          [words, field](const PwRendererSettings& s, const host::IParamBlock2*) {
            return ChoiceText(field(s), words);
          },
          [words, count, field](PwRendererSettings& s, host::IParamBlock2*, std::string_view v, std::string* error) {
            const auto choice = ParseChoice(v, words, count);
            if (!choice) return Fail(error, Quoted(v) + " is not one of " + ChoiceList(words, count));
            field(s) = *choice;
            return true;
          }};
}

Setting BlockSwitch(const char* name, host::ParamID id) {
  return {name, true,
          [id](const PwRendererSettings&, const host::IParamBlock2* b) {
            return std::string(SwitchText(b->GetInt(id) != 0));
          },
          [id](PwRendererSettings&, host::IParamBlock2* b, std::string_view v, std::string* error) {
            const auto on = ParseSwitch(v);
            if (!on) return Fail(error, Quoted(v) + " is not a switch (true/false, on/off, yes/no, 1/0)");
            return b->SetValue(id, 0, *on) || Fail(error, "the parameter block refused the value");
          }};
}

Setting BlockFile(const char* name, host::ParamID id) {
  return {name, true,
          [id](const PwRendererSettings&, const host::IParamBlock2* b) { return b->GetBitmap(id).fileName; },
          [id](PwRendererSettings&, host::IParamBlock2* b, std::string_view v, std::string* error) {
            return b->SetValue(id, 0, host::PBBitmap{std::string(v)}) ||
                   Fail(error, "the parameter block refused the value");
          }};
}

// A number of the block within the range its descriptor gives. The block
// itself would clamp a value outside it, as it must for files; a person who
// typed the value is told instead, so that no setting differs from what was asked.
Setting BlockFraction(const char* name, host::ParamID id, const char* what,
                      std::function<float(const host::IParamBlock2&)> read) {
  return {name, true,
          [read](const PwRendererSettings&, const host::IParamBlock2* b) { return FloatText(read(*b)); },
          [id, what](PwRendererSettings&, host::IParamBlock2* b, std::string_view v, std::string* error) {
            const host::ParamDef* def = b->GetParamDef(id);
            if (!def) return Fail(error, "the parameter block has no such parameter");
            const float lo = static_cast<float>(def->rangeMin), hi = static_cast<float>(def->rangeMax);
            const std::string range = " (" + FloatText(lo) + " to " + FloatText(hi) + ", " + what + ")";
            const auto value = ParseFloat(v);
            if (!value) return Fail(error, Quoted(v) + " is not a number" + range);
            if (def->hasRange && (*value < lo || *value > hi)) return Fail(error, Quoted(v) + " is out of range" + range);
            return b->SetValue(id, 0, *value) || Fail(error, "the parameter block refused the value");
          }};
}

// The surface renderer: "none" (or this renderer's own class name) lets this
// renderer draw the surfaces; another renderer class is created and kept.
bool SetSurfaceRenderer(PwRendererSettings& s, host::IParamBlock2* b, std::string_view v, std::string* error) {
  std::vector<host::ClassDesc*> renderers;
  for (host::ClassDesc* desc : host::ClassRegistry::Global().All())
    if (desc->SuperClassID() == host::RENDERER_CLASS_ID) renderers.push_back(desc);
  const std::string wanted = Lower(v);
  host::ClassDesc* chosen = nullptr;
  for (host::ClassDesc* desc : renderers)
    if (Lower(desc->ClassName()) == wanted) chosen = desc;

  if (wanted.empty() || wanted == "none" || (chosen && chosen->ClassID() == PENWRIGHT_RENDERER_CLASS_ID)) {
    if (!b->SetValue(kAlternateSurfaceRenderer, 0, nullptr)) return Fail(error, "the parameter block refused the change");
    s.params.alternateRendererClass = PENWRIGHT_RENDERER_CLASS_ID;
    return true;
  }
  if (!chosen) {
    std::string list = "none";
    for (host::ClassDesc* desc : renderers)
      if (desc->ClassID() != PENWRIGHT_RENDERER_CLASS_ID) list += ", " + desc->ClassName();
    return Fail(error, Quoted(v) + " is not a renderer; choose one of " + list);
  }
  host::ReferenceTarget* renderer = chosen->Create(false);
  if (!renderer) return Fail(error, "the renderer " + Quoted(v) + " cannot be created");
  if (!b->SetValue(kAlternateSurfaceRenderer, 0, renderer)) {
    renderer->DeleteThis();
    return Fail(error, "the parameter block refused the renderer");
  }
  s.params.alternateRendererClass = chosen->ClassID();
  return true;
}

std::string ClassIdText(host::Class_ID id) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%08X,0x%08X", static_cast<unsigned>(id.PartA()),
                static_cast<unsigned>(id.PartB()));
  return text;
}

bool SetVectorFormat(PwRendererSettings& s, host::IParamBlock2*, std::string_view v, std::string* error) {
  int index = -1;
  if (const auto number = ParseInt(v)) {
    index = GetVectorFormatDesc(*number) ? *number : -1;
  } else {
    index = FindVectorFormat(v);
    for (int i = 0; index < 0 && i < kVectorFormatCount; ++i)
      if (Lower(GetVectorFormatDesc(i)->Name()) == Lower(v)) index = i;
    if (index < 0) index = FindVectorFormatByExtension(v);
  }
  if (index < 0 || !s.vector.SelectFormat(index)) {
    std::string list;
    for (int i = 0; i < kVectorFormatCount; ++i) {
      if (!list.empty()) list += ", ";
      list += std::to_string(i) + " \"" + std::string(GetVectorFormatDesc(i)->Name()) + "\"";
    }
    return Fail(error, Quoted(v) + " is not a vector format; choose one of " + list +
                           ", or a file extension (ai, dxf, swf)");
  }
  return true;
}

const std::vector<Setting>& Settings() {
  static const std::vector<Setting> table = [] {
    using S = PwRenderSwitches;
    std::vector<Setting> t;
    t.push_back(Choice("renderMode", kRenderModes, 2, [](auto& s) -> auto& { return s.params.renderMode; }));
    t.push_back(Switch("hiddenLinesWithinItself", &S::hiddenLinesWithinItself));
    t.push_back(Switch("hiddenLinesWithOthers", &S::hiddenLinesWithOthers));
    t.push_back(Switch("intersectionsWithinItself", &S::intersectionsWithinItself));
    t.push_back(Switch("intersectionsWithOthers", &S::intersectionsWithOthers));
    t.push_back(Switch("surfacesOn", &S::surfacesOn));
    t.push_back(Switch("linesOn", &S::linesOn));
    t.push_back(Switch("sphericalLens", &S::sphericalLens));
    t.push_back(Switch("customFovOn", &S::customFovOn));
    t.push_back(Switch("mapsOn", &S::mapsOn));
    t.push_back(Switch("filterMaps", &S::filterMaps));
    t.push_back(Switch("renderAsBoundingBoxes", &S::renderAsBoundingBoxes));
    t.push_back({"customFovDegrees", false,
                 [](const PwRendererSettings& s, const host::IParamBlock2*) {
                   return FloatText(s.params.customFovDegrees);
                 },
                 [](PwRendererSettings& s, host::IParamBlock2*, std::string_view v, std::string* error) {
                   const auto degrees = ParseFloat(v);
                   const std::string range = " (" + FloatText(S::kMinCustomFovDegrees) + " to " +
                                             FloatText(S::kMaxCustomFovDegrees) + " degrees)";
                   if (!degrees) return Fail(error, Quoted(v) + " is not a number of degrees" + range);
                   if (*degrees < S::kMinCustomFovDegrees || *degrees > S::kMaxCustomFovDegrees)
                     return Fail(error, Quoted(v) + " is out of range" + range);
                   s.params.customFovDegrees = *degrees;
                   return true;
                 }});
    // Follows the surface renderer; set alternateSurfaceRenderer instead.
    t.push_back({"alternateRendererClass", false,
                 [](const PwRendererSettings& s, const host::IParamBlock2*) {
                   return ClassIdText(s.params.alternateRendererClass);
                 },
                 nullptr});
    t.push_back({"saveVectorFile", false,
                 [](const PwRendererSettings& s, const host::IParamBlock2*) {
                   return std::string(SwitchText(s.vector.saveVectorFile));
                 },
                 [](PwRendererSettings& s, host::IParamBlock2*, std::string_view v, std::string* error) {
                   const auto on = ParseSwitch(v);
                   if (!on)
                     return Fail(error, Quoted(v) + " is not a switch (true/false, on/off, yes/no, 1/0)");
                   s.vector.saveVectorFile = *on;
                   return true;
                 }});
    t.push_back({"vectorFormatIndex", false,
                 [](const PwRendererSettings& s, const host::IParamBlock2*) {
                   return std::to_string(s.vector.vectorFormatIndex);
                 },
                 SetVectorFormat});
    t.push_back({"vectorFileName", false,
                 [](const PwRendererSettings& s, const host::IParamBlock2*) { return s.vector.vectorFileName; },
                 [](PwRendererSettings& s, host::IParamBlock2*, std::string_view v, std::string*) {
                   s.vector.vectorFileName = std::string(v);
                   return true;
                 }});
    t.push_back(Choice("zDepthPosition", kZDepths, 3, [](auto& s) -> auto& { return s.vector.zDepthPosition; }));
    t.push_back({"alternateSurfaceRenderer", true,
                 [](const PwRendererSettings&, const host::IParamBlock2* b) {
                   const host::ReferenceTarget* r = b->GetReferenceTarget(kAlternateSurfaceRenderer);
                   return r ? r->GetClassName() : std::string("none");
                 },
                 SetSurfaceRenderer});
    t.push_back(BlockSwitch("surfaceCustomOutputOn", kSurfaceCustomOutputOn));
    t.push_back(BlockFile("surfaceCustomOutput", kSurfaceCustomOutput));
    t.push_back(BlockSwitch("linesCustomOutputOn", kLinesCustomOutputOn));
    t.push_back(BlockFile("linesCustomOutput", kLinesCustomOutput));
    t.push_back({"linesAntialiasingQuality", true,
                 [](const PwRendererSettings&, const host::IParamBlock2* b) {
                   return ChoiceText(b->GetInt(kLinesAntialiasingQuality), kQualities);
                 },
                 [](PwRendererSettings&, host::IParamBlock2* b, std::string_view v, std::string* error) {
                   const auto q = ParseChoice(v, kQualities, kAntialiasQualityCount);
                   if (!q)
                     return Fail(error, Quoted(v) + " is not one of " +
                                            ChoiceList(kQualities, kAntialiasQualityCount));
                   return b->SetValue(kLinesAntialiasingQuality, 0, *q) ||
                          Fail(error, "the parameter block refused the value");
                 }});
    t.push_back(BlockFraction("linesMemoryLimit", kLinesMemoryLimit, "a fraction of physical memory",
                              [](const host::IParamBlock2& b) { return GetLinesMemoryLimit(b); }));
    return t;
  }();
  return table;
}

const Setting* FindSetting(std::string_view name) {
  for (const Setting& s : Settings())
    if (s.name == name) return &s;
  return nullptr;
}

// The names a person may set (not those that follow others).
std::vector<std::string> SettableNames(const PwRendererSettings& settings) {
  return RenderSettingNames(settings, RenderSettingSelection::Settable);
}

std::string NameList(const std::vector<std::string>& names) {
  std::string list;
  for (const std::string& n : names) list += (list.empty() ? "" : ", ") + n;
  return list;
}

std::string UnknownName(const PwRendererSettings& settings, std::string_view name) {
  const std::vector<std::string> names = SettableNames(settings);
  const std::vector<std::string> near = ClosestNames(name, names, 3);
  return "unknown render setting" + (near.empty() ? std::string() : " (did you mean " + QuotedAlternatives(near) + "?)") +
         "; the settings are " + NameList(names);
}

// ---- Options of the current vector format -----------------------------------

std::string FormatName(const PwRendererSettings& s) {
  const PwVectorFormatDesc* desc = GetVectorFormatDesc(s.vector.vectorFormatIndex);
  return desc ? std::string(desc->Name()) : "the vector format";
}

bool SetOption(PwRendererSettings& s, std::string_view field, std::string_view v, std::string* error) {
  PwVectorFormatParams* options = s.vector.vectorFormatOptions.get();
  const int index = options ? options->FindField(field) : -1;
  const PwVectorOptionField* f = index >= 0 ? &options->Fields()[static_cast<std::size_t>(index)] : nullptr;
  if (!f || !f->userSettable)
    return Fail(error, "no option of " + FormatName(s) + " is named " + Quoted(field) + "; its options: " +
                           (options ? options->FieldNames(true) : std::string("none")));
  std::optional<std::int32_t> value;
  if (f->isSwitch) {
    if (const auto on = ParseSwitch(v)) value = *on ? 1 : 0;
  } else {
    value = ParseInt(v);
  }
  if (!value || !options->Set(index, *value)) {
    return Fail(error, Quoted(v) + " is not " +
                           (f->isSwitch ? std::string("a switch (true/false, on/off, yes/no, 1/0)")
                                        : "a whole number from " + std::to_string(f->min) + " to " +
                                              std::to_string(f->max)));
  }
  return true;
}

std::optional<std::string> GetOption(const PwRendererSettings& s, std::string_view field) {
  const PwVectorFormatParams* options = s.vector.vectorFormatOptions.get();
  const int index = options ? options->FindField(field) : -1;
  if (index < 0) return std::nullopt;
  const std::int32_t v = options->Get(index);
  if (options->Fields()[static_cast<std::size_t>(index)].isSwitch) return std::string(SwitchText(v != 0));
  return std::to_string(v);
}

}  // namespace

std::vector<std::string> RenderSettingNames(const PwRendererSettings& settings, RenderSettingSelection which) {
  const bool all = which == RenderSettingSelection::All;
  std::vector<std::string> names;
  for (const Setting& s : Settings()) {
    if (all || s.set) names.push_back(s.name);
    if (s.name == "zDepthPosition" && settings.vector.vectorFormatOptions) {
      for (const PwVectorOptionField& f : settings.vector.vectorFormatOptions->Fields())
        if (all || f.userSettable) names.push_back(std::string(kOptionsPrefix) + f.name);
    }
  }
  return names;
}

bool SetRenderSetting(PwRendererSettings& settings, host::IParamBlock2* block, std::string_view name,
                      std::string_view value, std::string* error) {
  name = Trim(name);
  value = Trim(value);
  if (name.starts_with(kOptionsPrefix)) return SetOption(settings, name.substr(kOptionsPrefix.size()), value, error);
  const Setting* s = FindSetting(name);
  if (!s) return Fail(error, UnknownName(settings, name));
  if (!s->set) return Fail(error, "follows alternateSurfaceRenderer and cannot be set on its own");
  if (s->inBlock && !block) return Fail(error, "the renderer has no parameter block");
  return s->set(settings, block, value, error);
}

std::optional<std::string> GetRenderSetting(const PwRendererSettings& settings, const host::IParamBlock2* block,
                                            std::string_view name, std::string* error) {
  name = Trim(name);
  if (name.starts_with(kOptionsPrefix)) {
    if (auto v = GetOption(settings, name.substr(kOptionsPrefix.size()))) return v;
    Fail(error, UnknownName(settings, name));
    return std::nullopt;
  }
  const Setting* s = FindSetting(name);
  if (!s) {
    Fail(error, UnknownName(settings, name));
    return std::nullopt;
  }
  if (s->inBlock && !block) {
    Fail(error, "the renderer has no parameter block");
    return std::nullopt;
  }
  return s->get(settings, block);
}

std::string DescribeRenderSettings(const PwRendererSettings& settings, const host::IParamBlock2* block,
                                   RenderSettingSelection which) {
  std::string out;
  for (const std::string& name : RenderSettingNames(settings, which)) {
    const std::optional<std::string> v = GetRenderSetting(settings, block, name, nullptr);
    if (v) out += name + " = " + *v + "\n";
  }
  return out;
}

}  // namespace pw
