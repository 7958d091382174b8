#include "render/surface_stage.h"

#include <algorithm>
#include <cmath>

#include "host/services/interface.h"
#include "host/shading/mtl.h"
#include "styles/style.h"
#include "surfaces/surface.h"

namespace pw {

namespace {

// A 0..1 channel as 16 bits, truncated; out-of-range and NaN values clamp.
inline std::uint32_t to16(float v) {
  if (!(v > 0.0f)) return 0;
  if (v >= 1.0f) return 65535;
  return static_cast<std::uint32_t>(v * 65535.0f);
}

inline std::uint16_t premultiplied(std::uint32_t c, std::uint32_t alpha) {
  return static_cast<std::uint16_t>(((alpha + 1) * c) >> 16);
}

PwFillVertex cornerVertex(const MeshVertex& v, const host::Point3& n, float b0, float b1, float b2) {
  return {v.sx, v.sy, v.x, v.y, v.z, n.x, n.y, n.z, b0, b1, b2};
}

// What the object's faces are filled with.
struct ObjectFill {
  SurfaceKind kind = SurfaceKind::MaxMaterial;
  host::Mtl* shading = nullptr;  // none for matte, or for an object without any material
  bool twoSided = false;
  bool additive = false;
};

ObjectFill objectFill(const PwSurfaceFrame& frame, PwRenderInstance& inst, PwStyle& style) {
  ObjectFill fill;
  auto* surface = dynamic_cast<PwSurface*>(style.GetSurface());
  if (surface) fill.kind = surface->GetKind();
  host::Mtl* own = inst.material();
  if (fill.kind == SurfaceKind::Matte) {
    fill.twoSided = frame.frame.settings.force2Side || (own && (own->Requirements(-1) & host::MTLREQ_2SIDE));
    return fill;
  }
  fill.shading = surface ? surface->GetSurfaceMaterial(own) : own;
  if (fill.shading) {
    host::Interval valid = host::FOREVER;
    fill.shading->Update(frame.frame.time, valid);
    const std::uint32_t req = fill.shading->Requirements(-1);
    fill.twoSided = frame.frame.settings.force2Side || (req & host::MTLREQ_2SIDE);
    fill.additive = (req & host::MTLREQ_ADDITIVE_TRANSP) != 0;
  } else {
    fill.twoSided = frame.frame.settings.force2Side;
  }
  return fill;
}

}  // namespace

void PwSurfaceStage::PrepareFrame(const PwSurfaceFrame& frame) {
  const PwViewState* view = frame.frame.view;
  shade_.beginFrame(frame.globalContext, frame.lights, frame.frame.time, frame.pixels.width, frame.pixels.height,
                    !view || view->proj.perspective, frame.shade.ambient, frame.shade.doMaps, frame.shade.filterMaps);
}

bool PwSurfaceStage::RenderObjectSurfaces(const PwSurfaceFrame& frame, PwRenderInstance& inst, PwStyle& style) {
  const ObjectFill fill = objectFill(frame, inst, style);
  if (fill.kind == SurfaceKind::None) return true;
  PwPixelBuffer& buffer = frame.pixels;
  const int width = buffer.width, height = buffer.height;
  if (width <= 0 || height <= 0) return true;
  const bool matte = fill.kind == SurfaceKind::Matte;
  const PwBackgroundImage& background = frame.background;
  if (matte && (background.width != width || background.height != height)) return true;
  const bool perspective = frame.frame.perspective();

  const float opacityFactor = inst.node ? inst.node->GetVisibility(frame.frame.time) : 1.0f;
  shade_.beginObject(inst, fill.shading, opacityFactor);
  const float factor = shade_.opacityFactor();
  const std::uint32_t factorAlpha = to16(factor);
  const std::uint8_t flags = fill.additive ? kFragmentAdditive : 0;
  host::Mtl* shading = fill.shading;
  host::Mtl* own = inst.material();
  const bool ownHasSubs = own && own->NumSubMtls() > 0;

  const PwRenderMesh& mesh = inst.mesh;
  const std::vector<host::Point3>& normals = inst.faceCornerNormals();
  PwFaceInterpolator interp;
  int lastSide = -1, lastMtlId = -1;
  host::Color faceColour;
  std::uint16_t faceOpacity = 65535;
  bool outOfMemory = false;
  bool cancelled = false;
  // Progress by the pixels filled, as a share of the picture: a report
  // every 64th of it keeps the check off the per-pixel path.
  const double area = static_cast<double>(width) * height;
  const std::size_t reportEvery = std::max<std::size_t>(1, static_cast<std::size_t>(area / 64.0));
  std::size_t filled = 0, nextReport = reportEvery;
  if (frame.progress) frame.progress->setStep(1);
  auto reportFilled = [&](int pixels) {
    filled += static_cast<std::size_t>(pixels);
    if (!frame.progress || filled < nextReport) return;
    nextReport = filled + reportEvery;
    frame.progress->update(0.5 * std::min(1.0, static_cast<double>(filled) / area));
    cancelled = frame.progress->cancelled();
  };

  for (int f = 0; f < mesh.numFaces() && !outOfMemory && !cancelled; ++f) {
    const MeshFace& face = mesh.faces[static_cast<std::size_t>(f)];
    if (face.faceFlags & FaceExcluded) continue;
    const bool back = !(face.faceFlags & FaceFront);
    if (back && !fill.twoSided) continue;
    const host::Point3* n = &normals[static_cast<std::size_t>(f) * 3];

    polygon_.clear();
    if (face.faceFlags & FaceClipped) {
      for (const ClipPoint& p : clippedPolygon(mesh, face)) {
        const host::Point3 pn = n[0] * p.b[0] + n[1] * p.b[1] + n[2] * p.b[2];
        polygon_.push_back(cornerVertex(p.pos, pn, p.b[0], p.b[1], p.b[2]));
      }
    } else {
      polygon_.push_back(cornerVertex(mesh.verts[face.v[0]], n[0], 1.0f, 0.0f, 0.0f));
      polygon_.push_back(cornerVertex(mesh.verts[face.v[1]], n[1], 0.0f, 1.0f, 0.0f));
      polygon_.push_back(cornerVertex(mesh.verts[face.v[2]], n[2], 0.0f, 0.0f, 1.0f));
    }
    const int count = static_cast<int>(polygon_.size());

    const int mtlId = face.materialId();
    if (static_cast<int>(back) != lastSide || (mtlId != lastMtlId && ownHasSubs)) {
      faceColour = inst.colour(PwRenderInstance::kDiffuse, mtlId, back);
      faceOpacity = inst.opacity(mtlId, back);
      lastSide = back;
      lastMtlId = mtlId;
    }
    // Most faces of a big mesh cover a pixel centre or none: the face is set
    // up for shading only once it has a span.
    bool ready = false, usable = false;
    // A face seen from behind is shaded as its viewer sees it.
    const float side = back ? -1.0f : 1.0f;
    host::Point3 p0, p1, p2, n0, n1, n2;
    auto setUpFace = [&] {
      ready = true;
      usable = interp.setUp(polygon_.data(), count, perspective);
      if (!usable) return;
      shade_.beginFace(f, back, mtlId, n);
      p0 = shade_.cornerPoint(0), p1 = shade_.cornerPoint(1), p2 = shade_.cornerPoint(2);
      n0 = n[0] * side, n1 = n[1] * side, n2 = n[2] * side;
      ++stats_.faces;
    };

    stats_.covered += fillPolygon(polygon_.data(), count, width, height, [&](int row, int first, int last) {
      if (!ready) setUpFace();
      if (!usable || outOfMemory || cancelled) return;
      reportFilled(last - first + 1);
      double q[3];
      interp.at(first + 0.5, row + 0.5, q);
      const double sx0 = interp.stepX(0), sx1 = interp.stepX(1), sx2 = interp.stepX(2);
      std::size_t pixel = buffer.index(first, row);
      for (int col = first; col <= last; ++col, ++pixel, q[0] += sx0, q[1] += sx1, q[2] += sx2) {
        float depth, b0, b1;
        interp.resolve(q, depth, b0, b1);
        if (buffer.isHidden(depth, pixel)) continue;
        PwFragment frag;
        frag.depth = depth;
        frag.instance = inst.index;
        frag.flags = flags;
        if (matte) {
          const host::BMM_Color_64& c = background.at(col, row);
          frag.red = c.r;
          frag.green = c.g;
          frag.blue = c.b;
          frag.alpha = kOpaqueAlpha;
        } else {
          std::uint32_t r, g, b, a;
          if (shading) {
            const float b2 = 1.0f - b0 - b1;
            const host::Point3 point = p0 * b0 + p1 * b1 + p2 * b2;
            const host::Point3 normal = host::Normalize(n0 * b0 + n1 * b1 + n2 * b2);
            shade_.setPixel(col, row, point, normal, {b0, b1, b2}, interp);
            shade_.ResetOutput();
            shading->Shade(shade_);
            const host::ShadeOutput& out = shade_.out;
            r = to16(out.c.r);
            g = to16(out.c.g);
            b = to16(out.c.b);
            const float opacity = (1.0f - out.t.r) + (1.0f - out.t.g) + (1.0f - out.t.b);
            a = to16(opacity / 3.0f * factor);
            // A material's colour already carries its own opacity; only the
            // node's visibility is still to be multiplied in. Multiplying by
            // the whole alpha again would show a half-transparent surface at
            // a quarter of its colour.
            if (factorAlpha != kOpaqueAlpha) {
              r = premultiplied(r, factorAlpha);
              g = premultiplied(g, factorAlpha);
              b = premultiplied(b, factorAlpha);
            }
          } else {
            r = to16(faceColour.r);
            g = to16(faceColour.g);
            b = to16(faceColour.b);
            a = to16(faceOpacity / 65535.0f * factor);
            if (a != kOpaqueAlpha) {
              r = premultiplied(r, a);
              g = premultiplied(g, a);
              b = premultiplied(b, a);
            }
          }
          frag.red = static_cast<std::uint16_t>(r);
          frag.green = static_cast<std::uint16_t>(g);
          frag.blue = static_cast<std::uint16_t>(b);
          frag.alpha = static_cast<std::uint16_t>(a);
        }
        ++stats_.shaded;
        if (!buffer.insert(frag, pixel)) {
          outOfMemory = true;
          return;
        }
      }
    });
  }
  if (outOfMemory) {
    host::ErrorMessage("not enough memory for the surfaces of %s (%dx%d frame, %.0f MB of overlapping fragments)",
                       inst.node ? inst.node->GetName().c_str() : "an object", width, height,
                       static_cast<double>(buffer.total) * sizeof(PwFragment) / (1024.0 * 1024.0));
    return false;
  }
  return true;
}

void PwSurfaceStage::Resolve(PwPixelBuffer& buffer) {
  stats_.poolRecords = std::max<long long>(stats_.poolRecords, buffer.total);
  buffer.resolve();
}

}  // namespace pw
