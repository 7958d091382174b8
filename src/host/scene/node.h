// Scene nodes: the tree that places objects in the world.
//
// A node refers to its object (reference 0), its material (reference 1) and
// its children (the references after those), so a scene file saves the
// whole tree from the root and shared objects and materials stay shared.
// The parent is a plain back pointer, and so is the target a camera or
// light looks at: neither keeps anything alive.
//
// Transforms are row-vector matrices (p' = p * M): a node's world transform
// is its local transform followed by its parent's world transform,
// world = local * parentWorld. The object transform adds the object offset
// in front: objectTM = offset * world.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/core/color.h"
#include "host/anim/controller.h"
#include "host/core/matrix3.h"
#include "host/scene/object_base.h"
#include "host/core/quat.h"
#include "host/refs/reference.h"
#include "host/core/scene_class_ids.h"

namespace host {

class Mtl;

// Application data a plug-in attached to a node, found by its owner's class
// and a sub id of the owner's choosing.
struct AppDataChunk {
  Class_ID classID;
  SClass_ID superClassID = 0;
  std::uint32_t subID = 0;
  std::vector<std::uint8_t> data;
  friend bool operator==(const AppDataChunk&, const AppDataChunk&) = default;
};

struct UserProp {
  std::string key;
  std::string value;
  friend bool operator==(const UserProp&, const UserProp&) = default;
};

class INode : public ReferenceTarget {
 public:
  explicit INode(std::string name = "");
  ~INode() override;

  Class_ID ClassID() const override { return NODE_CLASS_ID; }
  SClass_ID SuperClassID() const override { return BASENODE_CLASS_ID; }
  std::string GetClassName() const override { return "Node"; }

  const std::string& GetName() const { return name_; }
  void SetName(std::string name);

  // ---- Tree -----------------------------------------------------------------
  INode* GetParentNode() const { return parent_; }
  int NumberOfChildren() const { return static_cast<int>(children_.size()); }
  // Null for i out of range.
  INode* GetChildNode(int i) const;
  // Makes child the last child of this node, taking it from its old parent.
  // With keepWorldTM the child's local transform is changed (at time 0) so
  // that it stays where it was; otherwise the local transform is kept and the
  // child moves with its new parent. False, changing nothing, for null, this
  // node, or an ancestor of this node.
  bool AttachChild(INode* child, bool keepWorldTM = false);
  // Makes this node a child of the top of its tree (the scene root). False
  // for a node without a parent.
  bool Detach(bool keepWorldTM = false);
  // True when `ancestor` is this node's parent, grandparent, ...
  bool IsDescendantOf(const INode* ancestor) const;

  // ---- Transforms -------------------------------------------------------------
  // The local transform (relative to the parent), keyed.
  TransformTrack& TMController() { return tm_; }
  const TransformTrack& TMController() const { return tm_; }
  // valid, when given, is narrowed to the times over which the result holds.
  Matrix3 GetNodeTM(TimeValue t, Interval* valid = nullptr);
  Matrix3 GetParentTM(TimeValue t, Interval* valid = nullptr);
  // Sets the local transform so that the world transform at t becomes tm.
  // False when tm has shear (the nearest shear-free transform is set).
  bool SetNodeTM(TimeValue t, const Matrix3& tm);
  Matrix3 GetObjectTM(TimeValue t, Interval* valid = nullptr);
  // There are no world-space modifiers: this equals GetObjectTM.
  Matrix3 GetObjTMAfterWSM(TimeValue t, Interval* valid = nullptr) { return GetObjectTM(t, valid); }

  // The object offset: where the object sits relative to its node.
  void SetObjOffsetPos(const Point3& p) { offsetPos_ = p; }
  void SetObjOffsetScale(const Point3& s) { offsetScale_ = s; }
  Matrix3 GetObjectOffsetTM() const;

  // ---- Target -----------------------------------------------------------------
  // A node with a target turns its local -Z axis towards the target's
  // position, with its local +Y axis as close to world +Z as it can be (world
  // +Y when looking straight up or down); its own rotation is then unused.
  // False for this node itself.
  bool SetTarget(INode* target);
  INode* GetTarget() const { return target_; }
  // The target's world transform; false (tm untouched) without a target.
  bool GetTargetTM(TimeValue t, Matrix3& tm);

  // ---- Object and material ------------------------------------------------------
  Object* GetObjectRef() const { return dynamic_cast<Object*>(object_); }
  void SetObjectRef(Object* obj) { ReplaceReference(kObjectRef, obj); }
  // The object after its modifier stack at t (obj null without an object).
  ObjectState EvalWorldState(TimeValue t, bool evalHidden = true);
  Mtl* GetMtl() const;
  void SetMtl(Mtl* mtl);

  // ---- Display and render flags ---------------------------------------------------
  // Packed 0x00BBGGRR.
  std::uint32_t GetWireColor() const { return wireColor_; }
  void SetWireColor(std::uint32_t bgr) { wireColor_ = bgr & 0x00FFFFFFu; }
  Color GetWireColorRGB() const;
  // Channels clamped to 0..1 and rounded to 8 bits.
  void SetWireColorRGB(const Color& c);

