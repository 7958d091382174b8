// Vector output of a render run: the frame's surfaces and lines handed to a
// vector file writer instead of being drawn. The frame driver calls these
// in the order of the run; an implementation drives the writer.
#pragma once

namespace host {
class Bitmap;
}

namespace pw {

struct PwRenderRun;
class PwRenderInstance;
class PwStyle;

class PwVectorRenderer {
 public:
  virtual ~PwVectorRenderer() = default;

  // At Open: checks the output file (asking before replacing one) and
  // starts the sequence. False refuses the run (the reason is reported).
  virtual bool Open(PwRenderRun& run) = 0;
  // At the start of each field's object stage; `preview` is the output bitmap.
  virtual bool BeginFrame(PwRenderRun& run, host::Bitmap* preview) = 0;
  virtual void BeginObject(PwRenderRun& run, PwRenderInstance& instance) = 0;
  // Whether the writer takes surfaces and lines at all.
  virtual bool WantsSurfaces() const = 0;
  virtual bool WantsLines() const = 0;
  // The object's surface polygons and lines. False when the frame cannot go on.
  virtual bool DrawSurfaces(PwRenderRun& run, PwRenderInstance& instance, PwStyle& style) = 0;
  virtual bool DrawLines(PwRenderRun& run, PwRenderInstance& instance, PwStyle& style) = 0;
  virtual void EndObject(PwRenderRun& run, PwRenderInstance& instance) = 0;
  // False when the frame's file could not be completed (reported).
  virtual bool EndFrame(PwRenderRun& run) = 0;
  // At Close: completes the file of a run whose last frame succeeded, or
  // abandons it.
  virtual void Finish(PwRenderRun& run) = 0;
  virtual void Abandon(PwRenderRun& run) = 0;
};

}  // namespace pw
