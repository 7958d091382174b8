// PenwrightRenderer: the renderer the host creates, configures and calls.
//
// It keeps the user's settings (the switches and vector settings of
// renderer_settings.h, saved as its own chunks, and the parameter block
// "PenwrightRendererParameters" as reference 0) and one render run. Open,
// Render and Close hand the run to the lifecycle functions
// (render_lifecycle.h); the stages plugged in through Stages() do the
// surfaces, lines, vector output, canvas and auxiliary files.
#pragma once

#include <memory>
#include <string>

#include "host/params/paramblock.h"
#include "render/render_run.h"
#include "render/renderer_base.h"
#include "render/renderer_settings.h"

namespace pw {

class PenwrightRenderer : public Renderer {
 public:
  // A fresh renderer gets a parameter block at its defaults; a loading one
  // gets its block from the file.
  explicit PenwrightRenderer(bool loading = false);
  ~PenwrightRenderer() override;

  // ---- Host operations ----
  host::Class_ID ClassID() const override;
  std::string GetClassName() const override;
  int NumRefs() override { return 1; }
  host::ReferenceTarget* GetReference(int i) override;
  host::RefResult NotifyRefChanged(const host::Interval& changeInt, host::ReferenceTarget* target,
                                   host::PartID& partID, host::RefMessage message) override;
  // All settings, the stages and the output numbering, with a clone of the block.
  host::ReferenceTarget* Clone(host::RemapDir& remap) override;
  using host::ReferenceTarget::Clone;
  host::IOResult Save(host::ISave* isave) override;
  host::IOResult Load(host::ILoad* iload) override;

  int Open(host::INode* scene, host::INode* viewNode, const host::ViewParams* viewParams,
           const host::RendParams& rendParams, const host::DefaultLight* defaultLights, int numDefaultLights,
           host::RendProgressCallback* progress) override;
  int Render(host::TimeValue t, host::Bitmap* output, const host::FrameRendParams& frameParams,
             host::RendProgressCallback* progress, const host::ViewParams* viewParams = nullptr) override;
  void Close(host::RendProgressCallback* progress = nullptr) override;

  // ---- Settings ----
  // A run works with the settings as they were at its Open.
  PwRendererSettings& Settings() { return settings_; }
  const PwRendererSettings& Settings() const { return settings_; }
  // Null only when a damaged file left the reference empty.
  host::IParamBlock2* ParamBlock() const;
  // The switches, the vector settings and the block back to their defaults.
  void ResetParams();
  // How custom output files are numbered; the host's knowledge of the render.
  PwOutputSequence& OutputSequence() { return sequence_; }
  // The stages this renderer's runs use (from DefaultRenderStages() at
  // construction). Changes take effect at the next Open.
  PwRenderStages& Stages() { return stages_; }

  // The current (or last) run: flags, gathered scene, view, statistics.
  const PwRenderRun& Run() const { return *run_; }

 protected:
  void SetReference(int i, host::ReferenceTarget* target) override;

 private:
  PwRendererSettings settings_;
  host::ReferenceTarget* block_ = nullptr;
  PwRenderStages stages_;
  PwOutputSequence sequence_;
  std::unique_ptr<PwRenderRun> run_;
};

// Plugs the renderer's factory into the plug-in's class table and registers
// its descriptor with the host's class registry, so scenes and the command
// line create renderers by class id. Safe to call more than once; false
// when the class table lacks the class.
bool RegisterRendererClass();

}  // namespace pw
