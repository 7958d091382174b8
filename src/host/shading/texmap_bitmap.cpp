#include "host/shading/texmap_bitmap.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "host/core/types.h"
#include "host/imaging/image_io.h"
#include "host/services/interface.h"

namespace host {

namespace {

enum BitmapTexChunk : std::uint16_t {
  BMTEX_FILE = 0x0100,     // string
  BMTEX_SOURCE = 0x0101,   // 2 i32: map channel, coordinate source
  BMTEX_PLACING = 0x0102,  // 4 f32: u tiling, v tiling, u offset, v offset
  BMTEX_FLAGS = 0x0103,    // u32: 1 tile u, 2 tile v, 4 use alpha
};

float FiniteOr(float v, float fallback) { return std::isfinite(v) ? v : fallback; }

// A bump map's height gradient is taken per unit of map coordinate; this
// scale makes a full 0..1 step across a hundredth of the map tilt the
// normal by about 45 degrees.
constexpr float kBumpScale = 0.01f;

}  // namespace

// ---- Settings ---------------------------------------------------------------------

void BitmapTex::SetMapName(std::string name) {
  fileName_ = std::move(name);
  image_ = Bitmap();
  tried_ = loaded_ = false;
  error_.clear();
  Changed();
}

void BitmapTex::SetMapChannel(int ch) {
  mapChannel_ = std::clamp(ch, 0, MAX_MESHMAPS - 1);
  Changed();
}

void BitmapTex::SetUVWSource(int source) {
  if (source >= UVWSRC_EXPLICIT && source <= UVWSRC_SPHERICAL) uvwSource_ = source;
  Changed();
}

void BitmapTex::SetTiling(float u, float v) {
  uTiling_ = FiniteOr(u, 1.0f);
  vTiling_ = FiniteOr(v, 1.0f);
  Changed();
}

void BitmapTex::SetOffset(float u, float v) {
  uOffset_ = FiniteOr(u, 0.0f);
  vOffset_ = FiniteOr(v, 0.0f);
  Changed();
}

void BitmapTex::SetWrap(bool u, bool v) {
  uWrap_ = u;
  vWrap_ = v;
  Changed();
}

// ---- The image ----------------------------------------------------------------------

bool BitmapTex::LoadImage() {
  if (tried_) return loaded_;
  tried_ = true;
  if (fileName_.empty()) {
    error_ = "a bitmap map has no file name";
  } else if (auto path = ResolveMapPath(fileName_); !path) {
    error_ = fileName_ + ": file not found";
  } else {
    Bitmap image;
    std::string why;
    if (ReadImage(path->string(), image, &why)) {
      image_ = std::move(image);
      loaded_ = true;
      return true;
    }
    error_ = why;
  }
  WarningText("Texture map \"" + GetName() + "\": " + error_);
  return false;
}

void BitmapTex::SetBitmap(const Bitmap& image) {
  image_ = image;
  tried_ = true;
  loaded_ = !image_.Empty();
  error_.clear();
  Changed();
}

void BitmapTex::LoadMapFiles(TimeValue) { LoadImage(); }

void BitmapTex::EnumAuxFiles(std::vector<std::string>& files, bool missingOnly) {
  if (fileName_.empty()) return;
  if (auto path = ResolveMapPath(fileName_)) {
    if (!missingOnly) {
      std::error_code ec;
      const std::filesystem::path full = std::filesystem::absolute(*path, ec);
      files.push_back(ec ? path->string() : full.string());
    }
  } else if (!loaded_) {
    files.push_back(fileName_);
  }
}

// ---- Evaluation -----------------------------------------------------------------------

AColor BitmapTex::Sample(float u, float v, bool filter) {
  if (!LoadImage()) return {};
  u = u * uTiling_ + uOffset_;
  v = v * vTiling_ + vOffset_;
  if (!std::isfinite(u) || !std::isfinite(v)) return {};
  if (uWrap_)
    u -= std::floor(u);
  else if (u < 0.0f || u > 1.0f)
    return {};
  if (vWrap_)
    v -= std::floor(v);
  else if (v < 0.0f || v > 1.0f)
    return {};

  const int w = image_.Width(), h = image_.Height();
  auto texel = [&](int x, int y) {
    x = uWrap_ ? ((x % w) + w) % w : std::clamp(x, 0, w - 1);
    y = vWrap_ ? ((y % h) + h) % h : std::clamp(y, 0, h - 1);
    const BMM_Color_64 p = image_.GetPixel(x, y);
    const float a = useAlpha_ ? p.a / 65535.0f : 1.0f;
    return AColor(p.r / 65535.0f * a, p.g / 65535.0f * a, p.b / 65535.0f * a, a);
  };
  // Image row 0 is the top; v grows upwards.
  const float x = u * static_cast<float>(w);
  const float y = (1.0f - v) * static_cast<float>(h);
  if (!filter) return texel(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)));
  const float fx = x - 0.5f, fy = y - 0.5f;
  const float x0 = std::floor(fx), y0 = std::floor(fy);
  const float tx = fx - x0, ty = fy - y0;
  const int ix = static_cast<int>(x0), iy = static_cast<int>(y0);
  const AColor top = texel(ix, iy) * (1.0f - tx) + texel(ix + 1, iy) * tx;
  const AColor bottom = texel(ix, iy + 1) * (1.0f - tx) + texel(ix + 1, iy + 1) * tx;
  return top * (1.0f - ty) + bottom * ty;
}

