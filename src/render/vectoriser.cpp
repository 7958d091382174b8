#include "render/vectoriser.h"

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>

#include "frame/instance.h"
#include "host/imaging/bitmap.h"
#include "host/render_api/render_interfaces.h"
#include "host/services/interface.h"
#include "host/shading/mtl.h"
#include "library/object_library.h"
#include "library/pw_object.h"
#include "lines/line_stage.h"
#include "plugin/class_ids.h"
#include "render/frame_suffix.h"
#include "render/pass_context.h"
#include "render/render_run.h"
#include "styles/dash_layout.h"
#include "styles/stroke.h"
#include "styles/style.h"

namespace pw {

namespace {

std::uint16_t Channel(float v) {
  if (!(v > 0.0f)) return 0;
  if (v >= 1.0f) return 0xFFFF;
  return static_cast<std::uint16_t>(v * 65535.0f);
}

// The sub-material's diffuse colour (white without a material) and its
// opacity as alpha.
PwVectorColor MaterialColor(host::Mtl* mtl, int sub, bool back, host::Color& diffuse) {
  if (!mtl) {
    diffuse = host::Color(1, 1, 1);
    return PwVectorColor{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
  }
  diffuse = mtl->GetDiffuse(sub, back);
  return {Channel(diffuse.r), Channel(diffuse.g), Channel(diffuse.b), Channel(1.0f - mtl->GetXParency(sub, back))};
}

// The little a light needs to light a point with a normal: the point, the
// normal, the time and the frame's lights.
class FacetContext final : public host::ShadeContext {
 public:
  FacetContext(PwRenderRun& run, PwRenderInstance& instance) : run_(run) {
    nLights = static_cast<int>(run.lights.entries.size());
    inst = &instance;
    doMaps = false;
  }
  host::TimeValue CurTime() override { return run_.time; }
  host::LightDesc* Light(int i) override { return run_.lights.entries[static_cast<std::size_t>(i)].desc.get(); }
  host::Point3 P() override { return p; }
  host::Point3 V() override { return view; }
  void SetView(const host::Point3& v) override { view = v; }
  host::Point3 Normal() override { return n; }
  void SetNormal(const host::Point3& v) override { n = v; }
  void ScreenUV(host::Point2& uv, host::Point2& duv) override {
    uv = {};
    duv = {};
  }
  host::Point3 UVW(int) override { return {}; }

  host::Point3 p, n, view{0.0f, 0.0f, -1.0f};

 private:
  PwRenderRun& run_;
};

host::Color LightSum(PwRenderRun& run, FacetContext& sc, const host::Point3& normal) {
  host::Color sum;
  for (PwLightRenderContext& light : run.lights.entries) {
    if (!light.desc || !light.desc->affectDiffuse) continue;
    host::Color color;
    host::Point3 dir;
    float dotNL = 0.0f, diffuseCoef = 0.0f;
    if (!light.desc->Illuminate(sc, normal, color, dir, dotNL, diffuseCoef)) continue;
    sum.r += color.r * diffuseCoef;
    sum.g += color.g * diffuseCoef;
    sum.b += color.b * diffuseCoef;
  }
  return sum;
}

bool TwoSided(const PwRenderRun& run, const PwRenderInstance& instance) {
  if (run.params.force2Side) return true;
  host::Mtl* mtl = instance.material();
  return mtl && (mtl->Requirements(-1) & host::MTLREQ_2SIDE) != 0;
}

void CollectFrameInfo(const PwRenderRun& run, PwVectorFrameInfo& info) {
  info.strokes.clear();
  info.styleNames.clear();
  info.objectNames.clear();
  if (run.library) {
    const int n = run.library->SlotCount();
    for (int i = 0; i < n; ++i) {
      PwObject* obj = run.library->Get(i);
      if (!obj) continue;
      if (obj->ClassID() == PW_STROKE_CLASS_ID) {
        if (auto* stroke = dynamic_cast<PwStroke*>(obj)) info.strokes.push_back({stroke->GetPattern(), obj->GetName()});
      } else if (obj->ClassID() == PW_STYLE_CLASS_ID) {
        info.styleNames.push_back(obj->GetName());
      }
    }
  }
  for (const auto& inst : run.instances)
    if (inst->node) info.objectNames.push_back(inst->node->GetName());
  info.width = static_cast<int>(run.view.imageWidth);
  info.height = static_cast<int>(run.view.imageHeight);
  info.framesPerSecond = host::FrameRate::FramesPerSecond();
}

}  // namespace

// Hands the current object's polygons to a writer that builds its own
// surfaces. Bound to one object from BeginObject until its EndObject has
// returned; unbound it has nothing to give, so a writer holding on to it too
// long gets no polygons rather than another object's or freed ones.
class PwVectoriser::ObjectSurfaces final : public PwVectorSurfaceSource {
 public:
  explicit ObjectSurfaces(long long& polygonCount) : polygonCount_(polygonCount) {}
  void Bind(PwRenderRun* run, PwRenderInstance* instance, bool facetted) {
    run_ = run;
    instance_ = instance;
    facetted_ = facetted;
  }
  bool BuildPolygons(std::vector<PwVectorPolygonRecord>& out) override {
    out.clear();
    if (!run_ || !instance_) return false;
    PwVectoriser::BuildPolygons(*run_, *instance_, facetted_, out);
    polygonCount_ += static_cast<long long>(out.size());
    return !out.empty();
  }

