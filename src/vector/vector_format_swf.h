// The Flash writer: one movie for the whole sequence, one movie frame per
// rendered frame at the scene's frame rate.
//
// It builds its surfaces itself: for each object it asks the object's
// surface source for the visible polygons (under the progress caption
// "Vectorizing..."), paints them farthest first and
// merges polygons that follow one another in one colour into one shape.
// Lines become line styles of the object's width and colour, dashes cut
// into separate pieces; all line shapes of a frame lie above its surfaces.
// The movie is kept in memory and written whole when the sequence ends,
// since its header holds the file's length and frame count.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "styles/dash_layout.h"
#include "vector/swf_movie.h"
#include "vector/vector_params_swf.h"
#include "vector/vector_writer.h"

namespace pw {

inline constexpr const char* kSwfOutOfShapeIds =
    "Ran out of shape ids. Divide your animation into two ore more output SWF files rather than just one.";

class PwVectorFormatSWF final : public PwVectorFormat {
 public:
  void BeginSequence() override;
  bool BeginFrame(bool outputOn, bool previewOn, bool surfacesOn, bool linesOn) override;
  void BeginObject(const PwVectorObject& object) override;
  void BeginSurfaces() override;
  void DrawSegment(const PwVectorPoint& p0, const PwVectorPoint& p1) override;
  void EndLines() override;
  void EndObject() override;
  bool EndFrame() override;
  bool EndSequence() override;
  bool OneFilePerFrame() const override { return false; }
  bool WantsSurfaces() const override { return Options().surface; }
  bool WantsLines() const override { return Options().lines; }
  bool WriteTrailer() override;
  bool DrawsSurfacesItself() const override { return true; }

  const PwVectorFormatParamsSWF& Options() const;
  const swf::Movie& Movie() const { return movie_; }

 private:
  swf::Movie movie_;
  bool movieOpen_ = false;       // the movie has begun (its file is open)
  bool idsReported_ = false;     // the out-of-ids message was shown
  PwVectorSurfaceSource* surfaces_ = nullptr;  // the current object's, from BeginObject to EndObject
  std::vector<PwVectorPolygonRecord> polygons_;
  std::vector<swf::Point> points_;
  std::vector<DashInterval> dashes_;
  std::vector<std::uint8_t> bytes_;
};

// Hands `file` to the system's opener for its type (`xdg-open`). On failure
// fills `error` with the system's reason and answers false. Waits a few
// seconds for the opener to finish, so that its own complaint ("no
// application for this type") is caught; an opener still running after
// that is taken to have started the player.
bool OpenFileInPlayer(const std::string& file, std::string* error);

}  // namespace pw
