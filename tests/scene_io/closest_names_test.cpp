#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <string>
#include <vector>

#include "scene_io/closest_names.h"

using namespace pw;

namespace {

// The edit distance by its definition, tried every way: slow, but plainly right.
std::size_t SlowDistance(const std::string& a, const std::string& b) {
  if (a.empty()) return b.size();
  if (b.empty()) return a.size();
  auto same = [](char x, char y) { return std::tolower(x) == std::tolower(y); };
  std::size_t best = std::min(SlowDistance(a.substr(1), b) + 1, SlowDistance(a, b.substr(1)) + 1);
  best = std::min(best, SlowDistance(a.substr(1), b.substr(1)) + (same(a[0], b[0]) ? 0 : 1));
  if (a.size() > 1 && b.size() > 1 && same(a[0], b[1]) && same(a[1], b[0]))
    best = std::min(best, SlowDistance(a.substr(2), b.substr(2)) + 1);
  return best;
}

}  // namespace

TEST(ClosestNamesTest, DistanceMatchesTheDefinitionOnRandomNames) {
  std::mt19937 rng(7);
  const std::string letters = "abAB-";
  for (int i = 0; i < 2000; ++i) {
    std::string a, b;
    for (int n = static_cast<int>(rng() % 7); n > 0; --n) a += letters[rng() % letters.size()];
    for (int n = static_cast<int>(rng() % 7); n > 0; --n) b += letters[rng() % letters.size()];
    ASSERT_EQ(NameDistance(a, b), SlowDistance(a, b)) << "NameDistance(\"" << a << "\", \"" << b << "\")";
    ASSERT_EQ(NameDistance(a, b), NameDistance(b, a)) << a << " / " << b;
  }
}

TEST(ClosestNamesTest, SlipsFindTheirNameAndStrangersFindNone) {
  const std::vector<std::string> commands{"classes", "info", "render", "library", "help"};
  struct Case {
    const char* typed;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"rendr", {"render"}},    // a letter left out
      {"redner", {"render"}},   // two letters swapped
      {"RENDER", {"render"}},   // letter case
      {"libary", {"library"}},
      {"inf", {"info"}},
      {"xyzzy", {}},
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ClosestNames(c.typed, commands, 3), c.expected) << c.typed;

  // A part of a longer name counts, nearest first, each name once, at most `most`.
  const std::vector<std::string> styles{"Default", "Outlines", "Hidden-line", "Ink lines", "Outlines", "Ink outline"};
  EXPECT_EQ(ClosestNames("Hidden", styles, 3), std::vector<std::string>{"Hidden-line"});
  EXPECT_EQ(ClosestNames("outline", styles, 3), (std::vector<std::string>{"Outlines", "Ink outline"}));
  EXPECT_EQ(ClosestNames("Ink", styles, 1), std::vector<std::string>{"Ink lines"});
}

TEST(ClosestNamesTest, AlternativesReadAsASentence) {
  EXPECT_EQ(QuotedAlternatives({}), "");
  EXPECT_EQ(QuotedAlternatives({"a"}), "'a'");
  EXPECT_EQ(QuotedAlternatives({"a", "b"}), "'a' or 'b'");
  EXPECT_EQ(QuotedAlternatives({"a", "b", "c"}), "'a', 'b' or 'c'");
}
