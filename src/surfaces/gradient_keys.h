// The sorted key table of a colour gradient and its evaluation.
//
// Plain data so that shading reads a gradient without touching the
// reference graph: the table is rebuilt from the gradient's keys whenever
// they change, then evaluated many times per frame.
#pragma once

#include <span>
#include <vector>

#include "host/core/color.h"

namespace pw {

struct GradientKey {
  float r = 0.0f;
  float g = 0.0f;
  float b = 0.0f;
  float position = 0.0f;
  int ref = -1;  // the gradient's reference slot holding this key
};
static_assert(sizeof(GradientKey) == 20, "a key entry is 20 bytes: colour, position, slot");

// Orders the table by position. Keys of equal position keep no guaranteed
// order among themselves.
void SortGradientKeys(std::vector<GradientKey>& keys);

// The colour at x: the first key's colour at or before it, the last key's
// at or after it, linear between the two keys around x. Black for an empty
// table or an x that is not a number.
host::Color EvaluateGradient(std::span<const GradientKey> keys, float x);

}  // namespace pw
