#include "import/import_obj_scan.h"

#include <charconv>
#include <cmath>

namespace host {

namespace {

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Splits one line into blank-separated words (at most `max`); answers how
// many there were in all.
int Words(std::string_view line, std::string_view* out, int max) {
  int n = 0;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && Blank(line[i])) ++i;
    if (i >= line.size() || line[i] == '#') break;
    std::size_t j = i;
    while (j < line.size() && !Blank(line[j])) ++j;
    if (n < max) out[n] = line.substr(i, j - i);
    ++n;
    i = j;
  }
  return n;
}

// "" when the word is a finite number, else what is wrong with it.
std::string CheckNumber(std::string_view word) {
  float value = 0.0f;
  auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (ec == std::errc::result_out_of_range) return "'" + std::string(word) + "' is too large for a coordinate";
  if (ec != std::errc() || end != word.data() + word.size()) return "'" + std::string(word) + "' is not a number";
  if (!std::isfinite(value)) return "'" + std::string(word) + "' is not a finite number";
  return "";
}

bool CheckCoords(const std::string_view* words, int have, int need, int maxUsed, const char* what, std::uint32_t line,
                 std::string& error) {
  if (have - 1 < need) {
    error = std::to_string(line) + ": " + what + " needs " + std::to_string(need) + " coordinates";
    return false;
  }
  for (int k = 1; k < have && k <= maxUsed; ++k) {
    std::string problem = CheckNumber(words[k]);
    if (!problem.empty()) {
      error = std::to_string(line) + ": " + what + " coordinate " + problem;
      return false;
    }
  }
  return true;
}

// The rest of the line after the keyword, trimmed: a name may hold blanks.
std::string Rest(std::string_view line, std::string_view keyword) {
  std::size_t i = line.find(keyword) + keyword.size();
  while (i < line.size() && Blank(line[i])) ++i;
  std::size_t j = line.size();
  while (j > i && Blank(line[j - 1])) --j;
  return std::string(line.substr(i, j - i));
}

}  // namespace

bool ScanObjText(std::string_view text, ObjScan& scan) {
  constexpr int kMaxWords = 5;
  std::string_view words[kMaxWords];
  std::uint32_t lineNo = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t eol = text.find('\n', pos);
    if (eol == std::string_view::npos) eol = text.size();
    std::string_view line = text.substr(pos, eol - pos);
    pos = eol + 1;
    ++lineNo;
    int n = Words(line, words, kMaxWords);
    if (n == 0) continue;
    std::string_view key = words[0];
    if (key == "v") {
      ++scan.vertices;
      if (!CheckCoords(words, n, 3, 3, "vertex", lineNo, scan.error)) return false;
    } else if (key == "vt") {
      ++scan.texcoords;
      if (!CheckCoords(words, n, 1, 3, "texture", lineNo, scan.error)) return false;
    } else if (key == "f") {
      if (n >= 4) {
        scan.faceLines.push_back(lineNo);
        scan.faceCorners.push_back(static_cast<std::uint32_t>(n - 1));
      } else {
        scan.shortFaceLines.push_back(lineNo);
      }
    } else if (key == "mtllib") {
      for (int k = 1; k < n && k < kMaxWords; ++k) scan.mtllibs.push_back({std::string(words[k]), lineNo});
    } else if (key == "usemtl") {
      scan.usemtls.push_back({Rest(line, "usemtl"), lineNo});
    }
  }
  return true;
}

}  // namespace host
