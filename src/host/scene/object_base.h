// Scene objects: what a node shows. The super class id says what kind of
// object it is (geometry, shape, camera, light, helper); the renderer
// classifies nodes by the super class of their evaluated object.
#pragma once

#include <string>

#include "host/core/box3.h"
#include "host/refs/reference.h"
#include "host/render_api/rendering.h"
#include "host/core/scene_class_ids.h"
#include "host/core/time.h"
#include "host/core/types.h"

namespace host {

class INode;
class Mesh;
class Object;

inline constexpr SClass_ID SHAPE_CLASS_ID = 0x40;
// Modifier stacks (DerivedObject); never what a node evaluates to.
inline constexpr SClass_ID DERIVED_OBJECT_SUPER_CLASS_ID = 0x60;

// An object as a node's pipeline delivers it at some time.
class ObjectState {
 public:
  ObjectState() = default;
  explicit ObjectState(Object* o, Interval valid = FOREVER) : obj(o), validity(valid) {}

  Object* obj = nullptr;  // owned by the object's pipeline (see DerivedObject)
  Interval validity = FOREVER;
};

class Object : public ReferenceTarget {
 public:
  // The object as it stands at t. Plain objects answer themselves.
  virtual ObjectState Eval(TimeValue t) { return ObjectState(this, ObjectValidity(t)); }
  virtual Interval ObjectValidity(TimeValue /*t*/) { return FOREVER; }

  // Whether the renderer draws objects of this kind.
  virtual bool IsRenderable() { return false; }
  // In object space; empty when the object has no extent.
  virtual Box3 GetLocalBoundBox(TimeValue /*t*/) { return {}; }

  // Conversion to another object class (a triangle mesh, mostly). An object
  // of the requested class answers itself; a new object that ConvertToType
  // makes belongs to the caller.
  virtual bool CanConvertToType(Class_ID id) { return id == ClassID(); }
  virtual Object* ConvertToType(TimeValue /*t*/, Class_ID id) { return id == ClassID() ? this : nullptr; }

  // The object at the bottom of a modifier stack (the object itself when it
  // is no stack).
  virtual Object* FindBaseObject() { return this; }
};

// Renderable surfaces.
class GeomObject : public Object {
 public:
  SClass_ID SuperClassID() const override { return GEOMOBJECT_CLASS_ID; }
  bool IsRenderable() override { return true; }

  // The mesh to render at t. needDelete says whether the caller must delete
  // it (true for a mesh made for this call, false for the object's own).
  virtual Mesh* GetRenderMesh(TimeValue t, INode* node, View& view, bool& needDelete) = 0;

  // Whether the object has texture coordinates in map channel 1, and the
  // request to generate them when it has none.
  virtual bool HasUVW() { return false; }
  virtual void SetGenUVW(bool /*on*/) {}
};

// Objects that are never rendered: grouping points, the art-material holder.
class HelperObject : public Object {
 public:
  SClass_ID SuperClassID() const override { return HELPER_CLASS_ID; }
};

// A helper with nothing but its node: the object of an empty transform node.
class DummyObject : public HelperObject {
 public:
  Class_ID ClassID() const override { return DUMMY_OBJECT_CLASS_ID; }
  std::string GetClassName() const override { return "Dummy"; }
  ReferenceTarget* Clone(RemapDir& remap) override;
  using ReferenceTarget::Clone;
};

}  // namespace host
