// Lines over surfaces: the last step of a raster frame.
//
// Line pixels are premultiplied by their alpha, so "over" is one multiply
// and one add per channel in 16-bit fixed point.
#pragma once

#include <span>

#include "host/imaging/bitmap.h"
#include "render/field_rows.h"

namespace pw {

// A line pixel over a surface pixel: an opaque line replaces the surface;
// otherwise each channel (alpha too) becomes
// (surface * (65536 - lineAlpha)) >> 16 + line, held to 65535.
host::BMM_Color_64 composeLinePixel(host::BMM_Color_64 surface, host::BMM_Color_64 line);

// One row. With dontAntialiasBG, pixels the surfaces left uncovered
// (alpha 0) get no lines, so nothing blends with the background.
void composeLinesRow(std::span<host::BMM_Color_64> surfaces, std::span<const host::BMM_Color_64> lines,
                     bool dontAntialiasBG);

// Every row of `lines` over `target`. False (nothing changed) when the
// sizes differ.
bool composeLines(host::Bitmap& target, const host::Bitmap& lines, bool dontAntialiasBG);

// Copies the rows of `rows` from `from` into `to` (pixels and, where both
// have one, Z). False when the sizes differ.
bool copyRows(const host::Bitmap& from, host::Bitmap& to, PwRowSet rows);

}  // namespace pw