 private:
  long long& polygonCount_;
  PwRenderRun* run_ = nullptr;
  PwRenderInstance* instance_ = nullptr;
  bool facetted_ = false;
};

PwVectoriser::PwVectoriser() = default;
PwVectoriser::~PwVectoriser() { Release(); }

void PwVectoriser::SetNumericLocale() {
  if (localeSet_) return;
  const char* current = std::setlocale(LC_NUMERIC, nullptr);
  savedLocale_ = current ? current : "C";
  // Every writer prints numbers with printf; they must carry a decimal point.
  std::setlocale(LC_NUMERIC, "C");
  localeSet_ = true;
}

void PwVectoriser::RestoreNumericLocale() {
  if (!localeSet_) return;
  std::setlocale(LC_NUMERIC, savedLocale_.c_str());
  localeSet_ = false;
}

void PwVectoriser::Release() {
  if (writer_) writer_->DiscardFile();
  writer_.reset();
  surfaces_.reset();
  polygons_list_.clear();
  polygons_list_.shrink_to_fit();
  RestoreNumericLocale();
}

bool PwVectoriser::Open(PwRenderRun& run) {
  Release();
  const PwVectorOutputSettings* settings = run.vectorSettings;
  if (!settings) return false;
  SetNumericLocale();
  auto fail = [this] {
    Release();
    return false;
  };
  writer_ = CreateVectorFormat(settings->vectorFormatIndex);
  if (!writer_) {
    host::WarningMessage("Vector format %d is not available.", settings->vectorFormatIndex);
    return fail();
  }
  if (settings->vectorFormatOptions) writer_->SetParameters(*settings->vectorFormatOptions);
  if (settings->saveVectorFile) {
    const std::string& name = settings->vectorFileName;
    if (name.empty()) {
      host::WarningText("No output filename given.");
      return fail();
    }
    if (!writer_->OneFilePerFrame() || !run.sequence.multiFrame) {
      // A single frame's name with a frame-number field is the file as filled in.
      std::string file = name;
      if (writer_->OneFilePerFrame() && HasFrameField(name)) {
        const std::int64_t frame =
            FrameNumber(run.params.firstFrame, run.ticksPerFrame(), run.sequence.fileNumberBase);
        file = FrameFileName(name, frame, false).value_or(name);
      }
      if (std::FILE* existing = std::fopen(file.c_str(), "rb")) {
        std::fclose(existing);
        if (host::YesNoQuestion(host::Answer::Yes, "Confirm overwrite of %s", file.c_str()) != host::Answer::Yes)
          return fail();
      }
    }
  }
  writer_->BeginSequence();
  polygons_ = segments_ = 0;
  return true;
}

bool PwVectoriser::BeginFrame(PwRenderRun& run, host::Bitmap* preview) {
  if (!writer_) return false;
  const PwVectorOutputSettings* settings = run.vectorSettings;
  const bool outputOn = settings && settings->saveVectorFile && !settings->vectorFileName.empty();
  PwVectorFormat& w = *writer_;
  const PwRegion& r = run.view.region;
  w.bounds[0] = static_cast<float>(r.x0);
  w.bounds[1] = static_cast<float>(r.y0);
  w.bounds[2] = static_cast<float>(r.x1 + 1);
  w.bounds[3] = static_cast<float>(r.y1 + 1);
  CollectFrameInfo(run, w.frameInfo);
  w.frameInfo.progress = &run.progress;
  const std::int64_t frame = FrameNumber(run.time, run.ticksPerFrame(), run.sequence.fileNumberBase);
  w.frameInfo.frameNumber = static_cast<int>(frame);
  if (outputOn) {
    if (w.OneFilePerFrame() && (run.sequence.multiFrame || HasFrameField(settings->vectorFileName))) {
      const auto numbered = FrameFileName(settings->vectorFileName, frame, run.sequence.multiFrame);
      if (!numbered) {
        host::WarningText("Unable to append number to filename");
        return false;
      }
      w.fileName = *numbered;
    } else {
      w.fileName = settings->vectorFileName;
    }
  }
  w.preview = preview;
  w.ResetAttributes();
  surfacesOn_ = run.params.surfacesOn;
  linesOn_ = run.params.linesOn;
  objectIndex_ = 0;
  polygons_ = segments_ = 0;
  return w.BeginFrame(outputOn, preview != nullptr, true, true);
}

void PwVectoriser::BeginObject(PwRenderRun& run, PwRenderInstance& instance) {
  if (!writer_) return;
  nodeName_ = instance.node ? instance.node->GetName() : std::string();
  styleName_ = run.currentStyle ? run.currentStyle->GetName() : std::string();
  PwVectorObject object;
  object.nodeName = nodeName_;
  object.styleName = styleName_;
  object.index = objectIndex_++;
  if (writer_->DrawsSurfacesItself()) {
    if (!surfaces_) surfaces_ = std::make_unique<ObjectSurfaces>(polygons_);
    surfaces_->Bind(&run, &instance, writer_->WantsFacettedShading());
    object.surfaces = surfaces_.get();
  }
  writer_->BeginObject(object);
}

bool PwVectoriser::WantsSurfaces() const { return writer_ && surfacesOn_ && writer_->WantsSurfaces(); }
bool PwVectoriser::WantsLines() const { return writer_ && linesOn_ && writer_->WantsLines(); }

void PwVectoriser::BuildPolygons(PwRenderRun& run, PwRenderInstance& instance, bool facetted,
                                 std::vector<PwVectorPolygonRecord>& out) {
  out.clear();
  const PwRenderMesh& mesh = instance.mesh;
  out.reserve(mesh.faces.size());
  const bool twoSided = TwoSided(run, instance);
  host::Mtl* mtl = instance.material();
  const int subCount = mtl ? mtl->NumSubMtls() : 0;
  int lastSub = 0;
  bool lastBack = false;
  host::Color diffuse;
  PwVectorColor color = MaterialColor(mtl, 0, false, diffuse);
  FacetContext sc(run, instance);
  for (const MeshFace& face : mesh.faces) {
    if (face.faceFlags & FaceExcluded) continue;
    const bool front = (face.faceFlags & FaceFront) != 0;
    if (!twoSided && !front) continue;
    PwVectorPolygonRecord rec;
    if (face.faceFlags & FaceClipped) {
      const auto poly = clippedPolygon(mesh, face);
      rec.count = std::min<int>(static_cast<int>(poly.size()), PwVectorPolygonRecord::kMaxPoints);
      rec.depth = -1.0e30f;
      for (int i = 0; i < rec.count; ++i) {
        const MeshVertex& v = poly[static_cast<std::size_t>(i)].pos;
        rec.points[i] = {v.sx, v.sy, v.z};
        rec.depth = std::max(rec.depth, v.z);
      }
      if (rec.count > 0) sc.p = {poly[0].pos.x, poly[0].pos.y, poly[0].pos.z};
    } else {
      rec.count = 3;
      rec.depth = -1.0e30f;
      for (int i = 0; i < 3; ++i) {
        const MeshVertex& v = mesh.verts[face.v[i]];
        rec.points[i] = {v.sx, v.sy, v.z};
        rec.depth = std::max(rec.depth, v.z);
      }
      const MeshVertex& v0 = mesh.verts[face.v[0]];
      sc.p = {v0.x, v0.y, v0.z};
    }
    if (rec.count < 3) continue;
    const int matId = face.materialId();
    const int sub = (matId != 0 && subCount != 0) ? matId % subCount : 0;
    const bool back = !front;
    if (sub != lastSub || back != lastBack) {
      color = MaterialColor(mtl, sub, back, diffuse);
      lastSub = sub;
      lastBack = back;
    }
    rec.color = color;
    if (facetted) {
      const MeshVertex& a = mesh.verts[face.v[0]];
      const MeshVertex& b = mesh.verts[face.v[1]];
      const MeshVertex& c = mesh.verts[face.v[2]];
      const host::Point3 ab{b.x - a.x, b.y - a.y, b.z - a.z}, bc{c.x - b.x, c.y - b.y, c.z - b.z};
      host::Point3 n = host::CrossProd(ab, bc);
      const float len = std::sqrt(host::DotProd(n, n));
      if (len > 0.0f) n = {n.x / len, n.y / len, n.z / len};
      sc.n = n;
      sc.backFace = back;
      sc.mtlNum = sub;
      const host::Color sum = LightSum(run, sc, n);
      rec.color = {Channel(diffuse.r * sum.r), Channel(diffuse.g * sum.g), Channel(diffuse.b * sum.b), 0xFFFF};
    }
    out.push_back(rec);
  }
}

bool PwVectoriser::DrawSurfaces(PwRenderRun& run, PwRenderInstance& instance, PwStyle&) {
  return DrawObjectSurfaces(run, instance);
}

bool PwVectoriser::DrawObjectSurfaces(PwRenderRun& run, PwRenderInstance& instance) {
  if (!writer_) return false;
  PwVectorFormat& w = *writer_;
  if (w.DrawsSurfacesItself()) {
    w.BeginSurfaces();
    w.EndSurfaces();
    return !run.progress.cancelled();
  }
  BuildPolygons(run, instance, w.WantsFacettedShading(), polygons_list_);
  w.BeginSurfaces();
  std::stable_sort(polygons_list_.begin(), polygons_list_.end(),
                   [](const PwVectorPolygonRecord& a, const PwVectorPolygonRecord& b) { return a.depth < b.depth; });
  for (const PwVectorPolygonRecord& rec : polygons_list_) {
    w.fillColor = rec.color;
    w.DrawPolygon(PwVectorPolygon{std::span<const PwVectorPoint>(rec.points, static_cast<std::size_t>(rec.count))});
    w.lastFillColor = w.fillColor;
  }
  polygons_ += static_cast<long long>(polygons_list_.size());
  polygons_list_.clear();
  w.EndSurfaces();
  return !run.progress.cancelled();
}

bool PwVectoriser::DrawLines(PwRenderRun& run, PwRenderInstance& instance, PwStyle& style) {
  if (!writer_) return false;
  auto* stage = dynamic_cast<PwLineStage*>(run.stages.lines.get());
  if (!stage) return true;  // no line generation in this build: nothing to write
  PwVectorFormat& w = *writer_;
  w.BeginLines();
  stage->ClearLines();
  const PwFrameContext frame = frameContextOf(run);
  if (!stage->AddObjectLines(frame, instance, style)) return false;
  const LineStore& store = stage->Store();
  for (std::int32_t i = store.Head(); i != kNoSegment; i = store.At(i).next) {
    const LineSegment& s = store.At(i);
    float width = 0.5f * (s.start.width + s.end.width);
    if (!(width > 0.0f)) width = s.brushWidth;
    w.lineWidth = width;
    w.dashPattern = s.pattern;
    w.strokeColor = {s.red, s.green, s.blue, s.alpha};
    w.dashCell = StrokeVectorLineFactor(width) * width;
    w.DrawSegment({s.start.sx, s.start.sy, s.start.z}, {s.end.sx, s.end.sy, s.end.z});
    w.lastLineWidth = w.lineWidth;
    w.lastDashPattern = w.dashPattern;
    w.lastStrokeColor = w.strokeColor;
    ++segments_;
  }
  stage->ClearLines();
  w.EndLines();
  return !run.progress.cancelled();
}

void PwVectoriser::EndObject(PwRenderRun&, PwRenderInstance&) {
  if (writer_) writer_->EndObject();
  if (surfaces_) surfaces_->Bind(nullptr, nullptr, false);
}

bool PwVectoriser::EndFrame(PwRenderRun&) { return !writer_ || writer_->EndFrame(); }

void PwVectoriser::Finish(PwRenderRun&) {
  if (writer_) writer_->EndSequence();
  Release();
}

void PwVectoriser::Abandon(PwRenderRun&) { Release(); }

}  // namespace pw
