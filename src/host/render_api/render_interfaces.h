// The interfaces between a renderer and the materials, maps, shaders and
// lights it drives: shading contexts, light descriptors, the frame-wide
// global context and the per-object render instance.
//
// Spaces: "camera space" is the renderer's view space (z negative in front
// of the camera). A ShadeContext answers everything in camera space unless a
// query names another frame.
#pragma once

#include <array>
#include <cstdint>

#include "host/core/box3.h"
#include "host/core/color.h"
#include "host/core/matrix3.h"
#include "host/core/point.h"
#include "host/render_api/rendering.h"
#include "host/core/time.h"

namespace host {

class INode;
class Object;
class Mtl;
class Texmap;
class LightDesc;
class RenderInstance;
class RenderGlobalContext;
class ReferenceTarget;
class Bitmap;

// ---- Shading -----------------------------------------------------------------

enum ShadeMode : int { SCMODE_NORMAL = 0, SCMODE_SHADOW = 1 };

// Coordinate frames a ShadeContext converts between.
enum RefFrame : int { REF_CAMERA = 0, REF_WORLD = 1, REF_OBJECT = 2 };

inline constexpr int kMaxRenderElements = 10;

// What a material's Shade leaves behind.
struct ShadeOutput {
  Color c;  // colour, premultiplied by opacity
  Color t;  // transparency per channel (0: opaque)
  float ior = 1.0f;
  int gbufId = 0;
  std::array<AColor, kMaxRenderElements> elementVals{};

  void Reset() { *this = ShadeOutput(); }
};

// One point being shaded. The renderer subclasses it and aims it at an
// object, a face and a pixel; materials, maps and shaders only read it
// (and write `out`).
class ShadeContext {
 public:
  virtual ~ShadeContext() = default;

  int mode = SCMODE_NORMAL;
  bool doMaps = true;
  bool filterMaps = true;
  bool shadow = false;    // lights cast shadows while true
  bool backFace = false;  // the face is seen from behind
  int mtlNum = 0;         // material id of the face
  Color ambientLight;
  int nLights = 0;
  int rayLevel = 0;
  RenderGlobalContext* globContext = nullptr;
  RenderInstance* inst = nullptr;  // the object being shaded, when there is one
  ShadeOutput out;

  virtual void ResetOutput() { out.Reset(); }

  // ---- Context -------------------------------------------------------------
  virtual bool InMtlEditor() { return false; }
  virtual TimeValue CurTime() = 0;
  virtual int ProjType() { return PROJ_PERSPECTIVE; }
  virtual LightDesc* Light(int n) = 0;  // 0 <= n < nLights
  virtual INode* Node() { return nullptr; }
  virtual Object* GetEvalObject() { return nullptr; }
  virtual int FaceNumber() { return 0; }
  virtual void SetGBufferID(int id) { out.gbufId = id; }

  // ---- Geometry at the point (camera space) --------------------------------
  virtual Point3 P() = 0;            // the point
  virtual Point3 DP() { return {}; }  // its extent over one pixel
  virtual Point3 V() = 0;            // unit view vector, eye towards the point
  virtual void SetView(const Point3& v) = 0;
  virtual Point3 Normal() = 0;  // unit shading normal (possibly bumped)
  virtual void SetNormal(const Point3& n) = 0;
  virtual Point3 OrigNormal() { return Normal(); }  // before bump mapping
  virtual Point3 GNormal() { return Normal(); }     // of the face's plane
  virtual float Curve() { return 0.0f; }            // surface curvature estimate
  virtual Point3 BarycentricCoords() { return {}; }
  virtual Point3 CamPos() { return {}; }
  // The reflection of V about the normal.
  virtual Point3 ReflectVector();
  // Points and directions between camera space and another frame.
  virtual Point3 PointTo(const Point3& p, RefFrame ito) { (void)ito; return p; }
  virtual Point3 PointFrom(const Point3& p, RefFrame ifrom) { (void)ifrom; return p; }
  virtual Point3 VectorTo(const Point3& v, RefFrame ito) { (void)ito; return v; }
  virtual Point3 VectorFrom(const Point3& v, RefFrame ifrom) { (void)ifrom; return v; }
  // The point in object space, and relative to the object's box (-1..1).
  virtual Point3 PObj() { return P(); }
  virtual Point3 DPObj() { return DP(); }
  virtual Box3 ObjectBox() { return {}; }
  virtual Point3 PObjRelBox();

