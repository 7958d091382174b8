// Small fixtures for the scene-model tests: a shade context aimed by hand,
// and a modifier that moves every vertex.
#pragma once

#include <string>
#include <vector>

#include "host/refs/class_desc.h"
#include "host/scene/modifier.h"
#include "host/scene/object_tri.h"
#include "host/render_api/render_interfaces.h"

namespace scenetest {

// A shade context whose every answer is a public field.
class StubShadeContext : public host::ShadeContext {
 public:
  host::Point3 p;
  host::Point3 view{0.0f, 0.0f, -1.0f};
  host::Point3 normal{0.0f, 0.0f, 1.0f};
  host::Point3 uvw;
  host::Point2 screenUV;
  std::vector<host::LightDesc*> lights;

  host::TimeValue CurTime() override { return 0; }
  host::LightDesc* Light(int n) override { return n >= 0 && n < static_cast<int>(lights.size()) ? lights[n] : nullptr; }
  host::Point3 P() override { return p; }
  host::Point3 V() override { return view; }
  void SetView(const host::Point3& v) override { view = v; }
  host::Point3 Normal() override { return normal; }
  void SetNormal(const host::Point3& n) override { normal = n; }
  void ScreenUV(host::Point2& uv, host::Point2& duv) override {
    uv = screenUV;
    duv = host::Point2();
  }
  host::Point3 UVW(int) override { return uvw; }

  void AddLight(host::LightDesc* light) {
    lights.push_back(light);
    nLights = static_cast<int>(lights.size());
  }
};

inline constexpr host::Class_ID kShiftModifierClassID{0x7E570002, 0x00000001};

// Per-object data of ShiftModifier: how often it ran on that object.
struct ShiftData : host::LocalModData {
  int runs = 0;
  host::LocalModData* Clone() override { return new ShiftData(*this); }
};

// Adds `offset` to every vertex of a mesh object, or scales them by
// `scale` first; counts its runs in its local data.
class ShiftModifier : public host::Modifier {
 public:
  host::Point3 offset;
  float scale = 1.0f;

  host::Class_ID ClassID() const override { return kShiftModifierClassID; }
  std::string GetClassName() const override { return "Shift"; }

  void ModifyObject(host::TimeValue, host::ModContext& mc, host::ObjectState& os, host::INode*) override {
    auto* tri = dynamic_cast<host::TriObject*>(os.obj);
    if (!tri) return;
    for (host::Point3& v : tri->mesh.verts()) v = v * scale + offset;
    if (!mc.localData) mc.localData = new ShiftData();
    ++static_cast<ShiftData*>(mc.localData)->runs;
  }

  host::IOResult SaveLocalData(host::ISave* isave, host::LocalModData* ld) override {
    isave->WriteChunk(0x0100, static_cast<ShiftData*>(ld)->runs);
    return host::IO_OK;
  }
  host::IOResult LoadLocalData(host::ILoad* iload, host::LocalModData** pld) override {
    auto* data = new ShiftData();
    while (iload->OpenChunk() == host::IO_OK) {
      if (iload->CurChunkID() == 0x0100 && iload->ReadValue(&data->runs) != host::IO_OK) {
        delete data;
        return host::IO_ERROR;
      }
      iload->CloseChunk();
    }
    *pld = data;
    return host::IO_OK;
  }

  host::IOResult Save(host::ISave* isave) override {
    SaveHeader(isave);
    const float v[4] = {offset.x, offset.y, offset.z, scale};
    isave->WriteChunk(0x0100, v);
    return host::IO_OK;
  }
  host::IOResult Load(host::ILoad* iload) override {
    while (iload->OpenChunk() == host::IO_OK) {
      if (iload->CurChunkID() == host::MODIFIER_HDR_CHUNK && LoadHeader(iload) != host::IO_OK) return host::IO_ERROR;
      if (iload->CurChunkID() == 0x0100) {
        float v[4] = {};
        if (iload->ReadValue(&v) != host::IO_OK) return host::IO_ERROR;
        offset = host::Point3(v[0], v[1], v[2]);
        scale = v[3];
      }
      iload->CloseChunk();
    }
    return host::IO_OK;
  }
};

class ShiftModifierDesc : public host::ClassDesc {
 public:
  host::ReferenceTarget* Create(bool) override { return new ShiftModifier(); }
  std::string ClassName() const override { return "Shift"; }
  host::SClass_ID SuperClassID() const override { return host::OSM_CLASS_ID; }
  host::Class_ID ClassID() const override { return kShiftModifierClassID; }
};

// A mesh of one triangle, or a unit quad of two, for tests that need a little geometry.
inline host::Mesh Triangle() {
  host::Mesh m;
  m.setNumVerts(3);
  m.setVert(0, {0, 0, 0});
  m.setVert(1, {1, 0, 0});
  m.setVert(2, {0, 1, 0});
  m.setNumFaces(1);
  m.faces()[0].setVerts(0, 1, 2);
  return m;
}

}  // namespace scenetest
