// "artMaterials" of a scene description: the tools (brushes, paints,
// strokes, surfaces), the order everything is defined in, and the node
// assignments. Styles are in art_materials_json_style.cpp.
#include "scene_io/art_materials_json.h"

#include <cmath>
#include <filesystem>
#include <limits>
#include <numbers>

#include "host/io/whole_file.h"
#include "host/refs/class_desc.h"
#include "library/art_material_file.h"
#include "library/art_materials.h"
#include "library/holder.h"
#include "library/library_edit.h"
#include "library/style_assignment.h"
#include "plugin/class_ids.h"
#include "scene_io/art_material_describe.h"
#include "scene_io/art_materials_json_build.h"
#include "styles/stroke.h"
#include "styles/stroke_patterns.h"
#include "surfaces/brush.h"
#include "surfaces/paint.h"
#include "surfaces/surface.h"

namespace pw {

namespace {

using host::JsonObject;
using host::JsonValue;

constexpr float kMaxLength = 1.0e6f;
constexpr float kMaxBrightness = 100.0f;

std::string ClassWord(host::Class_ID classId) {
  const ArtMaterialClass* c = FindArtMaterialClass(classId);
  return c ? std::string(c->word) : "material";
}

std::string ClassPlural(host::Class_ID classId) {
  const ArtMaterialClass* c = FindArtMaterialClass(classId);
  return c ? std::string(c->plural) : "materials";
}

template <class T>
T* NewMaterialOf(ArtJsonBuild& b, JsonObject& o, host::Class_ID classId) {
  PwObject* obj = JsonNewMaterial(b, o, classId);
  if (!obj) return nullptr;
  auto* typed = dynamic_cast<T*>(obj);
  if (!typed) b.ctx.Fail(o.Path(), "the " + ClassWord(classId) + " class is not available in this program");
  return typed;
}

bool ReadBrush(ArtJsonBuild& b, const JsonValue& v, const std::string& path) {
  JsonObject o(b.ctx, v, path);
  int shape = -1, units = -1;
  float size = -1.0f;
  bool scaleRelative = false;
  std::vector<std::string_view> unitWords;
  for (int u = 0; u < kOutputUnitCount; ++u) unitWords.push_back(OutputUnitWord(u));
  const JsonValue* unitValue = o.Has("sizeUnits");
  if (!o.Check({"name", "from", "shape", "size", "sizeUnits", "scaleRelative"}) ||
      !o.Choice("shape", {"circle", "square"}, &shape) ||
      (unitValue && !JsonWord(b.ctx, *unitValue, o.PathOf("sizeUnits"), unitWords, &units)) ||
      !o.Float("size", 0.0f, kMaxLength, &size) || !o.Bool("scaleRelative", &scaleRelative))
    return false;
  auto* brush = NewMaterialOf<PwBrush>(b, o, PW_BRUSH_CLASS_ID);
  if (!brush) return false;
  if (shape >= 0) brush->SetShape(static_cast<BrushShape>(shape));
  if (units >= 0) brush->SetUnits(units);
  // In the brush's own unit, which "sizeUnits" may just have changed.
  if (size >= 0.0f) brush->SetSizeInUnits(0, size);
  if (o.Has("scaleRelative")) brush->SetScaleRelative(scaleRelative);
  return true;
}

bool ReadPaint(ArtJsonBuild& b, const JsonValue& v, const std::string& path) {
  JsonObject o(b.ctx, v, path);
  host::Color color;
  bool useObjectColor = false;
  int source = -1;
  float brightness = -1.0f;
  if (!o.Check({"name", "from", "color", "useObjectColor", "source", "brightness"}) || !o.Color("color", &color) ||
      !o.Bool("useObjectColor", &useObjectColor) || !o.Choice("source", {"ambient", "diffuse", "specular"}, &source) ||
      !o.Float("brightness", 0.0f, kMaxBrightness, &brightness))
    return false;
  auto* paint = NewMaterialOf<PwPaint>(b, o, PW_PAINT_CLASS_ID);
  if (!paint) return false;
  if (o.Has("color")) {
    paint->SetCustomColor(0, color);
    // A colour given is a colour wanted, unless the description says otherwise.
    if (!o.Has("useObjectColor")) paint->SetUseObjectColor(false);
  }
  if (o.Has("useObjectColor")) paint->SetUseObjectColor(useObjectColor);
  if (source >= 0) paint->SetObjectColorSource(source);
  if (brightness >= 0.0f) paint->SetBrightness(0, brightness);
  return true;
}

// A pattern's name ("Dashed") or its 32-bit mask as a whole number.
bool StrokePatternValue(host::JsonContext& ctx, const JsonValue& v, const std::string& path, std::int32_t* mask) {
  if (v.IsString()) {
    std::vector<std::string_view> names;
    for (int i = 0; i < kStrokePatternCount; ++i) names.push_back(GetStrokePattern(i)->name);
    int index = -1;
    if (!JsonWord(ctx, v, path, names, &index)) return false;
    *mask = static_cast<std::int32_t>(GetStrokePattern(index)->mask);
    return true;
  }
  double value = 0.0;
  if (!v.IsNumber() || !v.integral)
    return ctx.Fail(path, "expected a pattern's name or its 32-bit mask as a whole number");
  if (!host::JsonNumber(ctx, v, path, std::numeric_limits<std::int32_t>::min(),
                        std::numeric_limits<std::uint32_t>::max(), &value))
    return false;
  *mask = static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::int64_t>(value)));
  return true;
}