  // ---- Mapping ---------------------------------------------------------------
  // Screen position as 0..1 fractions (v up) and their extent over a pixel.
  virtual void ScreenUV(Point2& uv, Point2& duv) = 0;
  virtual void ScreenCoord(int& x, int& y) { x = y = 0; }
  // Map coordinates of a channel (0..99) at the point, and their extent.
  virtual Point3 UVW(int channel) = 0;
  virtual Point3 DUVW(int channel) { (void)channel; return {}; }
  // Camera-space directions in which u, v and w grow.
  virtual void DPdUVW(Point3 dP[3], int channel) {
    (void)channel;
    dP[0] = dP[1] = dP[2] = Point3();
  }

  // ---- Environment ----------------------------------------------------------
  // The map seen along a camera-space direction. Only a context that can
  // look around (the background's) overrides this; others see no colour.
  virtual AColor EvalEnvironMap(Texmap* /*map*/, const Point3& /*view*/) { return {}; }
};

// ---- Lights ------------------------------------------------------------------

class LightDesc {
 public:
  virtual ~LightDesc() = default;

  bool affectDiffuse = true;
  bool affectSpecular = true;
  bool ambientOnly = false;

  // The light arriving at sc.P(). color: what arrives; dir: unit camera-space
  // direction from the point towards the light; dotNL: normal · dir;
  // diffuseCoef: the share to use for diffuse shading. True when the point is
  // lit; an ambient-only light is "lit" whatever the normal.
  virtual bool Illuminate(ShadeContext& sc, const Point3& normal, Color& color, Point3& dir, float& dotNL,
                          float& diffuseCoef) = 0;
  // Camera space.
  virtual Point3 LightPosition() { return {}; }
};

// Frame-independent facts a light gets from the renderer.
class RendContext {
 public:
  virtual ~RendContext() = default;
  // Answers 0 when the user cancelled.
  virtual int Progress(int /*done*/, int /*total*/) const { return 1; }
  virtual Color GlobalLightLevel() const { return {1.0f, 1.0f, 1.0f}; }
};

// A light of the scene as the renderer uses it for a run: made by the light
// object, updated every frame. Light classes keep the transforms current
// and say how they illuminate.
class ObjLightDesc : public LightDesc {
 public:
  explicit ObjLightDesc(INode* node) : inode(node) {}

  INode* inode;  // not owned
  LightState ls;
  Matrix3 lightToWorld;  // worldFromLight, scale removed
  Matrix3 worldToLight;
  Matrix3 lightToCam;
  Matrix3 camToLight;
  Point3 lightPos;  // camera space
  Color globalLightLevel{1.0f, 1.0f, 1.0f};

  // Refreshes the transforms and the light state at t; light classes do it
  // from their node (a descriptor without one keeps what it was given).
  // Answers 0 when the light cannot be used this frame (the renderer then
  // fails the frame).
  virtual int Update(TimeValue /*t*/, const RendContext& /*rc*/, RenderGlobalContext* /*rgc*/, bool /*shadows*/,
                     bool /*shadowGeomChanged*/) {
    return 1;
  }
  virtual int UpdateGlobalLightLevel(const Color& level) {
    globalLightLevel = level;
    return 1;
  }
  virtual int UpdateViewDepParams(const Matrix3& worldToCam);
  Point3 LightPosition() override { return lightPos; }
};

// ---- Renderer-wide facts -----------------------------------------------------

class RenderGlobalContext {
 public:
  virtual ~RenderGlobalContext() = default;

