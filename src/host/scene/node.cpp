#include "host/scene/node.h"

#include <algorithm>
#include <cmath>

#include "host/shading/mtl.h"
#include "host/scene/object_derived.h"

namespace host {

INode::INode(std::string name) : name_(std::move(name)) {}

INode::~INode() {
  // Weak links go both ways; nothing may keep pointing here.
  if (target_) target_->DropLooker(this);
  for (INode* looker : lookers_) looker->target_ = nullptr;
  for (ReferenceTarget* child : children_)
    if (auto* node = dynamic_cast<INode*>(child); node && node->parent_ == this) node->parent_ = nullptr;
}

void INode::SetName(std::string name) {
  name_ = std::move(name);
  NotifyDependents(FOREVER, PART_ALL, REFMSG_NODE_NAMECHANGE);
}

// ---- Tree ---------------------------------------------------------------------

INode* INode::GetChildNode(int i) const {
  if (i < 0 || i >= NumberOfChildren()) return nullptr;
  return dynamic_cast<INode*>(children_[i]);
}

bool INode::IsDescendantOf(const INode* ancestor) const {
  for (const INode* p = parent_; p; p = p->parent_)
    if (p == ancestor) return true;
  return false;
}

bool INode::AttachChild(INode* child, bool keepWorldTM) {
  if (!child || child == this || IsDescendantOf(child)) return false;
  if (child->parent_ == this) return true;
  const Matrix3 world = keepWorldTM ? child->GetNodeTM(0) : Matrix3();
  INode* oldParent = child->parent_;
  // Taken by the new parent first, so the old one's release cannot free it.
  children_.push_back(nullptr);
  ReplaceReference(FirstChildSlot() + NumberOfChildren() - 1, child);
  if (oldParent) {
    auto it = std::find(oldParent->children_.begin(), oldParent->children_.end(), child);
    if (it != oldParent->children_.end())
      oldParent->ReplaceReference(oldParent->FirstChildSlot() + static_cast<int>(it - oldParent->children_.begin()),
                                  nullptr);
  }
  if (keepWorldTM) child->SetNodeTM(0, world);
  NotifyDependents(FOREVER, PART_ALL, REFMSG_SUBANIM_STRUCTURE_CHANGED);
  return true;
}

bool INode::Detach(bool keepWorldTM) {
  if (!parent_) return false;
  INode* top = parent_;
  while (top->parent_) top = top->parent_;
  return top == parent_ || top->AttachChild(this, keepWorldTM);
}

INode* FindNodeByName(INode* root, std::string_view name) {
  std::vector<INode*> stack;
  if (root) stack.push_back(root);
  while (!stack.empty()) {
    INode* node = stack.back();
    stack.pop_back();
    if (node->GetName() == name) return node;
    for (int i = node->NumberOfChildren() - 1; i >= 0; --i)
      if (INode* child = node->GetChildNode(i)) stack.push_back(child);
  }
  return nullptr;
}

// ---- Transforms -------------------------------------------------------------------

Matrix3 INode::GetParentTM(TimeValue t, Interval* valid) {
  return parent_ ? parent_->GetNodeTM(t, valid) : Matrix3();
}

Matrix3 INode::GetNodeTM(TimeValue t, Interval* valid) {
  Matrix3 world = tm_.Value(t, valid);
  if (parent_) world = world * parent_->GetNodeTM(t, valid);
  // A node reached again while its own look-at is being worked out (a target
  // inside its subtree, two nodes targeting each other) answers without it.
  if (target_ && !evaluatingLookAt_) world = LookAt(world, t, valid);
  return world;
}

Matrix3 INode::LookAt(const Matrix3& world, TimeValue t, Interval* valid) {
  evaluatingLookAt_ = true;
  const Point3 targetPos = target_->GetNodeTM(t, valid).GetTrans();
  evaluatingLookAt_ = false;
  const Point3 pos = world.GetTrans();
  // Seen from its own position the target has no direction.
  constexpr float kMinDistance = 1e-6f;
  if ((pos - targetPos).Length() <= kMinDistance) return world;
  const Point3 z = Normalize(pos - targetPos);
  // World +Z is "up" unless the view is along it; then world +Y is.
  constexpr float kParallel = 1e-6f;
  Point3 up = Point3::ZAxis();
  if (CrossProd(up, z).Length() < kParallel) up = Point3::YAxis();
  const Point3 x = Normalize(CrossProd(up, z));
  const Point3 y = CrossProd(z, x);
  return Matrix3(x * world[0].Length(), y * world[1].Length(), z * world[2].Length(), pos);
}

bool INode::SetNodeTM(TimeValue t, const Matrix3& tm) {
  const Matrix3 local = parent_ ? tm * Inverse(parent_->GetNodeTM(t)) : tm;
  const bool exact = tm_.SetValue(t, local);
  NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
  return exact;
}

Matrix3 INode::GetObjectOffsetTM() const {
  TransformParts parts;
  parts.position = offsetPos_;
  parts.rotation = offsetRot_;
  parts.scale = offsetScale_;
  return ComposeMatrix(parts);
}

Matrix3 INode::GetObjectTM(TimeValue t, Interval* valid) { return GetObjectOffsetTM() * GetNodeTM(t, valid); }

// ---- Target -------------------------------------------------------------------------

bool INode::SetTarget(INode* target) {
  if (target == this) return false;
  if (target == target_) return true;
  if (target_) target_->DropLooker(this);
  target_ = target;
  if (target_) target_->lookers_.push_back(this);
  NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
  return true;
}

void INode::DropLooker(INode* looker) { std::erase(lookers_, looker); }

bool INode::GetTargetTM(TimeValue t, Matrix3& tm) {
  if (!target_) return false;
  tm = target_->GetNodeTM(t);
  return true;
}

// ---- Object and material --------------------------------------------------------------

ObjectState INode::EvalWorldState(TimeValue t, bool /*evalHidden*/) {
  Object* obj = GetObjectRef();
  if (!obj) return ObjectState();
  if (auto* stack = dynamic_cast<DerivedObject*>(obj)) return stack->EvalForNode(t, this);
  return obj->Eval(t);
}

Mtl* INode::GetMtl() const { return dynamic_cast<Mtl*>(mtl_); }

void INode::SetMtl(Mtl* mtl) { ReplaceReference(kMtlRef, mtl); }

// ---- Flags ------------------------------------------------------------------------------

Color INode::GetWireColorRGB() const {
  auto channel = [this](int shift) { return static_cast<float>((wireColor_ >> shift) & 0xFFu) / 255.0f; };
  return {channel(0), channel(8), channel(16)};
}

void INode::SetWireColorRGB(const Color& c) {
  auto byte = [](float v) {
    const float clamped = std::isnan(v) ? 0.0f : std::clamp(v, 0.0f, 1.0f);
    return static_cast<std::uint32_t>(std::lround(clamped * 255.0f));
  };
  wireColor_ = byte(c.r) | (byte(c.g) << 8) | (byte(c.b) << 16);
}

bool INode::IsNodeHidden(bool /*forRenderer*/) const { return hidden_; }

// ---- References -------------------------------------------------------------------------

ReferenceTarget* INode::GetReference(int i) {
  if (i == kObjectRef) return object_;
  if (i == kMtlRef) return mtl_;
  if (i < kFirstChildRef) return nullptr;
  if (i < FirstChildSlot()) return GetExtraRef(i - kFirstChildRef);
  const int c = i - FirstChildSlot();
  return c < NumberOfChildren() ? children_[c] : nullptr;
}

void INode::SetReference(int i, ReferenceTarget* target) {
  if (i == kObjectRef) {
    object_ = target;
    return;
  }
  if (i == kMtlRef) {
    mtl_ = target;
    return;
  }
  if (i < kFirstChildRef) return;
  if (i < FirstChildSlot()) {
    SetExtraRef(i - kFirstChildRef, target);
    return;
  }
  const int c = i - FirstChildSlot();
  if (c >= NumberOfChildren()) return;
  if (auto* old = dynamic_cast<INode*>(children_[c]); old && old->parent_ == this) old->parent_ = nullptr;
  if (!target) {
    children_.erase(children_.begin() + c);
    return;
  }
  children_[c] = target;
  if (auto* node = dynamic_cast<INode*>(target)) node->parent_ = this;
}

}  // namespace host
