// Which image rows a field of a field-rendered frame owns.
#pragma once

namespace pw {

// Rows first, first + step, first + 2 step, ...
struct PwRowSet {
  int first = 0;
  int step = 1;
};

// Field 0 (and a frame without fields) writes every row; field 1 then
// overwrites only its own: odd rows with field order 0, even rows with 1.
inline PwRowSet rowsOfField(int field, int fieldOrder) {
  if (field == 0) return {0, 1};
  return {fieldOrder == 0 ? 1 : 0, 2};
}

}  // namespace pw