  ReferenceTarget* renderer = nullptr;
  int projType = PROJ_PERSPECTIVE;
  int devWidth = 0;
  int devHeight = 0;
  float xscale = 1.0f;
  float yscale = 1.0f;
  float xc = 0.0f;
  float yc = 0.0f;
  bool antialias = true;
  Matrix3 camToWorld;
  Matrix3 worldToCam;
  float nearRange = 0.0f;
  float farRange = 1000.0f;
  float devAspect = 1.0f;
  float frameDur = 1.0f;
  Texmap* envMap = nullptr;
  Color globalLightLevel{1.0f, 1.0f, 1.0f};
  TimeValue time = 0;
  bool wireMode = false;
  float wireThickness = 1.0f;
  bool inMtlEdit = false;
  bool fieldRender = false;
  bool firstField = true;
  int fieldOrder = 0;
  bool objMotBlur = false;

  virtual int NumRenderInstances() { return 0; }
  virtual RenderInstance* GetRenderInstance(int /*i*/) { return nullptr; }
};

// One object of the render run, as shaders may ask about it.
class RenderInstance {
 public:
  virtual ~RenderInstance() = default;

  std::uint32_t flags = 0;
  Mtl* mtl = nullptr;
  float wireSize = 1.0f;
  Matrix3 objToWorld;
  Matrix3 objToCam;
  Matrix3 normalObjToCam;  // for directions: objToCam without scale
  Matrix3 camToObj;
  Matrix3 normalCamToObj;
  Box3 obBox;  // object space
  Point3 center;  // of the bounding sphere, camera space
  float radius = 0.0f;

  virtual RenderInstance* Next() { return nullptr; }
  virtual INode* GetINode() = 0;
  virtual Object* GetEvalObject() = 0;
  virtual std::uint32_t MtlRequirements(int mtlNum, int faceNum) = 0;
  // Camera space; vertex normals are the smoothed corner normals.
  virtual Point3 GetFaceNormal(int faceNum) = 0;
  virtual Point3 GetFaceVertNormal(int faceNum, int vertNum) = 0;
  virtual void GetFaceVertNormals(int faceNum, Point3 n[3]) = 0;
  virtual Point3 GetCamVert(int vertNum) = 0;
  virtual void GetObjVerts(int faceNum, Point3 p[3]) = 0;
  virtual void GetCamVerts(int faceNum, Point3 p[3]) = 0;
};

// ---- Maps built before rendering ---------------------------------------------

struct SubRendParams {
  int rendType = RENDTYPE_NORMAL;
  bool fieldRender = false;
  bool evenLines = true;
  bool doingMirror = false;
  int devWidth = 0;
  int devHeight = 0;
  float devAspect = 1.0f;
  int xorg = 0;
  int yorg = 0;
  int xmin = 0;
  int xmax = 0;
  int ymin = 0;
  int ymax = 0;
};

// What a material that builds its own maps (mirrors, reflections) may ask
// of the renderer.
class RenderMapsContext {
 public:
  virtual ~RenderMapsContext() = default;
  virtual INode* GetNode() = 0;
  virtual int NodeRenderID() { return 0; }
  virtual void GetCurrentViewParams(ViewParams& vp) = 0;
  virtual void GetSubRendParams(SubRendParams& srp) = 0;
  virtual int SubMtlIndex() = 0;
  virtual void SetSubMtlIndex(int mindex) = 0;
  // The plane (a, b, c, -d) of the object's mirror face, in camera space.
  virtual void FindMirrorPlane(std::array<float, 4>& plane) = 0;
  virtual Matrix3 GetObjectTM() = 0;
  virtual RenderGlobalContext* GetGlobalContext() = 0;
  // Renders the scene into bm; answers 0 when it cannot.
  virtual int Render(Bitmap* bm, ViewParams& vp, SubRendParams& srp) = 0;
};

}  // namespace host