bool ReadStroke(ArtJsonBuild& b, const JsonValue& v, const std::string& path) {
  JsonObject o(b.ctx, v, path);
  std::int32_t mask = 0;
  float scale = 0.0f;
  int capping = -1;
  if (!o.Check({"name", "from", "pattern", "scale", "capping"}) || !o.Float("scale", 1.0e-4f, kMaxLength, &scale) ||
      !o.Choice("capping", {"none", "brush"}, &capping))
    return false;
  if (const JsonValue* p = o.Has("pattern"); p && !StrokePatternValue(b.ctx, *p, o.PathOf("pattern"), &mask))
    return false;
  auto* stroke = NewMaterialOf<PwStroke>(b, o, PW_STROKE_CLASS_ID);
  if (!stroke) return false;
  if (o.Has("pattern")) stroke->SetPattern(mask);
  if (o.Has("scale")) stroke->SetScale(scale);
  if (capping >= 0) stroke->SetCapping(capping);
  return true;
}

bool ReadSurface(ArtJsonBuild& b, const JsonValue& v, const std::string& path) {
  JsonObject o(b.ctx, v, path);
  int kind = -1, toonPreset = -1;
  bool smooth = false;
  std::vector<std::string_view> kinds;
  for (int k = 0; k < kSurfaceKindCount; ++k) kinds.push_back(SurfaceKindName(k));
  if (!o.Check({"name", "from", "kind", "toonPreset", "smoothShaded"}) ||
      !o.Choice("toonPreset", {"Flat", "Cartoon", "Comic", "Cel"}, &toonPreset) || !o.Bool("smoothShaded", &smooth))
    return false;
  if (const JsonValue* k = o.Has("kind"); k && !JsonWord(b.ctx, *k, o.PathOf("kind"), kinds, &kind)) return false;
  auto* surface = NewMaterialOf<PwSurface>(b, o, PW_SURFACE_CLASS_ID);
  if (!surface) return false;
  if (kind >= 0) surface->SetKind(kind);
  PwMtlToon* toon = surface->GetToonMaterial();
  if ((toonPreset >= 0 || o.Has("smoothShaded")) && !toon)
    return b.ctx.Fail(o.Path(), "the surface has no Toon material to set");
  // The preset resets the Toon material, so it comes before the shading switch.
  if (toonPreset >= 0) toon->ApplyToonPreset(toonPreset);
  if (o.Has("smoothShaded")) toon->SetParam(kToonLightsIntensityShading, 0, smooth ? 1.0f : 0.0f);
  return true;
}

using ReadDefinition = bool (*)(ArtJsonBuild&, const JsonValue&, const std::string&);