Point2 BitmapTex::Coords(ShadeContext& sc) {
  switch (uvwSource_) {
    case UVWSRC_SCREEN: {
      Point2 uv, duv;
      sc.ScreenUV(uv, duv);
      return uv;
    }
    case UVWSRC_SPHERICAL: {
      // Longitude around world +Z, latitude up from the horizon.
      const Point3 d = Normalize(sc.VectorTo(sc.V(), REF_WORLD));
      constexpr float pi = std::numbers::pi_v<float>;
      return {std::atan2(d.y, d.x) / (2.0f * pi) + 0.5f, std::asin(std::clamp(d.z, -1.0f, 1.0f)) / pi + 0.5f};
    }
    default: {
      const Point3 p = sc.UVW(mapChannel_);
      return {p.x, p.y};
    }
  }
}

AColor BitmapTex::EvalColor(ShadeContext& sc) {
  if (!LoadImage()) return {};
  const Point2 uv = Coords(sc);
  return Sample(uv.x, uv.y, sc.filterMaps);
}

Point3 BitmapTex::EvalNormalPerturb(ShadeContext& sc) {
  if (!LoadImage() || uvwSource_ != UVWSRC_EXPLICIT) return {};
  const Point2 uv = Coords(sc);
  // One texel, in coordinates before tiling.
  const float du = 1.0f / (static_cast<float>(image_.Width()) * std::max(std::fabs(uTiling_), 1e-6f));
  const float dv = 1.0f / (static_cast<float>(image_.Height()) * std::max(std::fabs(vTiling_), 1e-6f));
  const float h0 = Intens(Sample(uv.x, uv.y, true));
  const float gu = (Intens(Sample(uv.x + du, uv.y, true)) - h0) / du;
  const float gv = (Intens(Sample(uv.x, uv.y + dv, true)) - h0) / dv;
  Point3 dP[3];
  sc.DPdUVW(dP, mapChannel_);
  return -(Normalize(dP[0]) * gu + Normalize(dP[1]) * gv) * kBumpScale;
}

// ---- Persistence ------------------------------------------------------------------------

ReferenceTarget* BitmapTex::Clone(RemapDir&) {
  auto* copy = new BitmapTex();
  copy->CopyMtlBase(*this);
  copy->fileName_ = fileName_;
  copy->mapChannel_ = mapChannel_;
  copy->uvwSource_ = uvwSource_;
  copy->uTiling_ = uTiling_;
  copy->vTiling_ = vTiling_;
  copy->uOffset_ = uOffset_;
  copy->vOffset_ = vOffset_;
  copy->uWrap_ = uWrap_;
  copy->vWrap_ = vWrap_;
  copy->useAlpha_ = useAlpha_;
  copy->image_ = image_;
  copy->tried_ = tried_;
  copy->loaded_ = loaded_;
  copy->error_ = error_;
  return copy;
}

IOResult BitmapTex::Save(ISave* isave) {
  SaveHeader(isave);
  isave->WriteStringChunk(BMTEX_FILE, fileName_);
  const std::int32_t source[2] = {mapChannel_, uvwSource_};
  isave->WriteChunk(BMTEX_SOURCE, source);
  const float placing[4] = {uTiling_, vTiling_, uOffset_, vOffset_};
  isave->WriteChunk(BMTEX_PLACING, placing);
  const std::uint32_t flags = (uWrap_ ? 1u : 0u) | (vWrap_ ? 2u : 0u) | (useAlpha_ ? 4u : 0u);
  isave->WriteChunk(BMTEX_FLAGS, flags);
  return IO_OK;
}

IOResult BitmapTex::Load(ILoad* iload) {
  auto fail = [iload](const std::string& why) {
    iload->SetError("bitmap map: " + why);
    return IO_ERROR;
  };
  IOResult r;
  while ((r = iload->OpenChunk()) == IO_OK) {
    switch (iload->CurChunkID()) {
      case MTL_HDR_CHUNK:
        if (LoadHeader(iload) != IO_OK) return IO_ERROR;
        break;
      case BMTEX_FILE:
        if (iload->ReadCStringChunk(&fileName_) != IO_OK) return IO_ERROR;
        break;
      case BMTEX_SOURCE: {
        std::int32_t source[2] = {};
        if (iload->ReadValue(&source) != IO_OK) return IO_ERROR;
        if (source[0] < 0 || source[0] >= MAX_MESHMAPS)
          return fail("map channel " + std::to_string(source[0]) + " is out of range");
        if (source[1] < UVWSRC_EXPLICIT || source[1] > UVWSRC_SPHERICAL)
          return fail("unknown coordinate source " + std::to_string(source[1]));
        mapChannel_ = source[0];
        uvwSource_ = source[1];
        break;
      }
      case BMTEX_PLACING: {
        float p[4] = {};
        if (iload->ReadValue(&p) != IO_OK) return IO_ERROR;
        for (float f : p)
          if (!std::isfinite(f)) return fail("tiling or offset is not finite");
        uTiling_ = p[0];
        vTiling_ = p[1];
        uOffset_ = p[2];
        vOffset_ = p[3];
        break;
      }
      case BMTEX_FLAGS: {
        std::uint32_t flags = 0;
        if (iload->ReadValue(&flags) != IO_OK) return IO_ERROR;
        uWrap_ = flags & 1u;
        vWrap_ = flags & 2u;
        useAlpha_ = flags & 4u;
        break;
      }
      default:
        break;
    }
    if (iload->CloseChunk() != IO_OK) return IO_ERROR;
  }
  return r == IO_ERROR ? IO_ERROR : IO_OK;
}

}  // namespace host
