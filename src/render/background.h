// The background of a raster frame: the environment map or the frame's
// background colour, evaluated once per pixel, and the pixel buffer reset
// to it.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "host/imaging/bitmap.h"
#include "host/core/color.h"
#include "host/render_api/render_interfaces.h"
#include "host/shading/texmap.h"
#include "render/pixel_buffer.h"
#include "frame/progress.h"
#include "frame/projection.h"

namespace pw {

// The shading context an environment map is evaluated through: a pixel of
// the screen and the direction the camera looks through it, nothing else.
class PwBGContext : public host::ShadeContext {
 public:
  PwBGContext();

  float screenX = 0.0f;  // the pixel centre being evaluated
  float screenY = 0.0f;
  float width = 1.0f;
  float height = 1.0f;
  float invWidth = 1.0f;
  float invHeight = 1.0f;
  host::Point3 view;            // camera space, eye towards the pixel
  host::Matrix3 camToWorld;
  host::Matrix3 worldToCam;
  host::TimeValue time = 0;

  // Sets the size and its reciprocals.
  void setSize(int w, int h);
  // Sets the camera's placement (worldFromCamera).
  void setCamera(const host::Matrix3& cameraToWorld);

  host::TimeValue CurTime() override { return time; }
  host::LightDesc* Light(int) override { return nullptr; }
  host::Point3 P() override { return view * kPointDistance; }
  host::Point3 V() override { return view; }
  void SetView(const host::Point3& v) override { view = v; }
  host::Point3 Normal() override { return -view; }
  void SetNormal(const host::Point3&) override {}
  host::Point3 OrigNormal() override { return -view; }
  host::Point3 GNormal() override { return {}; }
  host::Point3 PointTo(const host::Point3& p, host::RefFrame ito) override;
  host::Point3 PointFrom(const host::Point3& p, host::RefFrame ifrom) override;
  host::Point3 VectorTo(const host::Point3& v, host::RefFrame ito) override;
  host::Point3 VectorFrom(const host::Point3& v, host::RefFrame ifrom) override;
  host::Point3 PObj() override;
  host::Point3 DPObj() override { return {}; }
  void ScreenUV(host::Point2& uv, host::Point2& duv) override;
  void ScreenCoord(int& x, int& y) override;
  host::Point3 UVW(int) override { return {}; }
  host::AColor EvalEnvironMap(host::Texmap* map, const host::Point3& dir) override;

 private:
  // Points of the environment sit this far along the view direction.
  static constexpr float kPointDistance = 100.0f;
};

struct PwBackgroundImage {
  int width = 0;
  int height = 0;
  // Row 0 first, alpha always 0; empty when every pixel is `colour` (a
  // background without a map needs no image of its own).
  std::vector<host::BMM_Color_64> pixels;
  host::BMM_Color_64 colour{};
  std::unique_ptr<PwBGContext> context;  // made on first use

  bool uniform() const { return pixels.empty(); }
  const host::BMM_Color_64& at(int x, int y) const {
    if (pixels.empty()) return colour;
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
  }
  const host::BMM_Color_64& at(std::size_t i) const { return pixels.empty() ? colour : pixels[i]; }
};

// What the background is made from for one field.
struct PwBackgroundSource {
  host::Texmap* environmentMap = nullptr;  // none: the colour
  host::Color colour;                      // the frame's background colour
  host::TimeValue time = 0;
  host::Matrix3 camToWorld;
  PwProjection projection;  // gives each pixel its view direction
  // The picture's size, for a frame that has no pixel buffer (0 x 0); a
  // buffer's own size wins.
  int width = 0;
  int height = 0;
};

// The camera-space direction from the eye through screen point (sx, sy),
// normalized; straight ahead for parallel views.
host::Point3 viewDirection(const PwProjection& proj, float sx, float sy);

// Fills the background image at the pixel buffer's size and resets every
// buffer record to the background template of its pixel, under the caption
// "Preparing Background". An environment map is evaluated per pixel centre,
// its channels clamped to 0..1; progress is reported per row and a
// cancellation stops at the next row. False when cancelled or when memory
// runs out.
bool prepareBackground(PwPixelBuffer& buffer, PwBackgroundImage& image, const PwBackgroundSource& source,
                       PwRenderProgress& progress);

}  // namespace pw