bool ReadList(ArtJsonBuild& b, JsonObject& o, std::string_view key, ReadDefinition read) {
  const JsonValue* list = o.Has(key);
  if (!list) return true;
  const std::string path = o.PathOf(key);
  if (!list->IsArray()) return b.ctx.Fail(path, "expected an array of definitions");
  for (std::size_t i = 0; i < list->items.size(); ++i)
    if (!read(b, list->items[i], host::JsonItem(path, i))) return false;
  return true;
}

// Every node naming a style by the name property alone gets the assignment
// proper; the name must be a style of the library.
bool AssignNamedStyles(ArtJsonBuild& b, host::INode& root) {
  for (host::INode* node : NodesChildrenFirst(root)) {
    std::string name;
    if (node->UserPropExists(PW_PROP_PROPERTIES_VERSION) || !node->GetUserPropString(PW_PROP_STYLE_NAME, name))
      continue;
    const int slot = b.library.Find(PW_STYLE_CLASS_ID, name);
    if (slot < 0)
      return b.ctx.Fail("", "node '" + node->GetName() + "': no style is named '" + name + "'; the styles are " +
                                QuotedNameList(MaterialNamesOfClass(b.library, PW_STYLE_CLASS_ID)));
    AssignStyle(*node, b.library, slot);
  }
  return true;
}

// "defaultStyle": every geometry node without a style of its own.
bool AssignDefaultStyle(ArtJsonBuild& b, host::INode& root, const JsonValue& v, const std::string& path) {
  PwObject* style = JsonMaterialByName(b, v, path, PW_STYLE_CLASS_ID);
  if (!style) return false;
  const int slot = b.library.IndexOf(style);
  for (host::INode* node : NodesChildrenFirst(root)) {
    const bool hasOwn =
        node->UserPropExists(PW_PROP_PROPERTIES_VERSION) || node->UserPropExists(PW_PROP_STYLE_NAME) ||
        node->GetAppDataChunk(PW_STYLE_APPDATA_CLASS_ID, PW_STYLE_APPDATA_SUPER_CLASS_ID, PW_STYLE_APPDATA_SUB_ID);
    if (!hasOwn && !HolderOfNode(node) && IsGeometryNode(*node)) AssignStyle(*node, b.library, slot);
  }
  return true;
}

}  // namespace

std::string WordList(const std::vector<std::string_view>& words) {
  std::string list;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i > 0) list += i + 1 == words.size() ? " or " : ", ";
    list += "'" + std::string(words[i]) + "'";
  }
  return list;
}

bool JsonWord(host::JsonContext& ctx, const JsonValue& v, const std::string& path,
              const std::vector<std::string_view>& words, int* out) {
  const std::string list = WordList(words);
  if (!v.IsString()) return ctx.Fail(path, "expected one of " + list);
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (v.text == words[i]) {
      *out = static_cast<int>(i);
      return true;
    }
  }
  return ctx.Fail(path, "'" + v.text + "' is not one of " + list);
}

bool JsonDegrees(host::JsonContext& ctx, const JsonValue& v, const std::string& path, float* radians) {
  double degrees = 0.0;
  if (!host::JsonNumber(ctx, v, path, 0.0, 180.0, &degrees)) return false;
  *radians = static_cast<float>(degrees * std::numbers::pi / 180.0);
  return true;
}

PwObject* JsonMaterialByName(ArtJsonBuild& b, const JsonValue& v, const std::string& path, host::Class_ID classId) {
  std::string name;
  if (!host::JsonString(b.ctx, v, path, &name)) return nullptr;
  const int slot = b.library.Find(classId, name);
  if (slot < 0) {
    b.ctx.Fail(path, "no " + ClassWord(classId) + " is named '" + name + "'; the " + ClassPlural(classId) + " are " +
                         QuotedNameList(MaterialNamesOfClass(b.library, classId)));
    return nullptr;
  }
  return b.library.Get(slot);
}

