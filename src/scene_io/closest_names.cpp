#include "scene_io/closest_names.h"

#include <algorithm>
#include <cctype>

namespace pw {

namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// How many edits a name may be away and still be a likely slip: one for
// short names, then one more for every three letters.
std::size_t Allowance(std::string_view name) { return std::max<std::size_t>(1, name.size() / 3); }

}  // namespace

std::size_t NameDistance(std::string_view a, std::string_view b) {
  const std::string x = Lower(a), y = Lower(b);
  const std::size_t n = x.size(), m = y.size();
  // Three rows of the optimal-string-alignment table: two back, one back, this one.
  std::vector<std::size_t> before(m + 1), last(m + 1), row(m + 1);
  for (std::size_t j = 0; j <= m; ++j) last[j] = j;
  for (std::size_t i = 1; i <= n; ++i) {
    row[0] = i;
    for (std::size_t j = 1; j <= m; ++j) {
      const std::size_t replace = last[j - 1] + (x[i - 1] == y[j - 1] ? 0 : 1);
      row[j] = std::min({last[j] + 1, row[j - 1] + 1, replace});
      if (i > 1 && j > 1 && x[i - 1] == y[j - 2] && x[i - 2] == y[j - 1]) row[j] = std::min(row[j], before[j - 2] + 1);
    }
    std::swap(before, last);
    std::swap(last, row);
  }
  return last[m];
}

std::vector<std::string> ClosestNames(std::string_view typed, const std::vector<std::string>& names,
                                      std::size_t most) {
  struct Candidate {
    std::size_t score;
    std::size_t order;
  };
  const std::string lowTyped = Lower(typed);
  std::vector<Candidate> found;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (std::find(names.begin(), names.begin() + static_cast<std::ptrdiff_t>(i), names[i]) !=
        names.begin() + static_cast<std::ptrdiff_t>(i))
      continue;  // listed before
    const std::size_t d = NameDistance(typed, names[i]);
    const std::string lowName = Lower(names[i]);
    const bool holds = !lowTyped.empty() && (lowName.find(lowTyped) != std::string::npos ||
                                             lowTyped.find(lowName) != std::string::npos);
    if (d <= Allowance(names[i]) || holds) found.push_back({holds ? std::min<std::size_t>(d, 1) : d, i});
  }
  std::stable_sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) { return a.score < b.score; });
  std::vector<std::string> out;
  for (std::size_t k = 0; k < found.size() && k < most; ++k) out.push_back(names[found[k].order]);
  return out;
}

std::string QuotedAlternatives(const std::vector<std::string>& names) {
  std::string out;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) out += i + 1 == names.size() ? " or " : ", ";
    out += "'" + names[i] + "'";
  }
  return out;
}

}  // namespace pw
