// Moving the resolved pixel buffer into the output bitmap.
#pragma once

#include "host/imaging/bitmap.h"
#include "render/background.h"
#include "render/field_rows.h"
#include "render/pixel_buffer.h"

namespace pw {

// For "don't antialias against the background": every record a surface did
// not cover fully becomes the background of its pixel again, so only whole
// coverage ever shows over the background. The image must be the buffer's size.
void restoreBackground(PwPixelBuffer& buffer, const PwBackgroundImage& image);

// Writes the records' colours and alpha into the rows of `rows`; when the
// bitmap has a Z channel, their depths too. False (nothing written) when the
// bitmap's size is not the buffer's.
bool writeBufferRows(const PwPixelBuffer& buffer, host::Bitmap& bitmap, PwRowSet rows);

// Writes the background image into the rows of `rows` of the bitmap (alpha
// 0). False when the sizes differ.
bool writeBackgroundRows(const PwBackgroundImage& image, host::Bitmap& bitmap, PwRowSet rows);

}  // namespace pw