PwObject* JsonNewMaterial(ArtJsonBuild& b, JsonObject& o, host::Class_ID classId) {
  std::string name;
  if (!o.Has("name")) {
    b.ctx.Fail(o.Path(), "a " + ClassWord(classId) + " needs a \"name\"");
    return nullptr;
  }
  if (!o.String("name", &name)) return nullptr;
  if (name.empty() || name.find_first_of("\r\n") != std::string::npos) {
    b.ctx.Fail(o.PathOf("name"), "a name is one line of text, not empty");
    return nullptr;
  }
  if (b.library.Find(classId, name) >= 0) {
    b.ctx.Fail(o.PathOf("name"), "the library has a " + ClassWord(classId) + " named '" + name +
                                     "' already; give the new one a name of its own");
    return nullptr;
  }
  int slot = -1;
  if (const JsonValue* from = o.Has("from")) {
    PwObject* source = JsonMaterialByName(b, *from, o.PathOf("from"), classId);
    if (!source) return nullptr;
    slot = DuplicateLibraryMaterial(b.library, b.library.IndexOf(source));
  } else {
    slot = NewLibraryMaterial(b.library, host::REF_TARGET_CLASS_ID, classId);
  }
  PwObject* obj = b.library.Get(slot);
  if (!obj) {
    b.ctx.Fail(o.Path(), "the " + ClassWord(classId) + " could not be made");
    return nullptr;
  }
  obj->SetName(name);
  return obj;
}

namespace {

// "import": art-material files whose materials join the library before the
// section's own, each {"file": "looks.iam", "select": ["style:Blueprint"],
// "onClash": "skip"|"copy"|"replace"|"replace-all", "copyName": "..."} or
// just the file name. Nobody is asked at load: a clash without "onClash"
// keeps the scene's material (a style's tool comes as a numbered copy).
bool ImportArtMaterialFiles(ArtJsonBuild& b, const JsonValue& v, const std::string& path) {
  host::JsonContext& ctx = b.ctx;
  if (!v.IsArray()) return ctx.Fail(path, "expected an array of art-material files");
  for (std::size_t i = 0; i < v.items.size(); ++i) {
    const std::string p = host::JsonItem(path, i);
    const JsonValue& item = v.items[i];
    std::string file, onClash, copyName;
    std::vector<std::string> select;
    if (item.IsString()) {
      file = item.text;
    } else {
      JsonObject o(ctx, item, p);
      if (!item.IsObject()) return ctx.Fail(p, "expected a file name or {\"file\": ...}");
      if (!o.Check({"file", "select", "onClash", "copyName"}) || !o.String("file", &file) ||
          !o.String("onClash", &onClash) || !o.String("copyName", &copyName))
        return false;
      if (file.empty()) return ctx.Fail(o.PathOf("file"), "missing: the art-material file (.iam)");
      if (const JsonValue* s = o.Has("select")) {
        if (!s->IsArray()) return ctx.Fail(o.PathOf("select"), "expected an array of \"kind:name\" or \"all\"");
        for (std::size_t k = 0; k < s->items.size(); ++k) {
          if (!s->items[k].IsString())
            return ctx.Fail(host::JsonItem(o.PathOf("select"), k), "expected \"kind:name\" or \"all\"");
          select.push_back(s->items[k].text);
        }
      }
    }
    ClashPolicy policy = ClashPolicy::Skip;
    if (!onClash.empty() && !ParseClashPolicy(onClash, &policy))
      return ctx.Fail(host::JsonMember(p, "onClash"), "expected \"skip\", \"copy\", \"replace\" or \"replace-all\"");
    ArtMaterialSource source;
    std::string error;
    if (!source.ReadFile(ctx.Resolve(file), host::ClassRegistry::Global(), &error)) return ctx.Fail(p, error);
    std::vector<int> slots;
    if (!SelectSourceMaterials(source, select, &slots, &error)) return ctx.Fail(host::JsonMember(p, "select"), error);
    const ClashResolver resolve =
        onClash.empty() && copyName.empty() ? ClashResolver() : PolicyResolver(policy, b.library, copyName);
    const ImportReport report = ImportArtMaterials(source, slots, b.library, resolve);
    if (!report.error.empty()) return ctx.Fail(p, file + ": " + report.error);
  }
  return true;
}

}  // namespace

