// Node persistence. Chunks, in the node's data:
//   0x2000 name (string)            0x2001 flags (u32: 1 renderable, 2 hidden, 4 selected)
//   0x2002 wire colour (u32)        0x2003 transform track (container)
//   0x2004 visibility track (container)
//   0x2005 object offset (10 f32: position, rotation quaternion, scale)
//   0x2006 child count (u32)        0x2007 target node (i32 file index, -1 none)
//   0x2010 user property (container: 0x2011 key, 0x2012 value)
//   0x2020 application data (container: 0x2021 u32 class a, class b, super class,
//          sub id; 0x2022 the bytes)
// followed by a subclass's own chunks. Children, object and material are
// references and come back through the scene file.
#include <cmath>
#include <unordered_set>

#include "host/scene/node.h"

namespace host {

namespace {

enum NodeChunk : std::uint16_t {
  NODE_NAME = 0x2000,
  NODE_FLAGS = 0x2001,
  NODE_WIRECOLOR = 0x2002,
  NODE_TM = 0x2003,
  NODE_VISIBILITY = 0x2004,
  NODE_OFFSET = 0x2005,
  NODE_CHILD_COUNT = 0x2006,
  NODE_TARGET = 0x2007,
  NODE_USERPROP = 0x2010,
  NODE_USERPROP_KEY = 0x2011,
  NODE_USERPROP_VALUE = 0x2012,
  NODE_APPDATA = 0x2020,
  NODE_APPDATA_HEADER = 0x2021,
  NODE_APPDATA_BYTES = 0x2022,
};

constexpr std::uint32_t kFlagRenderable = 1;
constexpr std::uint32_t kFlagHidden = 2;
constexpr std::uint32_t kFlagSelected = 4;

// More children than any scene has; a larger count is damage, not a reason
// to allocate.
constexpr std::uint32_t kMaxChildren = 1u << 24;

IOResult Fail(ILoad* iload, const std::string& why) {
  iload->SetError("node: " + why);
  return IO_ERROR;
}

}  // namespace

class INode::LoadFixup : public PostLoadCallback {
 public:
  explicit LoadFixup(INode* node) : node_(node) {}
  void proc(ILoad*) override {
    node_->RepairChildren();
    delete this;
  }
  void Abandon() override { delete this; }

