// Everything one render run owns, from Open to Close: the gathered scene,
// the view, the frame's buffers, progress and the current object. The
// stages are free functions over this record (frame_body.h, stage_*.cpp);
// PenwrightRenderer only keeps one and hands the host's calls to them.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "host/imaging/bitmap.h"
#include "host/scene/node.h"
#include "host/params/paramblock.h"
#include "host/render_api/rendering.h"
#include "host/shading/texmap.h"
#include "library/object_library.h"
#include "render/background.h"
#include "render/gather.h"
#include "render/global_context.h"
#include "frame/instance.h"
#include "render/pixel_buffer.h"
#include "render/prepare.h"
#include "frame/progress.h"
#include "render/render_params.h"
#include "render/render_stages.h"
#include "render/renderer_base.h"
#include "render/vector_output_settings.h"
#include "frame/view_state.h"
#include "styles/style.h"

namespace pw {

// Where the run stands in its life cycle; all false at construction.
struct PwRunFlags {
  bool opened = false;
  bool openSucceeded = false;
  bool renderCalled = false;     // set on entry to every Render
  bool renderSucceeded = false;  // result of the last Render
};

// How files written per frame are numbered: the host's knowledge of the
// whole render, which a stand-alone caller supplies.
struct PwOutputSequence {
  bool multiFrame = false;  // several frames: file names get the frame number
  int fileNumberBase = 0;   // added to the frame number
};

// The bitmaps a frame fills; null slots are skipped.
enum PwFrameSlot : int { kSlotBackground = 0, kSlotSurfaces = 1, kSlotLines = 2, kSlotOutput = 3 };
inline constexpr int kFrameSlotCount = 4;
using PwFrameSlots = std::array<host::Bitmap*, kFrameSlotCount>;

// What a frame tells the bitmaps it renders into about how it was made, per
// field: projection, field layout, time and camera placement.
struct PwRenderInfo {
  int projType = host::PROJ_PERSPECTIVE;
  float xscale = 0.0f;
  float yscale = 0.0f;
  float xc = 0.0f;
  float yc = 0.0f;
  bool fieldRender = false;
  int fieldOrder = 0;
  std::array<host::TimeValue, 2> renderTime{};
  std::array<host::Matrix3, 2> worldToCam{};
  std::array<host::Matrix3, 2> camToWorld{};
};

struct PwRenderRun {
  PwRunFlags flags;
  // Set by a successful Open, cleared at the end of every field: the first
  // field takes the image size and region from its bitmap.
  bool firstFrame = false;

  // ---- Settings (the renderer's; fixed for the run) -------------------------
  PwPenwrightRenderParams params;  // host part from Open, switches from the renderer
  host::IParamBlock2* block = nullptr;  // the renderer's parameter block, not owned
  const PwVectorOutputSettings* vectorSettings = nullptr;  // the renderer's
  PwOutputSequence sequence;
  // The custom output files the last Render wrote, in the order written.
  std::vector<std::string> filesWritten;
  PwRenderStages stages;
  // The alternate renderer drew this frame's surfaces: the own surface pass
  // is skipped.
  bool surfacesByAlternate = false;

  // ---- The scene (gathered at Open) -----------------------------------------
  host::INode* sceneRoot = nullptr;
  host::INode* viewNode = nullptr;
  std::vector<host::DefaultLight> defaultLights;
  PwObjectLibrary* library = nullptr;  // the scene's art materials
  std::vector<std::unique_ptr<PwRenderInstance>> instances;  // gathering order
  PwLightList lights;
  // The scene's canvas first, then each distinct style of the instances.
  std::vector<PwObject*> materialsInUse;
  std::vector<host::MtlBase*> textureMaps;
  host::Texmap* environmentMap = nullptr;
  // The renderer drawing the surfaces instead of this one, when chosen.
  Renderer* alternate = nullptr;
  host::RefHolder alternateHolder;  // keeps one made for this run alive
  bool alternateOpened = false;
  bool vectorOpened = false;  // the vector renderer's sequence is under way

  // ---- The frame --------------------------------------------------------------
  host::TimeValue time = 0;
  host::TimeValue halfFrameTicks = 0;
  host::FrameRendParams frameParams;
  int field = 0;  // 0, or 1 for the second field
  PwViewState view;
  PwRegion refreshRect;
  PwSceneStats stats;
  // Instances to draw, visible ones first in drawing order; the first
  // visibleCount are visible.
  std::vector<PwRenderInstance*> drawOrder;
  int visibleCount = 0;
  PwRenderInstance* currentInstance = nullptr;
  PwStyle* currentStyle = nullptr;

  PwPixelBuffer pixels;  // raster mode
  PwBackgroundImage background;
  PwRenderProgress progress;
  PwRenderGlobalContext globalContext;
  PwShadeSetup shade;
  PwRenderInfo renderInfo;

  bool vectorMode() const { return params.RenderMode() == PwRenderMode::Vector; }
  // Whether this renderer draws surfaces this frame.
  bool ownSurfaces() const { return params.surfacesOn && !surfacesByAlternate; }
  bool linesOn() const { return params.linesOn; }
  host::TimeValue ticksPerFrame() const { return host::GetTicksPerFrame(); }
};

}  // namespace pw
