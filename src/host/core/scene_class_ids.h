// Class ids of the scene model's own classes. Files name classes by these,
// so they never change. Ours are Class_ID(0x50570000 + n, 0x50570000); the
// target camera keeps the id the renderer recognises it by.
//
//   n     class            super class
//   0x01  INode            BASENODE_CLASS_ID (0x1)
//   0x02  SceneRoot        BASENODE_CLASS_ID
//   0x03  TriObject        GEOMOBJECT_CLASS_ID (0x10)
//   0x04  DummyObject      HELPER_CLASS_ID (0x50)
//   0x05  GenCamera, free  CAMERA_CLASS_ID (0x20)
//   --    GenCamera, target: Class_ID(0x1002, 0), CAMERA_CLASS_ID
//   0x06  GenLight         LIGHT_CLASS_ID (0x30)
//   0x07  DerivedObject    DERIVED_OBJECT_SUPER_CLASS_ID (0x60)
//   0x08  StdMat           MATERIAL_CLASS_ID (0xC00)
//   0x09  MultiMtl         MATERIAL_CLASS_ID
//   0x0A  BlinnShader      SHADER_CLASS_ID (0x10B0)
//   0x0B  BitmapTex        TEXMAP_CLASS_ID (0xC10)
//   0x0C  MeshSelectMod    OSM_CLASS_ID (0x810)
#pragma once

#include "host/core/types.h"

namespace host {

inline constexpr std::uint32_t kSceneClassIdB = 0x50570000u;
constexpr Class_ID SceneClassId(std::uint32_t n) { return Class_ID(0x50570000u + n, kSceneClassIdB); }

inline constexpr Class_ID NODE_CLASS_ID = SceneClassId(0x01);
inline constexpr Class_ID SCENE_ROOT_CLASS_ID = SceneClassId(0x02);
inline constexpr Class_ID triObjectClassID = SceneClassId(0x03);
inline constexpr Class_ID DUMMY_OBJECT_CLASS_ID = SceneClassId(0x04);
inline constexpr Class_ID FREE_CAMERA_CLASS_ID = SceneClassId(0x05);
inline constexpr Class_ID TARGET_CAMERA_CLASS_ID{0x1002, 0};
inline constexpr Class_ID GEN_LIGHT_CLASS_ID = SceneClassId(0x06);
inline constexpr Class_ID DERIVED_OBJECT_CLASS_ID = SceneClassId(0x07);
inline constexpr Class_ID STD_MAT_CLASS_ID = SceneClassId(0x08);
inline constexpr Class_ID MULTI_MTL_CLASS_ID = SceneClassId(0x09);
inline constexpr Class_ID BLINN_SHADER_CLASS_ID = SceneClassId(0x0A);
inline constexpr Class_ID BITMAP_TEX_CLASS_ID = SceneClassId(0x0B);
inline constexpr Class_ID MESH_SELECT_CLASS_ID = SceneClassId(0x0C);

}  // namespace host
