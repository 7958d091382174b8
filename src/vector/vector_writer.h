// A vector file writer: the base every file format's writer derives from.
//
// The vectoriser drives one writer through a fixed sequence: BeginSequence;
// per frame BeginFrame, then per object BeginObject, [BeginSurfaces,
// DrawPolygon..., EndSurfaces], [BeginLines, DrawSegment..., EndLines],
// EndObject, and finally EndFrame; at the end EndSequence. Before each
// primitive the caller stores the primitive's graphics state in the writer
// (fill colour for a polygon; width, dash mask, dash cell and stroke colour
// for a segment) and, once the call returns, copies the current values into
// the last-written ones, so a writer emits an operator only on a change.
//
// Files are never written in place: OpenFile writes a temporary file beside
// the target and CloseFile renames it over the target only when everything
// was written. DiscardFile drops a half-written file, so a failed or
// cancelled render leaves the previous file as it was.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vector/vector_format.h"
#include "vector/vector_out.h"

namespace host {
class Bitmap;
}

namespace pw {

class PwRenderProgress;

struct PwVectorColor {
  std::uint16_t r = 0, g = 0, b = 0, a = 0xFFFF;
  friend constexpr bool operator==(const PwVectorColor&, const PwVectorColor&) = default;
};

// A point in image pixels (y down) with its camera-space depth.
struct PwVectorPoint {
  float x = 0.0f, y = 0.0f, z = 0.0f;
};

// One filled polygon: points in image pixels, in order.
struct PwVectorPolygon {
  std::span<const PwVectorPoint> points;
};

// One polygon of an object as the vectoriser builds it from the object's faces.
struct PwVectorPolygonRecord {
  static constexpr int kMaxPoints = 10;
  PwVectorColor color;
  float depth = 0.0f;  // largest camera z of its points (nearest the viewer)
  PwVectorPoint points[kMaxPoints];
  int count = 0;
};

// For a writer that draws surfaces by itself: builds the current object's
// visible polygons (unsorted, in face order) on request.
class PwVectorSurfaceSource {
 public:
  virtual ~PwVectorSurfaceSource() = default;
  // Replaces `out` with the object's polygons; false when the object has none
  // to give (no mesh, no material).
  virtual bool BuildPolygons(std::vector<PwVectorPolygonRecord>& out) = 0;
};

// A stroke of the art-material library as a line type.
struct PwVectorStroke {
  std::int32_t mask = -1;  // 32-bit dash mask, -1 solid
  std::string name;
};

// What a frame knows beyond the drawing calls, filled by the vectoriser
// before BeginFrame.
struct PwVectorFrameInfo {
  std::vector<PwVectorStroke> strokes;       // the library's strokes, slot order
  std::vector<std::string> objectNames;      // node names of the frame's drawn objects, draw order
  std::vector<std::string> styleNames;       // the library's styles, slot order
  int width = 0, height = 0;                 // output image size in pixels
  double framesPerSecond = 30.0;
  int frameCount = 1;                        // frames in the sequence
  int frameNumber = 0;                       // the frame's number as the file names show it
  PwRenderProgress* progress = nullptr;      // for writers that work long on their own; may be null
};

// The object BeginObject starts.
struct PwVectorObject {
  std::string_view nodeName;
  std::string_view styleName;
  int index = 0;                              // position in the frame's draw order
  // For writers that draw surfaces by themselves; good until the object's
  // EndObject returns.
  PwVectorSurfaceSource* surfaces = nullptr;
};

class PwVectorFormat {
 public:
  PwVectorFormat();
  PwVectorFormat(const PwVectorFormat&) = delete;
  PwVectorFormat& operator=(const PwVectorFormat&) = delete;
  // Drops a file still open (never renamed over the target).
  virtual ~PwVectorFormat();

  // ---- Operations, in slot order ------------------------------------------
  virtual void BeginSequence();
  virtual bool BeginFrame(bool outputOn, bool previewOn, bool surfacesOn, bool linesOn);
  virtual void BeginObject(const PwVectorObject& object);
  virtual void BeginSurfaces();
  virtual void DrawPolygon(const PwVectorPolygon& polygon);
  virtual void EndSurfaces();
  virtual void BeginLines();
  virtual void DrawSegment(const PwVectorPoint& p0, const PwVectorPoint& p1);
  virtual void EndLines();
  virtual void EndObject();
  // False when the frame's file could not be completed (already reported).
  virtual bool EndFrame();
  virtual bool EndSequence();
  virtual bool OneFilePerFrame() const { return true; }
  virtual bool WantsSurfaces() const { return false; }
  virtual bool WantsLines() const { return false; }
  virtual bool WantsFacettedShading() const { return false; }
  // Takes a copy of the format's options record.
  virtual void SetParameters(const PwVectorFormatParams& params);
  virtual bool OpenFile();
  virtual bool WriteHeader() { return true; }
  virtual bool WriteTrailer() { return true; }
  virtual bool CloseFile();
  virtual bool DrawsSurfacesItself() const { return false; }

  // Drops the file being written without touching the target. Safe to call
  // when no file is open.
  void DiscardFile();

  // ---- Per-frame state the vectoriser sets --------------------------------
  std::string fileName;
  bool outputOn = false;
  bool previewOn = false;
  host::Bitmap* preview = nullptr;
  bool surfacesOn = false;
  bool linesOn = false;
  float bounds[4] = {1.0e30f, 1.0e30f, -1.0e30f, -1.0e30f};  // min x, min y, max x, max y
  PwVectorColor strokeColor, lastStrokeColor;
  float lineWidth = 0.0f, lastLineWidth = 0.0f;
  std::int32_t dashPattern = -1, lastDashPattern = -1;
  float dashCell = 1.0f;  // length in pixels of one bit of the dash mask
  PwVectorColor fillColor, lastFillColor;
  PwVectorColor backgroundColor{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
  int frameIndex = -1;
  std::unique_ptr<PwVectorFormatParams> params;
  PwVectorFrameInfo frameInfo;

  // Resets colours, width and dash to the frame-start values and the
  // last-written ones to match.
  void ResetAttributes();
  // Whether the file of this frame is open.
  bool FileOpen() const { return file_ != nullptr; }

 protected:
  // The buffered output of the open file.
  PwVectorOut out;

  // Preview drawing in image pixels.
  void PreviewFillPolygon(const PwVectorPolygon& polygon, PwVectorColor color);
  void PreviewDrawLine(const PwVectorPoint& p0, const PwVectorPoint& p1, float width, std::int32_t pattern,
                       PwVectorColor color);

 private:
  std::FILE* file_ = nullptr;
  std::string tempName_;
};

// Creates the writer of the registry's format at `index`, or null.
std::unique_ptr<PwVectorFormat> CreateVectorFormat(int index);

}  // namespace pw