  // Visibility 0..1 (keyed); the renderer draws a node while it is > 0.
  FloatTrack& VisibilityTrack() { return visibility_; }
  float GetVisibility(TimeValue t, Interval* valid = nullptr) const { return visibility_.Value(t, valid); }
  void SetVisibility(TimeValue t, float v) { visibility_.SetValue(t, v); }

  bool Renderable() const { return renderable_; }
  void SetRenderable(bool on) { renderable_ = on; }
  bool IsNodeHidden(bool forRenderer = false) const;
  void Hide(bool on) { hidden_ = on; }
  bool Selected() const { return selected_; }
  void Select(bool on) { selected_ = on; }

  // ---- User properties ---------------------------------------------------------------
  // Keys compare without regard to ASCII case; a property keeps the spelling
  // it was first given. Keys must be non-empty, free of '=' and line breaks,
  // and without surrounding blanks; values free of line breaks. Setters
  // refuse anything else (false, nothing stored).
  bool SetUserPropString(std::string_view key, std::string_view value);
  bool GetUserPropString(std::string_view key, std::string& value) const;
  bool SetUserPropInt(std::string_view key, int value);
  // False when the property is missing or is not a whole number in int range.
  bool GetUserPropInt(std::string_view key, int& value) const;
  bool SetUserPropFloat(std::string_view key, float value);
  bool GetUserPropFloat(std::string_view key, float& value) const;
  bool UserPropExists(std::string_view key) const;
  bool RemoveUserProp(std::string_view key);
  const std::vector<UserProp>& UserProps() const { return props_; }
  // The properties as text, one "key = value" line each ("\r\n" endings).
  std::string GetUserPropBuffer() const;
  // Replaces every property by those of the text. Lines without '=' and
  // blank lines are ignored; a later line wins over an earlier one with the
  // same key.
  void SetUserPropBuffer(std::string_view text);

  // ---- Application data --------------------------------------------------------------
  // Replaces a chunk with the same class, super class and sub id.
  void AddAppDataChunk(Class_ID cid, SClass_ID sid, std::uint32_t subID, std::vector<std::uint8_t> data);
  const AppDataChunk* GetAppDataChunk(Class_ID cid, SClass_ID sid, std::uint32_t subID) const;
  bool RemoveAppDataChunk(Class_ID cid, SClass_ID sid, std::uint32_t subID);
  const std::vector<AppDataChunk>& AppData() const { return appData_; }

  // ---- Reference target -----------------------------------------------------------------
  int NumRefs() override { return kFirstChildRef + NumExtraRefs() + NumberOfChildren(); }
  ReferenceTarget* GetReference(int i) override;
  IOResult Save(ISave* isave) override;
  IOResult Load(ILoad* iload) override;

 protected:
  // Reference layout: object, material, extra references of a subclass,
  // then the children. A child slot set to null is removed.
  static constexpr int kObjectRef = 0;
  static constexpr int kMtlRef = 1;
  static constexpr int kFirstChildRef = 2;
  void SetReference(int i, ReferenceTarget* target) override;

  // Subclasses with references of their own.
  virtual int NumExtraRefs() const { return 0; }
  virtual ReferenceTarget* GetExtraRef(int /*i*/) { return nullptr; }
  virtual void SetExtraRef(int /*i*/, ReferenceTarget* /*target*/) {}
  int ExtraRefIndex(int i) const { return kFirstChildRef + i; }
  // Subclasses with chunks of their own: written after the node's chunks,
  // and handed every chunk the node does not know (the chunk is open).
  virtual IOResult SaveExtraChunks(ISave* /*isave*/) { return IO_OK; }
  virtual IOResult LoadExtraChunk(ILoad* /*iload*/) { return IO_OK; }

 private:
  class LoadFixup;
  friend class LoadFixup;

  int FirstChildSlot() const { return kFirstChildRef + NumExtraRefs(); }
  Matrix3 LookAt(const Matrix3& world, TimeValue t, Interval* valid);
  void DropLooker(INode* looker);
  // After a load: makes the loaded tree a tree again (see node_io.cpp).
  void RepairChildren();
  static void RepairTree(INode* top);

  std::string name_;
  INode* parent_ = nullptr;
  // Slots hold whatever a file put there; the typed getters check the type.
  std::vector<ReferenceTarget*> children_;
  ReferenceTarget* object_ = nullptr;
  ReferenceTarget* mtl_ = nullptr;
  INode* target_ = nullptr;
  std::vector<INode*> lookers_;  // nodes whose target this node is
  bool evaluatingLookAt_ = false;
  bool needsRepair_ = false;  // loaded; children not yet checked

  TransformTrack tm_;
  Point3 offsetPos_;
  Quat offsetRot_;
  Point3 offsetScale_{1.0f, 1.0f, 1.0f};

  FloatTrack visibility_{1.0f};
  std::uint32_t wireColor_ = 0x00808080u;
  bool renderable_ = true;
  bool hidden_ = false;
  bool selected_ = false;

  std::vector<UserProp> props_;
  std::vector<AppDataChunk> appData_;
};

// The first node named `name` in a depth-first walk from root (root
// included), or null.
INode* FindNodeByName(INode* root, std::string_view name);

}  // namespace host