 private:
  INode* node_;
};

IOResult INode::Save(ISave* isave) {
  isave->WriteStringChunk(NODE_NAME, name_);
  const std::uint32_t flags =
      (renderable_ ? kFlagRenderable : 0u) | (hidden_ ? kFlagHidden : 0u) | (selected_ ? kFlagSelected : 0u);
  isave->WriteChunk(NODE_FLAGS, flags);
  isave->WriteChunk(NODE_WIRECOLOR, wireColor_);
  isave->BeginChunk(NODE_TM);
  IOResult r = tm_.Save(*isave);
  isave->EndChunk();
  if (r != IO_OK) return r;
  isave->BeginChunk(NODE_VISIBILITY);
  r = visibility_.Save(*isave);
  isave->EndChunk();
  if (r != IO_OK) return r;
  const float offset[10] = {offsetPos_.x, offsetPos_.y, offsetPos_.z, offsetRot_.x, offsetRot_.y,
                            offsetRot_.z, offsetRot_.w, offsetScale_.x, offsetScale_.y, offsetScale_.z};
  isave->WriteChunk(NODE_OFFSET, offset);
  isave->WriteChunk(NODE_CHILD_COUNT, static_cast<std::uint32_t>(children_.size()));
  if (target_) isave->WriteChunk(NODE_TARGET, static_cast<std::int32_t>(isave->GetRefID(target_)));
  for (const UserProp& prop : props_) {
    isave->BeginChunk(NODE_USERPROP);
    isave->WriteStringChunk(NODE_USERPROP_KEY, prop.key);
    isave->WriteStringChunk(NODE_USERPROP_VALUE, prop.value);
    isave->EndChunk();
  }
  for (const AppDataChunk& chunk : appData_) {
    isave->BeginChunk(NODE_APPDATA);
    const std::uint32_t header[4] = {chunk.classID.a, chunk.classID.b, chunk.superClassID, chunk.subID};
    isave->WriteChunk(NODE_APPDATA_HEADER, header);
    isave->BeginChunk(NODE_APPDATA_BYTES);
    if (!chunk.data.empty()) isave->Write(chunk.data.data(), chunk.data.size(), nullptr);
    isave->EndChunk();
    isave->EndChunk();
  }
  return SaveExtraChunks(isave);
}

namespace {

IOResult LoadUserProp(ILoad* iload, std::string* key, std::string* value) {
  bool haveKey = false, haveValue = false;
  IOResult r;
  while ((r = iload->OpenChunk()) == IO_OK) {
    if (iload->CurChunkID() == NODE_USERPROP_KEY) {
      if (iload->ReadCStringChunk(key) != IO_OK) return IO_ERROR;
      haveKey = true;
    } else if (iload->CurChunkID() == NODE_USERPROP_VALUE) {
      if (iload->ReadCStringChunk(value) != IO_OK) return IO_ERROR;
      haveValue = true;
    }
    if (iload->CloseChunk() != IO_OK) return IO_ERROR;
  }
  if (r == IO_ERROR) return IO_ERROR;
  return haveKey && haveValue ? IO_OK : Fail(iload, "a user property without its key or value");
}

IOResult LoadAppData(ILoad* iload, AppDataChunk* chunk) {
  bool haveHeader = false, haveBytes = false;
  IOResult r;
  while ((r = iload->OpenChunk()) == IO_OK) {
    if (iload->CurChunkID() == NODE_APPDATA_HEADER) {
      std::uint32_t header[4] = {};
      if (iload->ReadValue(&header) != IO_OK) return IO_ERROR;
      chunk->classID = Class_ID(header[0], header[1]);
      chunk->superClassID = header[2];
      chunk->subID = header[3];
      haveHeader = true;
    } else if (iload->CurChunkID() == NODE_APPDATA_BYTES) {
      // The chunk's own size bounds the allocation.
      chunk->data.resize(iload->CurChunkRemaining());
      if (!chunk->data.empty() && iload->Read(chunk->data.data(), chunk->data.size(), nullptr) != IO_OK)
        return IO_ERROR;
      haveBytes = true;
    }
    if (iload->CloseChunk() != IO_OK) return IO_ERROR;
  }
  if (r == IO_ERROR) return IO_ERROR;
  return haveHeader && haveBytes ? IO_OK : Fail(iload, "application data without its header or bytes");
}

}  // namespace

IOResult INode::Load(ILoad* iload) {
  IOResult r;
  while ((r = iload->OpenChunk()) == IO_OK) {
    switch (iload->CurChunkID()) {
      case NODE_NAME:
        if (iload->ReadCStringChunk(&name_) != IO_OK) return IO_ERROR;
        break;
      case NODE_FLAGS: {
        std::uint32_t flags = 0;
        if (iload->ReadValue(&flags) != IO_OK) return IO_ERROR;
        renderable_ = (flags & kFlagRenderable) != 0;
        hidden_ = (flags & kFlagHidden) != 0;
        selected_ = (flags & kFlagSelected) != 0;
        break;
      }
      case NODE_WIRECOLOR:
        if (iload->ReadValue(&wireColor_) != IO_OK) return IO_ERROR;
        wireColor_ &= 0x00FFFFFFu;
        break;
      case NODE_TM:
        if (tm_.Load(*iload) != IO_OK) return IO_ERROR;
        break;
      case NODE_VISIBILITY:
        if (visibility_.Load(*iload) != IO_OK) return IO_ERROR;
        break;
      case NODE_OFFSET: {
        float v[10] = {};
        if (iload->ReadValue(&v) != IO_OK) return IO_ERROR;
        for (float f : v)
          if (!std::isfinite(f)) return Fail(iload, "the object offset is not finite");
        offsetPos_ = Point3(v[0], v[1], v[2]);
        offsetRot_ = Quat(v[3], v[4], v[5], v[6]);
        offsetScale_ = Point3(v[7], v[8], v[9]);
        break;
      }
      case NODE_CHILD_COUNT: {
        std::uint32_t n = 0;
        if (iload->ReadValue(&n) != IO_OK) return IO_ERROR;
        if (n > kMaxChildren) return Fail(iload, "child count " + std::to_string(n) + " is not believable");
        // The scene file fills the slots after every object has loaded.
        children_.assign(n, nullptr);
        break;
      }
      case NODE_TARGET: {
        std::int32_t id = -1;
        if (iload->ReadValue(&id) != IO_OK) return IO_ERROR;
        if (id >= 0) {
          auto* target = dynamic_cast<INode*>(iload->GetObjectByRefID(id));
          if (!target) return Fail(iload, "its target (object " + std::to_string(id) + ") is not a node");
          if (!SetTarget(target)) return Fail(iload, "it targets itself");
        }
        break;
      }
      case NODE_USERPROP: {
        std::string key, value;
        if (LoadUserProp(iload, &key, &value) != IO_OK) return IO_ERROR;
        if (!SetUserPropString(key, value)) return Fail(iload, "user property \"" + key + "\" is malformed");
        break;
      }
      case NODE_APPDATA: {
        AppDataChunk chunk;
        if (LoadAppData(iload, &chunk) != IO_OK) return IO_ERROR;
        AddAppDataChunk(chunk.classID, chunk.superClassID, chunk.subID, std::move(chunk.data));
        break;
      }
      default:
        if (LoadExtraChunk(iload) != IO_OK) return IO_ERROR;
        break;
    }
    if (iload->CloseChunk() != IO_OK) return IO_ERROR;
  }
  if (r == IO_ERROR) return IO_ERROR;
  needsRepair_ = true;
  iload->RegisterPostLoadCallback(new LoadFixup(this));
  return IO_OK;
}

// A damaged file can give a node two parents, put a node under its own
// descendant or put something that is no node among the children. The tree
// is walked once from its top, after every reference is restored: each node
// stays with the first parent that reaches it; empty slots, non-nodes and
// later claims are dropped.
void INode::RepairChildren() {
  if (!needsRepair_) return;
  std::unordered_set<INode*> seen{this};
  INode* top = this;
  while (top->parent_ && top->parent_->needsRepair_ && seen.insert(top->parent_).second) top = top->parent_;
  RepairTree(top);
}

void INode::RepairTree(INode* top) {
  std::unordered_set<INode*> claimed{top};
  std::vector<INode*> queue{top};
  for (std::size_t q = 0; q < queue.size(); ++q) {
    INode* node = queue[q];
    node->needsRepair_ = false;
    std::vector<int> drop;
    for (int i = 0; i < node->NumberOfChildren(); ++i) {
      auto* child = dynamic_cast<INode*>(node->children_[i]);
      // A node an earlier walk has placed belongs to another tree.
      if (!child || !child->needsRepair_ || !claimed.insert(child).second) {
        drop.push_back(i);
        continue;
      }
      child->parent_ = node;
      queue.push_back(child);
    }
    for (auto it = drop.rbegin(); it != drop.rend(); ++it) {
      if (node->children_[*it])
        node->ReplaceReference(node->FirstChildSlot() + *it, nullptr);
      else
        node->children_.erase(node->children_.begin() + *it);
    }
    // Dropping a duplicate slot cleared the pointer its first slot set.
    for (ReferenceTarget* child : node->children_) static_cast<INode*>(child)->parent_ = node;
  }
}

}  // namespace host
