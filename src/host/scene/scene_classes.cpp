#include "host/scene/scene_classes.h"

#include "host/scene/camera.h"
#include "host/scene/light.h"
#include "host/scene/modifier_select.h"
#include "host/shading/mtl_multi.h"
#include "host/shading/mtl_std.h"
#include "host/scene/object_derived.h"
#include "host/scene/object_tri.h"
#include "host/scene/scene_model.h"
#include "host/shading/texmap_bitmap.h"

namespace host {

namespace {

using CreateFn = ReferenceTarget* (*)(bool loading);

class SceneClassDesc : public ClassDesc {
 public:
  constexpr SceneClassDesc(const char* name, SClass_ID super, Class_ID id, CreateFn create)
      : name_(name), super_(super), id_(id), create_(create) {}
  ReferenceTarget* Create(bool loading) override { return create_(loading); }
  std::string ClassName() const override { return name_; }
  SClass_ID SuperClassID() const override { return super_; }
  Class_ID ClassID() const override { return id_; }
  std::string Category() const override { return "Scene"; }

 private:
  const char* name_;
  SClass_ID super_;
  Class_ID id_;
  CreateFn create_;
};

SceneClassDesc kDescs[] = {
    {"Node", BASENODE_CLASS_ID, NODE_CLASS_ID, [](bool) -> ReferenceTarget* { return new INode(); }},
    {"Scene Root", BASENODE_CLASS_ID, SCENE_ROOT_CLASS_ID, [](bool) -> ReferenceTarget* { return new SceneRoot(); }},
    {"Mesh", GEOMOBJECT_CLASS_ID, triObjectClassID, [](bool) -> ReferenceTarget* { return new TriObject(); }},
    {"Dummy", HELPER_CLASS_ID, DUMMY_OBJECT_CLASS_ID, [](bool) -> ReferenceTarget* { return new DummyObject(); }},
    {"Free Camera", CAMERA_CLASS_ID, FREE_CAMERA_CLASS_ID,
     [](bool) -> ReferenceTarget* { return new GenCamera(false); }},
    {"Target Camera", CAMERA_CLASS_ID, TARGET_CAMERA_CLASS_ID,
     [](bool) -> ReferenceTarget* { return new GenCamera(true); }},
    {"Light", LIGHT_CLASS_ID, GEN_LIGHT_CLASS_ID, [](bool) -> ReferenceTarget* { return new GenLight(); }},
    {"Modified Object", DERIVED_OBJECT_SUPER_CLASS_ID, DERIVED_OBJECT_CLASS_ID,
     [](bool) -> ReferenceTarget* { return new DerivedObject(); }},
    {"Standard", MATERIAL_CLASS_ID, STD_MAT_CLASS_ID,
     [](bool loading) -> ReferenceTarget* { return new StdMat(!loading); }},
    {"Multi/Sub-Object", MATERIAL_CLASS_ID, MULTI_MTL_CLASS_ID,
     [](bool) -> ReferenceTarget* { return new MultiMtl(); }},
    {"Blinn", SHADER_CLASS_ID, BLINN_SHADER_CLASS_ID, [](bool) -> ReferenceTarget* { return new BlinnShader(); }},
    {"Bitmap", TEXMAP_CLASS_ID, BITMAP_TEX_CLASS_ID, [](bool) -> ReferenceTarget* { return new BitmapTex(); }},
    {"Mesh Select", OSM_CLASS_ID, MESH_SELECT_CLASS_ID, [](bool) -> ReferenceTarget* { return new MeshSelectMod(); }},
};

}  // namespace

void RegisterSceneClasses(ClassRegistry& registry) {
  for (SceneClassDesc& desc : kDescs) registry.Register(&desc);
}

}  // namespace host
