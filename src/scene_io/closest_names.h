// Suggestions for a mistyped name: the known names nearest to it, for
// messages such as "unknown command 'rendr' (did you mean 'render'?)".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pw {

// Edits (insert, delete, replace, swap two neighbours) from a to b, letter
// case ignored.
std::size_t NameDistance(std::string_view a, std::string_view b);

// Up to `most` of `names` near enough to `typed` to be what was meant,
// nearest first, ties in the order given, each name once. A name counts when
// it is a few edits away (about a third of its length), or when one of the
// two holds the other (letter case ignored), as "Hidden" does "Hidden-line".
std::vector<std::string> ClosestNames(std::string_view typed, const std::vector<std::string>& names,
                                      std::size_t most);

// "'a'", "'a' or 'b'", "'a', 'b' or 'c'"; "" for none.
std::string QuotedAlternatives(const std::vector<std::string>& names);

}  // namespace pw
