// Everything the renderer saves of its own: the render switches and the
// vector-output settings, with how they reset, save, load and copy.
//
// The parameter block (renderer_paramblock.h) is the renderer's reference and
// is saved by the host with the other references; ResetParams resets both.
#pragma once

#include "host/io/chunk_io.h"
#include "host/params/paramblock.h"
#include "render/render_params.h"
#include "render/vector_output_settings.h"

namespace pw {

// The version chunk's value for the layout Save writes.
inline constexpr std::uint16_t kRendererSettingsVersion = 3;

struct PwRendererSettings {
  PwPenwrightRenderParams params;
  PwVectorOutputSettings vector;

  // The switches and vector settings to their defaults (a fresh options
  // record of the first format); the host part is left alone.
  void ResetOwn();

  // Chunks 100 (version) to 119, in a fixed order.
  host::IOResult Save(host::ISave* isave) const;
  // Resets the switches and vector settings, then reads the chunks of the
  // current level in any order; unknown chunks and the version are skipped.
  // A read error or a value no setting can hold ends the load with IO_ERROR
  // and the cause in iload->SetError; the settings are then left as they
  // were before the call. The host part is never read.
  host::IOResult Load(host::ILoad* iload);
};

// The switches, the vector settings and the block back to their defaults.
// The block may be null.
void ResetParams(PwRendererSettings& settings, host::IParamBlock2* block);

}  // namespace pw
