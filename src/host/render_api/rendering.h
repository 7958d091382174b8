// What a render run is asked to do: the view, the render and frame
// parameters, the default lights and the progress callback a renderer
// reports to. Plain records; the renderer copies what it needs.
#pragma once

#include <cstdint>
#include <numbers>

#include "host/core/color.h"
#include "host/core/matrix3.h"
#include "host/core/point.h"
#include "host/core/time.h"

namespace host {

class Texmap;

// ---- View ---------------------------------------------------------------------

enum ProjectionType : int { PROJ_PERSPECTIVE = 0, PROJ_PARALLEL = 1 };

struct ViewParams {
  Matrix3 affineTM;  // cameraFromWorld
  int projType = PROJ_PERSPECTIVE;
  float hither = 0.1f;  // near clipping distance (positive, in front of the camera)
  float yon = 1.0e30f;  // far clipping distance
  float distance = 0.0f;  // target distance of a parallel view
  float zoom = 1.0f;      // parallel views: the view spans 400 × zoom world units across
  float fov = std::numbers::pi_v<float> / 4.0f;  // horizontal, radians
  float nearRange = 0.0f;
  float farRange = 1000.0f;
};

// The view an object's render mesh is requested for.
class View {
 public:
  virtual ~View() = default;
  // Camera-space point to screen pixels.
  virtual Point2 ViewToScreen(const Point3& p) = 0;
  // True to ask a long mesh build to stop.
  virtual bool CheckForRenderAbort() { return false; }

  Matrix3 worldToView;
  float screenW = 640.0f;
  float screenH = 480.0f;
  int projType = PROJ_PERSPECTIVE;
  float fov = std::numbers::pi_v<float> / 4.0f;
  float pixelSize = 1.0f;  // world size of one pixel, for objects that tessellate by view
};

// ---- Render and frame parameters ---------------------------------------------

enum RenderType : int {
  RENDTYPE_NORMAL = 0,
  RENDTYPE_REGION = 1,
  RENDTYPE_BLOWUP = 2,
  RENDTYPE_SELECT = 3,
  RENDTYPE_REGIONCROP = 4,
};

// Settings of a whole render run. Everything is zero, false or none by
// default except the two radiosity switches.
struct RendParams {
  int rendType = RENDTYPE_NORMAL;
  bool fieldRender = false;
  int fieldOrder = 0;  // 0: even rows first
  TimeValue firstFrame = 0;
  bool renderHidden = false;
  bool force2Side = false;
  bool dontAntialiasBG = false;
  bool inMtlEdit = false;
  Texmap* envMap = nullptr;  // not owned
  int width = 0;   // output size in pixels
  int height = 0;
  float devAspect = 0.0f;
  int nMinx = 0;  // region
  int nMiny = 0;
  int nMaxx = 0;
  int nMaxy = 0;
  Point2 blowupCenter;
  Point2 blowupFactor;
  bool computeRadiosity = true;
  bool useRadiosity = true;
};

// Settings of one frame.
struct FrameRendParams {
  Color ambient;
  Color background;
  Color globalLightLevel{1.0f, 1.0f, 1.0f};
  float frameDuration = 1.0f;       // in frames
  float relSubFrameDuration = 1.0f;
  int regxmin = 0;
  int regxmax = 0;
  int regymin = 0;
  int regymax = 0;
  Point2 blowupCenter;
  Point2 blowupFactor{1.0f, 1.0f};
  int devWidth = 0;
  int devHeight = 0;
};

// ---- Lights ---------------------------------------------------------------------

enum LightType : int { OMNI_LGT = 0, SPOT_LGT = 1, DIRECT_LGT = 2, AMBIENT_LGT = 3 };
enum LightShape : int { CIRCLE_LIGHT = 0, RECT_LIGHT = 1 };

struct LightState {
  int type = OMNI_LGT;
  Matrix3 tm;  // worldFromLight where known; lights shine along their local -Z
  Color color{1.0f, 1.0f, 1.0f};
  float intens = 1.0f;    // multiplier
  float hotsize = 43.0f;  // full cone angles of a spot, degrees
  float fallsize = 45.0f;
  int shape = CIRCLE_LIGHT;
  float aspect = 1.0f;  // width / height of a rectangular beam
  bool overshoot = false;
  bool shadow = false;
  bool on = true;
  bool affectDiffuse = true;
  bool affectSpecular = true;
  bool ambientOnly = false;
  friend bool operator==(const LightState&, const LightState&) = default;
};

// A light the host supplies when the scene has none. A tm of all zeros
// means the light rides with the camera.
struct DefaultLight {
  LightState ls;
  Matrix3 tm;
  friend bool operator==(const DefaultLight&, const DefaultLight&) = default;
};

inline constexpr Matrix3 kCameraAttachedLightTM{Point3(), Point3(), Point3(), Point3()};

// ---- Progress ---------------------------------------------------------------------

class RendProgressCallback {
 public:
  virtual ~RendProgressCallback() = default;
  virtual void SetTitle(const char* title) = 0;
  // Answers 0 to cancel the render, anything else to go on.
  virtual int Progress(int done, int total) = 0;
  // -1 when not rendering fields.
  virtual void SetCurField(int /*field*/) {}
  virtual void SetSceneStats(int /*lights*/, int /*rayTraced*/, int /*shadowed*/, int /*objects*/, int /*faces*/) {}
};

}  // namespace host
