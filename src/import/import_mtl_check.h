// A first pass over MTL text for values the parser takes without a word:
// colours and numbers that are not numbers ("Kd abc", "Kd nan nan nan"),
// and values outside their range ("d -1", "Ns -5"). Each gets a warning
// naming the file and line; a value that is not a number is ignored (the
// material keeps what it had before the line), one out of range is clamped.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace host {

enum class MtlKey { Ka, Kd, Ks, Ke, D, Tr, Ns };

// The value a material should end up with for one key, where the parser's
// own reading of the file must be replaced.
struct MtlValueFix {
  std::size_t material = 0;  // among the file's named materials, in file order
  MtlKey key = MtlKey::Kd;
  bool present = false;  // false: no good line was left; the parser's default stands
  float value[3] = {0.0f, 0.0f, 0.0f};
};

struct MtlCheck {
  std::size_t materials = 0;  // named materials ("newmtl NAME") in the file
  std::vector<MtlValueFix> fixes;
  std::vector<std::string> warnings;  // "path:line: what"
};

// `path` is the file as named in the warnings.
MtlCheck CheckMtlText(std::string_view text, const std::string& path);

}  // namespace host
