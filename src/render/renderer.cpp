#include "render/renderer.h"

#include "plugin/class_ids.h"
#include "plugin/class_table.h"
#include "plugin/names.h"
#include "render/render_lifecycle.h"
#include "render/renderer_paramblock.h"

namespace pw {

PenwrightRenderer::PenwrightRenderer(bool loading)
    : stages_(DefaultRenderStages()), run_(std::make_unique<PwRenderRun>()) {
  if (!loading) ReplaceReference(kRendererParamBlockRef, CreateRendererParamBlock());
}

PenwrightRenderer::~PenwrightRenderer() {
  // A run still open holds a renderer of its own (the surface renderer);
  // it goes now, before the references do.
  releaseRun(*run_);
}

host::Class_ID PenwrightRenderer::ClassID() const { return PENWRIGHT_RENDERER_CLASS_ID; }

std::string PenwrightRenderer::GetClassName() const { return RendererName(); }

host::ReferenceTarget* PenwrightRenderer::GetReference(int i) {
  return i == kRendererParamBlockRef ? block_ : nullptr;
}

void PenwrightRenderer::SetReference(int i, host::ReferenceTarget* target) {
  if (i == kRendererParamBlockRef) block_ = target;
}

host::RefResult PenwrightRenderer::NotifyRefChanged(const host::Interval&, host::ReferenceTarget*, host::PartID&,
                                                    host::RefMessage) {
  return host::REF_SUCCEED;
}

host::IParamBlock2* PenwrightRenderer::ParamBlock() const { return dynamic_cast<host::IParamBlock2*>(block_); }

void PenwrightRenderer::ResetParams() { pw::ResetParams(settings_, ParamBlock()); }

host::ReferenceTarget* PenwrightRenderer::Clone(host::RemapDir& remap) {
  auto* copy = new PenwrightRenderer(true);
  remap.AddEntry(this, copy);
  copy->settings_ = settings_;
  copy->stages_ = stages_;
  copy->sequence_ = sequence_;
  copy->ReplaceReference(kRendererParamBlockRef, remap.CloneRef(block_));
  return copy;
}

host::IOResult PenwrightRenderer::Save(host::ISave* isave) { return settings_.Save(isave); }

host::IOResult PenwrightRenderer::Load(host::ILoad* iload) { return settings_.Load(iload); }

int PenwrightRenderer::Open(host::INode* scene, host::INode* viewNode, const host::ViewParams* viewParams,
                            const host::RendParams& rendParams, const host::DefaultLight* defaultLights,
                            int numDefaultLights, host::RendProgressCallback* progress) {
  PwRunSource source;
  source.settings = &settings_;
  source.block = ParamBlock();
  source.stages = &stages_;
  source.sequence = sequence_;
  source.renderer = this;
  PwOpenArgs args{scene, viewNode, viewParams, &rendParams, defaultLights, numDefaultLights, progress};
  return openRun(*run_, source, args);
}

int PenwrightRenderer::Render(host::TimeValue t, host::Bitmap* output, const host::FrameRendParams& frameParams,
                              host::RendProgressCallback* progress, const host::ViewParams* viewParams) {
  return renderRun(*run_, PwRenderArgs{t, output, &frameParams, progress, viewParams}, this);
}

void PenwrightRenderer::Close(host::RendProgressCallback* progress) { closeRun(*run_, progress); }

bool RegisterRendererClass() {
  if (!SetClassFactory(PENWRIGHT_RENDERER_CLASS_ID,
                       [](bool loading) -> host::ReferenceTarget* { return new PenwrightRenderer(loading); }))
    return false;
  host::ClassRegistry::Global().Register(FindPluginClass(PENWRIGHT_RENDERER_CLASS_ID));
  return true;
}

}  // namespace pw