bool ApplyArtMaterialsSections(const std::vector<ArtMaterialsSection>& sections, host::Scene& scene,
                               const std::string& sceneFile, std::string* error) {
  std::string ignored;
  if (!error) error = &ignored;
  host::SceneRoot* root = scene.Root();
  PwObjectLibrary* library = GetCurrentLibrary(root);
  if (!library) {
    *error = sceneFile + ": the scene cannot be given an art-material library";
    return false;
  }
  auto build = [&](const std::string& file) {
    return ArtJsonBuild{{file, std::filesystem::path(file).parent_path(), "", 160}, *library};
  };
  const std::string top = "artMaterials";
  // Every section's materials before any name is looked up, so that a node
  // may name a style another file defines.
  for (const ArtMaterialsSection& section : sections) {
    if (!section.value) continue;
    ArtJsonBuild b = build(section.file);
    JsonObject o(b.ctx, *section.value, top);
    // Tools before the styles that draw with them; each list in file order,
    // so a definition may start "from" any one before it.
    const host::JsonValue* canvas = o.Has("canvas");
    if (!o.Check({"import", "brushes", "paints", "strokes", "surfaces", "styles", "canvas", "defaultStyle"}) ||
        (o.Has("import") && !ImportArtMaterialFiles(b, *o.Has("import"), o.PathOf("import"))) ||
        !ReadList(b, o, "brushes", ReadBrush) || !ReadList(b, o, "paints", ReadPaint) ||
        !ReadList(b, o, "strokes", ReadStroke) || !ReadList(b, o, "surfaces", ReadSurface) ||
        !ReadList(b, o, "styles", ReadJsonStyle) ||
        (canvas && !ReadJsonCanvas(b, *canvas, o.PathOf("canvas")))) {
      *error = b.ctx.error;
      return false;
    }
  }
  ArtJsonBuild named = build(sceneFile);
  if (!AssignNamedStyles(named, *root)) {
    *error = named.ctx.error;
    return false;
  }
  for (const ArtMaterialsSection& section : sections) {
    const JsonValue* d = section.value ? section.value->Find("defaultStyle") : nullptr;
    if (!d) continue;
    ArtJsonBuild b = build(section.file);
    if (!AssignDefaultStyle(b, *root, *d, host::JsonMember(top, "defaultStyle"))) {
      *error = b.ctx.error;
      return false;
    }
  }
  return true;
}

bool ApplyArtMaterialsJson(const JsonValue* artMaterials, host::Scene& scene, const std::string& file,
                           std::string* error) {
  return ApplyArtMaterialsSections({{artMaterials, file}}, scene, file, error);
}

bool ReadArtMaterialsFile(const std::string& path, JsonValue* section, std::string* error) {
  std::string ignored;
  if (!error) error = &ignored;
  std::string text;
  if (!host::ReadWholeFile(path, text, error)) return false;
  JsonValue top;
  std::string why;
  if (!host::ParseJson(text, top, &why)) {
    *error = path + ": " + why;
    return false;
  }
  const JsonValue* found = top.Find("artMaterials");
  if (!found) {
    *error = path + ": the file has no \"artMaterials\" section";
    return false;
  }
  *section = *found;
  return true;
}

bool AssignStyleToAllMeshes(host::Scene& scene, const std::string& name, std::string* error) {
  std::string ignored;
  if (!error) error = &ignored;
  PwObjectLibrary* library = GetCurrentLibrary(scene.Root());
  if (!library) {
    *error = "the scene cannot be given an art-material library";
    return false;
  }
  const int slot = library->Find(PW_STYLE_CLASS_ID, name);
  if (slot < 0) {
    *error = "no style is named '" + name + "'; the styles are " +
             QuotedNameList(MaterialNamesOfClass(*library, PW_STYLE_CLASS_ID));
    return false;
  }
  AssignStyleToAll(*scene.Root(), *library, slot);
  return true;
}

bool LoadSceneWithArtMaterials(const std::string& path, host::Scene& scene, std::string* error,
                               host::SceneInputInfo* info, const ArtMaterialsSection* extra) {
  std::string ignored;
  if (!error) error = &ignored;
  host::SceneInputInfo local;
  host::SceneInputInfo& in = info ? *info : local;
  if (!host::LoadSceneInput(path, scene, error, &in)) return false;
  std::vector<ArtMaterialsSection> sections{{in.artMaterials ? &*in.artMaterials : nullptr, path}};
  if (extra) sections.push_back(*extra);
  return ApplyArtMaterialsSections(sections, scene, path, error);
}

}  // namespace pw
