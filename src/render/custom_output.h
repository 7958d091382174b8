// Custom output files: the surfaces and the lines of a raster frame, each
// written to an image file of its own, numbered per frame in a sequence.
#pragma once

#include <functional>
#include <string>

#include "host/imaging/bitmap.h"
#include "host/imaging/image_io.h"
#include "host/params/paramblock.h"
#include "host/core/time.h"

namespace pw {

enum class PwCustomPass { Surfaces, Lines };

// The frame being written and how its files are numbered.
struct PwCustomOutputFrame {
  host::TimeValue time = 0;
  int ticksPerFrame = host::GetTicksPerFrame();
  int fileNumberBase = 0;
  bool multiFrame = false;  // a sequence: file names get the frame number
  // Told before the file is written (with its name) and as it is written;
  // see host::ImageWriteProgress. Either may be empty.
  std::function<void(const std::string& path)> starting;
  host::ImageWriteProgress progress;
};

struct PwCustomOutputResult {
  bool ok = false;
  std::string path;     // the file written, or the one that could not be
  std::string message;  // for the user, when !ok
  std::string detail;   // why, when known (the image writer's words)
};

// Whether the block asks for the pass's custom file.
bool CustomOutputOn(const host::IParamBlock2& block, PwCustomPass pass, host::TimeValue t = 0);
// The pass's file name as the block holds it (no frame number).
std::string CustomOutputFileName(const host::IParamBlock2& block, PwCustomPass pass, host::TimeValue t = 0);

// Writes `image` to the pass's file, with the frame number appended for a
// sequence (an empty name gets none, and fails to write). The file holds the
// image's size, aspect and 16 bits a channel where the format can store them
// (PNG), 8 where it cannot (TGA); the format follows the extension. The
// block is not changed. A failure leaves any existing file as it was.
PwCustomOutputResult WriteCustomOutput(const host::IParamBlock2& block, PwCustomPass pass,
                                       const host::Bitmap& image, const PwCustomOutputFrame& frame);

}  // namespace pw
