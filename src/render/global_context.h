// The frame-wide facts shaders and lights may ask the renderer for, filled
// once per field.
#pragma once

#include <memory>
#include <vector>

#include "host/render_api/render_interfaces.h"
#include "frame/instance.h"

namespace pw {

struct PwRenderRun;

class PwRenderGlobalContext : public host::RenderGlobalContext {
 public:
  // The run's instances, in gathering order.
  const std::vector<std::unique_ptr<PwRenderInstance>>* instances = nullptr;

  int NumRenderInstances() override { return instances ? static_cast<int>(instances->size()) : 0; }
  host::RenderInstance* GetRenderInstance(int i) override;
};

// Fills the run's global context from its view, frame parameters and field.
void fillGlobalContext(PwRenderRun& run, host::ReferenceTarget* renderer);

// What lights may ask while they update: the host's cancel answer and the
// frame's global light level.
class PwLightRendContext : public host::RendContext {
 public:
  explicit PwLightRendContext(PwRenderRun& run) : run_(&run) {}
  // An answer 0 from the host cancels the run.
  int Progress(int done, int total) const override;
  host::Color GlobalLightLevel() const override;

 private:
  PwRenderRun* run_;
};

}  // namespace pw
