#include "render_job.h"

#include <optional>

#include "render_output_check.h"
#include "style_options.h"
#include "vector_options.h"

namespace pw::cli {

namespace {

bool Fail(std::string* error, std::string message) {
  if (error) *error = std::move(message);
  return false;
}

// Each file the render writes: a format penwright writes, in a folder that
// takes new files.
bool CheckFiles(const RenderJob& job, const host::IParamBlock2& block, std::string* error) {
  for (const PlannedFile& f : PlannedFiles(job.plan, block)) {
    std::string why;
    const bool drawing = IsVectorPlan(job.plan) && f.path == job.plan.outputPath;
    if (!drawing && !OutputFormatOf(f.path, f.origin, &why)) return Fail(error, why);
    // A sequence writes its numbered files into the same folder, so the
    // first one stands for them all.
    const std::optional<std::string> first = OutputPathForFrame(f.path, job.frames.range.first, job.frames.numbered);
    if (!first) return Fail(error, f.origin + ": '" + f.path + "' names no file");
    if (!CheckWritableTarget(*first, &why)) return Fail(error, f.origin + ": " + why);
  }
  return true;
}

}  // namespace

bool PrepareJob(const RenderArgs& args, PenwrightRenderer& renderer, RenderJob& job, std::string* error) {
  if (!ParseRenderArgs(args, &job.plan, error)) return false;
  if (!LoadStyledScene(job.plan.scenePath, job.plan.styling, job.scene, &job.info, error)) return false;
  if (job.plan.background) job.scene.Root()->backgroundColor = *job.plan.background;
  host::IParamBlock2* block = renderer.ParamBlock();
  if (!block) return Fail(error, "the renderer has no parameter block");
  if (!ApplyRenderSettings(renderer.Settings(), block, job.info.renderSettings, job.plan, error)) return false;

  const std::optional<ImageSize> size =
      ResolveImageSize(job.plan, {job.info.imageWidth, job.info.imageHeight}, error);
  if (!size) return false;
  job.size = *size;
  if (job.plan.region && !CheckRegionInside(*job.plan.region, job.size, error)) return false;
  job.frames = ResolveFrames(job.plan, job.info);
  if (!CheckFrameTimes(job.plan, job.frames, host::GetTicksPerFrame(), error)) return false;
  if (job.plan.camera.empty()) RefitFramingCamera(job.scene, job.info, job.size);
  job.camera = FindCameraNode(job.scene, job.plan.camera, error);
  if (!job.camera) return false;
  if (!CheckFiles(job, *block, error)) return false;
  WarnFramesOutsideScene(job.plan, job.info);
  return true;
}

host::RendParams MakeRendParams(const RenderJob& job) {
  host::RendParams rp;
  rp.width = job.size.width;
  rp.height = job.size.height;
  rp.devAspect = 1.0f;
  rp.firstFrame = host::FrameToTime(job.frames.range.first);
  rp.envMap = job.scene.Root()->GetEnvironmentMap();
  if (job.plan.region) {
    rp.rendType = host::RENDTYPE_REGION;
    rp.nMinx = job.plan.region->x0;
    rp.nMiny = job.plan.region->y0;
    rp.nMaxx = job.plan.region->x1;
    rp.nMaxy = job.plan.region->y1;
  }
  return rp;
}

host::FrameRendParams MakeFrameParams(const RenderJob& job) {
  const host::SceneRoot& root = *job.scene.Root();
  host::FrameRendParams fp;
  fp.ambient = root.ambientLight;
  fp.background = root.backgroundColor;
  fp.globalLightLevel = root.globalLightLevel;
  fp.devWidth = job.size.width;
  fp.devHeight = job.size.height;
  const PixelRegion whole{0, 0, job.size.width - 1, job.size.height - 1};
  const PixelRegion r = job.plan.region.value_or(whole);
  fp.regxmin = r.x0;
  fp.regymin = r.y0;
  fp.regxmax = r.x1;
  fp.regymax = r.y1;
  return fp;
}

}  // namespace pw::cli
