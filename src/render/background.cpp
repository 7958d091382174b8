#include "render/background.h"

#include <algorithm>
#include <new>

#include "host/services/interface.h"

namespace pw {

// ---- PwBGContext ----------------------------------------------------------------

PwBGContext::PwBGContext() {
  mode = host::SCMODE_NORMAL;
  doMaps = true;
  filterMaps = true;
  shadow = false;
  backFace = false;
  mtlNum = 0;
  nLights = 0;
}

void PwBGContext::setSize(int w, int h) {
  width = static_cast<float>(w);
  height = static_cast<float>(h);
  invWidth = w > 0 ? 1.0f / width : 0.0f;
  invHeight = h > 0 ? 1.0f / height : 0.0f;
}

void PwBGContext::setCamera(const host::Matrix3& cameraToWorld) {
  camToWorld = cameraToWorld;
  worldToCam = host::Inverse(cameraToWorld);
}

host::Point3 PwBGContext::PointTo(const host::Point3& p, host::RefFrame ito) {
  return ito == host::REF_CAMERA ? p : p * camToWorld;
}

host::Point3 PwBGContext::PointFrom(const host::Point3& p, host::RefFrame ifrom) {
  return ifrom == host::REF_CAMERA ? p : p * worldToCam;
}

host::Point3 PwBGContext::VectorTo(const host::Point3& v, host::RefFrame ito) {
  return ito == host::REF_CAMERA ? v : host::VectorTransform(camToWorld, v);
}

host::Point3 PwBGContext::VectorFrom(const host::Point3& v, host::RefFrame ifrom) {
  return ifrom == host::REF_CAMERA ? v : host::VectorTransform(worldToCam, v);
}

host::Point3 PwBGContext::PObj() { return host::VectorTransform(camToWorld, view) * kPointDistance; }

void PwBGContext::ScreenUV(host::Point2& uv, host::Point2& duv) {
  uv = {screenX * invWidth, 1.0f - screenY * invHeight};
  duv = {invWidth, invHeight};
}

void PwBGContext::ScreenCoord(int& x, int& y) {
  x = static_cast<int>(screenX);
  y = static_cast<int>(screenY);
}

host::AColor PwBGContext::EvalEnvironMap(host::Texmap* map, const host::Point3& dir) {
  if (!map) return {};
  const host::Point3 saved = view;
  view = dir;
  const host::AColor c = map->EvalColor(*this);
  view = saved;
  return c;
}

// ---- The background stage ---------------------------------------------------------

host::Point3 viewDirection(const PwProjection& proj, float sx, float sy) {
  if (!proj.perspective || proj.xscale == 0.0f || proj.yscale == 0.0f) return {0.0f, 0.0f, -1.0f};
  // Inverse of sx = xscale * x / z + xc on the plane z = -1.
  const host::Point3 d{-(sx - proj.xc) / proj.xscale, -(sy - proj.yc) / proj.yscale, -1.0f};
  return host::Normalize(d);
}

namespace {

host::BMM_Color_64 backgroundPixel(const host::Color& c) {
  return {host::ToWord16(c.r), host::ToWord16(c.g), host::ToWord16(c.b), 0};
}

void storePixel(PwPixelBuffer& buffer, PwBackgroundImage& image, std::size_t i, host::BMM_Color_64 c) {
  image.pixels[i] = c;
  if (!buffer.pixels.empty()) buffer.pixels[i] = backgroundRecord(c.r, c.g, c.b);
}

bool fillFromMap(PwPixelBuffer& buffer, PwBackgroundImage& image, const PwBackgroundSource& source,
                 PwRenderProgress& progress) {
  if (!image.context) image.context = std::make_unique<PwBGContext>();
  PwBGContext& sc = *image.context;
  sc.setSize(image.width, image.height);
  sc.setCamera(source.camToWorld);
  sc.time = source.time;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      sc.screenX = static_cast<float>(x) + 0.5f;
      sc.screenY = static_cast<float>(y) + 0.5f;
      // Spherical environments read the direction through the pixel.
      sc.view = viewDirection(source.projection, sc.screenX, sc.screenY);
      const host::AColor c = source.environmentMap->EvalColor(sc);
      const std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                            static_cast<std::size_t>(x);
      storePixel(buffer, image, i, backgroundPixel({c.r, c.g, c.b}));
    }
    progress.update(static_cast<double>(y + 1) / image.height);
    if (progress.cancelled()) return false;
  }
  return true;
}

}  // namespace

bool prepareBackground(PwPixelBuffer& buffer, PwBackgroundImage& image, const PwBackgroundSource& source,
                       PwRenderProgress& progress) {
  progress.push("Preparing Background");
  const bool hasBuffer = buffer.width > 0 && buffer.height > 0;
  image.width = hasBuffer ? buffer.width : std::max(source.width, 0);
  image.height = hasBuffer ? buffer.height : std::max(source.height, 0);
  image.colour = backgroundPixel(source.colour);
  if (source.environmentMap) {
    const std::size_t count = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
    try {
      image.pixels.resize(count);
    } catch (const std::bad_alloc&) {
      image.width = image.height = 0;
      host::ErrorMessage("not enough memory for the background of a %dx%d frame (%.0f MB)", buffer.width,
                         buffer.height, static_cast<double>(count) * sizeof(host::BMM_Color_64) / (1024.0 * 1024.0));
      return false;
    }
  } else {
    std::vector<host::BMM_Color_64>().swap(image.pixels);
  }
  buffer.freePool();

  if (source.environmentMap) {
    if (!fillFromMap(buffer, image, source, progress)) return false;
  } else {
    const host::BMM_Color_64 c = image.colour;
    const PwFragment record = backgroundRecord(c.r, c.g, c.b);
    const auto width = static_cast<std::ptrdiff_t>(buffer.width);
    // Row by row, so that the bar moves while a big frame's background is laid.
    for (int y = 0; y < buffer.height; ++y) {
      const auto row = buffer.pixels.begin() + static_cast<std::ptrdiff_t>(buffer.index(0, y));
      std::fill(row, row + width, record);
      progress.update(static_cast<double>(y + 1) / buffer.height);
      if (progress.cancelled()) return false;
    }
  }
  progress.pop();
  return !progress.cancelled();
}

}  // namespace pw
