#include "library/art_materials.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "plugin/class_ids.h"

namespace pw {

namespace {

constexpr std::array<ArtMaterialClass, kArtMaterialClassCount> kClasses{{
    {PW_BRUSH_CLASS_ID, "brush", "brushes", "Brush"},
    {PW_PAINT_CLASS_ID, "paint", "paints", "Paint"},
    {PW_STROKE_CLASS_ID, "stroke", "strokes", "Stroke"},
    {PW_SURFACE_CLASS_ID, "surface", "surfaces", "Surface"},
    {PW_STYLE_CLASS_ID, "style", "styles", "Style"},
    {PW_CANVAS_CLASS_ID, "canvas", "canvases", "Canvas"},
}};

bool SameWord(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(x) == lower(y);
  });
}

// "#12" -> 12; -1 for anything else.
int SlotOf(const std::string& what) {
  if (what.size() < 2 || what[0] != '#') return -1;
  int slot = -1;
  const char* end = what.data() + what.size();
  auto [ptr, ec] = std::from_chars(what.data() + 1, end, slot);
  return ec == std::errc() && ptr == end && slot >= 0 ? slot : -1;
}

}  // namespace

const ArtMaterialClass* ArtMaterialClasses() { return kClasses.data(); }

const ArtMaterialClass* FindArtMaterialClass(std::string_view word) {
  for (const ArtMaterialClass& c : kClasses)
    if (SameWord(word, c.word) || SameWord(word, c.plural)) return &c;
  return nullptr;
}

const ArtMaterialClass* FindArtMaterialClass(host::Class_ID id) {
  for (const ArtMaterialClass& c : kClasses)
    if (c.id == id) return &c;
  return nullptr;
}

std::string_view OriginName(int origin) {
  switch (origin) {
    case PW_ORIGIN_DEFAULT: return "default";
    case PW_ORIGIN_PRESET: return "preset";
    case PW_ORIGIN_USER: return "user";
    default: return "?";
  }
}

std::vector<LibraryListEntry> ListLibrary(const PwObjectLibrary& library) {
  std::vector<LibraryListEntry> entries;
  for (int slot = 0; slot < library.Capacity(); ++slot) {
    const PwObject* obj = library.Get(slot);
    if (!obj) continue;
    entries.push_back({slot, obj->DisplayClassName(), obj->GetName(), obj->GetOrigin(), obj->GetNumber()});
  }
  return entries;
}

std::vector<std::string> MaterialNamesOfClass(const PwObjectLibrary& library, host::Class_ID classId) {
  std::vector<std::string> names;
  for (int slot = 0; slot < library.Capacity(); ++slot) {
    const PwObject* obj = library.Get(slot);
    if (obj && obj->ClassID() == classId && std::find(names.begin(), names.end(), obj->GetName()) == names.end())
      names.push_back(obj->GetName());
  }
  return names;
}

std::string QuotedNameList(const std::vector<std::string>& names) {
  if (names.empty()) return "none";
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
    text += "'" + names[i] + "'";
  }
  return text;
}

std::vector<int> FindMaterials(const PwObjectLibrary& library, const std::string& what,
                               std::optional<host::Class_ID> classId) {
  auto wanted = [&](const PwObject* obj) { return obj && (!classId || obj->ClassID() == *classId); };
  if (const int slot = SlotOf(what); slot >= 0) {
    if (wanted(library.Get(slot))) return {slot};
    return {};
  }
  std::vector<int> slots;
  for (int slot = library.FindFirstByName(what); slot >= 0; slot = library.FindNextByName(what, slot))
    if (wanted(library.Get(slot))) slots.push_back(slot);
  return slots;
}

}  // namespace pw
