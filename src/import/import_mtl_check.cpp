#include "import/import_mtl_check.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

namespace host {

namespace {

bool Space(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && Space(line[i])) ++i;
    const std::size_t start = i;
    while (i < line.size() && !Space(line[i])) ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

std::optional<float> Number(std::string_view word) {
  if (!word.empty() && word.front() == '+') word.remove_prefix(1);
  double v = 0.0;
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), v);
  if (ec != std::errc() || end != word.data() + word.size() || !std::isfinite(v) ||
      std::abs(v) > 3.0e38)
    return std::nullopt;
  return static_cast<float>(v);
}

struct KeyInfo {
  std::string_view word;
  MtlKey key;
  bool colour;
  float low, high;  // the valid range
  const char* what;
};

constexpr float kNoLimit = 3.0e38f;
constexpr KeyInfo kKeys[] = {
    {"Ka", MtlKey::Ka, true, 0.0f, kNoLimit, "an ambient colour"},
    {"Kd", MtlKey::Kd, true, 0.0f, kNoLimit, "a diffuse colour"},
    {"Ks", MtlKey::Ks, true, 0.0f, kNoLimit, "a specular colour"},
    {"Ke", MtlKey::Ke, true, 0.0f, kNoLimit, "an emission colour"},
    {"d", MtlKey::D, false, 0.0f, 1.0f, "an opacity from 0 to 1"},
    {"Tr", MtlKey::Tr, false, 0.0f, 1.0f, "a transparency from 0 to 1"},
    {"Ns", MtlKey::Ns, false, 0.0f, kNoLimit, "a specular exponent of 0 or more"},
};
constexpr std::size_t kNumKeys = std::size(kKeys);

struct Slot {
  bool fix = false;      // some line was ignored or clamped
  bool present = false;  // a usable value was seen
  float value[3] = {0.0f, 0.0f, 0.0f};
};

std::string Quoted(std::string_view line) {
  std::string s(line.substr(0, std::min<std::size_t>(line.size(), 60)));
  while (!s.empty() && Space(s.back())) s.pop_back();
  return "'" + s + "'";
}

std::string Short(float v) {
  char buf[32];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  return ec == std::errc() ? std::string(buf, end) : std::string("?");
}

}  // namespace

MtlCheck CheckMtlText(std::string_view text, const std::string& path) {
  MtlCheck check;
  Slot slots[kNumKeys];
  bool inMaterial = false, sawD = false;
  auto flush = [&] {
    if (inMaterial)
      for (std::size_t k = 0; k < kNumKeys; ++k)
        // The reader lets "d" win over "Tr"; so do the fixes.
        if (slots[k].fix && !(kKeys[k].key == MtlKey::Tr && sawD)) {
          MtlValueFix fix;
          fix.material = check.materials - 1;
          fix.key = kKeys[k].key;
          fix.present = slots[k].present;
          std::copy(std::begin(slots[k].value), std::end(slots[k].value), fix.value);
          check.fixes.push_back(fix);
        }
    for (Slot& s : slots) s = Slot();
    sawD = false;
  };

  std::size_t lineNo = 0;
  for (std::size_t pos = 0; pos <= text.size();) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNo;
    const std::vector<std::string_view> words = Words(line);
    if (words.empty() || words[0].front() == '#') continue;
    if (words[0] == "newmtl") {
      flush();
      inMaterial = words.size() > 1;
      if (inMaterial) ++check.materials;
      continue;
    }
    const KeyInfo* info = nullptr;
    std::size_t k = 0;
    for (; k < kNumKeys; ++k)
      if (kKeys[k].word == words[0]) {
        info = &kKeys[k];
        break;
      }
    if (!info) continue;
    const std::string where = path + ":" + std::to_string(lineNo) + ": " + Quoted(line);
    // Colours may be given as one grey value; "Kd spectral ..." and
    // "Kd xyz ..." are forms the reader does not take either.
    const std::size_t given = words.size() - 1;
    const std::size_t wanted = info->colour ? (given == 1 ? 1 : 3) : 1;
    float v[3] = {0.0f, 0.0f, 0.0f};
    bool ok = given >= 1 && (!info->colour || given == 1 || given == 3) && (info->colour || given == 1);
    for (std::size_t i = 0; ok && i < wanted; ++i) {
      const std::optional<float> n = Number(words[1 + i]);
      ok = n.has_value();
      if (ok) v[i] = *n;
    }
    Slot& slot = slots[k];
    sawD = sawD || info->key == MtlKey::D;
    if (!ok) {
      check.warnings.push_back(where + " is not " + info->what + "; the line is ignored");
      slot.fix = true;
      continue;
    }
    if (wanted == 1) v[1] = v[2] = v[0];
    bool clamped = false;
    for (float& c : v) {
      const float held = std::clamp(c, info->low, info->high);
      clamped = clamped || held != c;
      c = held;
    }
    if (clamped) {
      check.warnings.push_back(where + " is not " + info->what +
                               (info->colour ? std::string("; negative parts are taken as 0")
                                             : "; it is taken as " + Short(v[0])));
      slot.fix = true;
    }
    slot.present = true;
    std::copy(std::begin(v), std::end(v), slot.value);
  }
  flush();
  return check;
}

}  // namespace host
