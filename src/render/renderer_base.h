// The host's renderer interface: what the host calls to render frames, and
// what Penwright calls on another renderer that draws its surfaces.
//
// A renderer is a reference target of the renderer super class, created
// through the class registry. A render run is Open, then Render once per
// frame, then Close; every call answers 1 for success and 0 for failure.
#pragma once

#include "host/imaging/bitmap.h"
#include "host/scene/node.h"
#include "host/refs/reference.h"
#include "host/render_api/rendering.h"

namespace pw {

class Renderer : public host::ReferenceTarget {
 public:
  host::SClass_ID SuperClassID() const override { return host::RENDERER_CLASS_ID; }

  // Starts a run over the scene below `scene`, seen from `viewNode` (a
  // camera or light node) or, without one, through `viewParams`. The
  // default lights stand in when the scene has no lights of its own.
  virtual int Open(host::INode* scene, host::INode* viewNode, const host::ViewParams* viewParams,
                   const host::RendParams& rendParams, const host::DefaultLight* defaultLights,
                   int numDefaultLights, host::RendProgressCallback* progress) = 0;
  // Renders the frame at t into `output`; viewParams, when given, replace
  // the view of a run without a view node.
  virtual int Render(host::TimeValue t, host::Bitmap* output, const host::FrameRendParams& frameParams,
                     host::RendProgressCallback* progress, const host::ViewParams* viewParams = nullptr) = 0;
  // Ends the run and releases what it held.
  virtual void Close(host::RendProgressCallback* progress = nullptr) = 0;
};

}  // namespace pw
