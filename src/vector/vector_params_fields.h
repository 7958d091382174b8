// Private to the options records: maps a record's field numbers to its members,
// so each record lists its fields once and Get/Store need no switch.
#pragma once

#include <cstdint>
#include <span>
#include <type_traits>
#include <variant>

namespace pw::detail {

template <class Record>
using OptionMember = std::variant<std::int32_t Record::*, bool Record::*>;

template <class Record>
std::int32_t GetMember(const Record& r, std::span<const OptionMember<Record>> members, int field) {
  if (field < 0 || static_cast<std::size_t>(field) >= members.size()) return 0;
  return std::visit([&r](auto m) { return static_cast<std::int32_t>(r.*m); },
                    members[static_cast<std::size_t>(field)]);
}

template <class Record>
void StoreMember(Record& r, std::span<const OptionMember<Record>> members, int field, std::int32_t v) {
  if (field < 0 || static_cast<std::size_t>(field) >= members.size()) return;
  std::visit(
      [&r, v](auto m) {
        using T = std::remove_reference_t<decltype(r.*m)>;
        if constexpr (std::is_same_v<T, bool>) {
          r.*m = v != 0;
        } else {
          r.*m = v;
        }
      },
      members[static_cast<std::size_t>(field)]);
}

}  // namespace pw::detail
