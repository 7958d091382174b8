#include "host/refs/scene_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <unordered_map>

#include "host/io/atomic_file.h"
#include "host/io/chunk_io.h"
#include "host/io/whole_file.h"
#include "host/services/interface.h"

namespace host {

namespace {

std::string Hex(std::uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%X", v);
  return buf;
}

// Every target reachable from the root, parents before children, references
// in slot order: the order is the file's object index.
struct ObjectTable {
  std::vector<ReferenceTarget*> objects;
  std::unordered_map<const ReferenceTarget*, int> index;

  void Collect(ReferenceTarget* root) {
    std::vector<ReferenceTarget*> stack{root};
    while (!stack.empty()) {
      ReferenceTarget* t = stack.back();
      stack.pop_back();
      if (index.count(t)) continue;
      index[t] = static_cast<int>(objects.size());
      objects.push_back(t);
      for (int i = t->NumRefs() - 1; i >= 0; --i)
        if (ReferenceTarget* r = t->GetReference(i); r && !index.count(r)) stack.push_back(r);
    }
  }
  int IndexOf(const ReferenceTarget* t) const {
    auto it = index.find(t);
    return it == index.end() ? -1 : it->second;
  }
};

// Holds every loaded object while references are restored and callbacks run,
// so nothing deletes itself half-way; letting go afterwards frees exactly the
// objects that nothing else refers to.
class KeepAlive : public ReferenceMaker {
 public:
  int NumRefs() override { return static_cast<int>(refs_.size()); }
  ReferenceTarget* GetReference(int i) override { return refs_[i]; }
  void Hold(ReferenceTarget* t) {
    refs_.push_back(nullptr);
    ReplaceReference(NumRefs() - 1, t);
  }

 protected:
  void SetReference(int i, ReferenceTarget* t) override { refs_[i] = t; }

 private:
  std::vector<ReferenceTarget*> refs_;
};

struct PendingObject {
  ReferenceTarget* object = nullptr;
  std::vector<std::int32_t> refs;
  std::span<const std::uint8_t> data;  // the data chunk's contents
};

// Reads one fixed-size value that must fill the rest of nothing less than its size.
template <class T>
bool ReadExact(MemoryLoad& in, T* v) {
  return in.ReadValue(v) == IO_OK;
}

class SceneReader {
 public:
  SceneReader(std::span<const std::uint8_t> bytes, const ClassRegistry& registry)
      : bytes_(bytes), registry_(registry) {}

  SceneLoadResult Run() {
    SceneLoadResult result;
    if (!ReadStructure() || !LoadObjects() || !CheckLinks()) {
      Abandon();
      result.error = error_;
      return result;
    }
    ReferenceTarget* root = objects_[root_].object;
    KeepAlive keep;
    for (auto& pending : objects_) keep.Hold(pending.object);
    Link();
    RunCallbacks();
    // The root goes to the caller with no dependents; it must survive the release.
    const bool autoDelete = root->AutoDelete();
    root->SetAutoDelete(false);
    keep.DeleteAllRefs();
    root->SetAutoDelete(autoDelete);
    result.root = root;
    result.warnings = std::move(warnings_);
    return result;
  }

 private:
  bool Fail(std::string message) {
    if (error_.empty()) error_ = std::move(message);
    return false;
  }

  // Pass 1: signature, header and every object's class, references and data.
  bool ReadStructure() {
    if (bytes_.size() < sizeof SCENE_FILE_SIGNATURE ||
        std::memcmp(bytes_.data(), SCENE_FILE_SIGNATURE, sizeof SCENE_FILE_SIGNATURE) != 0)
      return Fail("not a Penwright scene file");
    MemoryLoad in(bytes_.subspan(sizeof SCENE_FILE_SIGNATURE));
    bool haveHeader = false;
    std::uint32_t count = 0;
    IOResult r;
    while ((r = in.OpenChunk()) == IO_OK) {
      switch (in.CurChunkID()) {
        case SCENE_CHUNK_HEADER: {
          std::uint32_t version = 0;
          if (!ReadExact(in, &version) || !ReadExact(in, &count) || !ReadExact(in, &root_))
            return Fail("scene header: " + in.Error());
          if (version > SCENE_FILE_VERSION)
            return Fail("scene format version " + std::to_string(version) + " is newer than this program reads (" +
                        std::to_string(SCENE_FILE_VERSION) + ")");
          // Every object takes at least one chunk header: a count the file
          // cannot hold is corruption, not a reason to allocate.
          if (count > bytes_.size() / CHUNK_HEADER_SIZE)
            return Fail("scene header claims " + std::to_string(count) + " objects, more than the file can hold");
          objects_.reserve(count);
          haveHeader = true;
          break;
        }
        case SCENE_CHUNK_OBJECT:
          if (!haveHeader) return Fail("object chunk before the scene header");
          if (objects_.size() >= count)
            return Fail("more objects than the header's count of " + std::to_string(count));
          if (!ReadObject(in)) return false;
          break;
        default:
          break;  // a chunk of a later format version
      }
      if (in.CloseChunk() != IO_OK) return Fail(in.Error());
    }
    if (r == IO_ERROR) return Fail(in.Error());
    if (!haveHeader) return Fail("the scene header is missing");
    if (objects_.size() != count)
      return Fail("the file holds " + std::to_string(objects_.size()) + " objects, the header says " +
                  std::to_string(count) + " (truncated?)");
    if (root_ < 0 || static_cast<std::uint32_t>(root_) >= count)
      return Fail("root object index " + std::to_string(root_) + " is out of range");
    return true;
  }

  bool ReadObject(MemoryLoad& in) {
    const std::string where = "object " + std::to_string(objects_.size());
    PendingObject pending;
    bool haveClass = false, haveData = false;
    IOResult r;
    while ((r = in.OpenChunk()) == IO_OK) {
      switch (in.CurChunkID()) {
        case SCENE_CHUNK_CLASS: {
          if (haveClass) return Fail(where + ": two class chunks");
          std::uint32_t super = 0, a = 0, b = 0;
          if (!ReadExact(in, &super) || !ReadExact(in, &a) || !ReadExact(in, &b))
            return Fail(where + ": " + in.Error());
          pending.object = registry_.Create(super, Class_ID(a, b), true);
          if (!pending.object)
            return Fail(where + ": unknown class (super class " + Hex(super) + ", class id " + Hex(a) + ", " +
                        Hex(b) + ")");
          objects_.push_back(pending);  // owned from here on, for clean-up
          haveClass = true;
          break;
        }
        case SCENE_CHUNK_REFS: {
          std::uint32_t n = 0;
          if (!ReadExact(in, &n)) return Fail(where + " references: " + in.Error());
          if (n > in.CurChunkRemaining() / sizeof(std::int32_t))
            return Fail(where + ": reference count " + std::to_string(n) + " runs past its chunk");
          pending.refs.resize(n);
          if (n && in.Read(pending.refs.data(), n * sizeof(std::int32_t), nullptr) != IO_OK)
            return Fail(where + " references: " + in.Error());
          break;
        }
        case SCENE_CHUNK_DATA: {
          const std::size_t start = sizeof SCENE_FILE_SIGNATURE + in.Position();
          pending.data = bytes_.subspan(start, in.CurChunkRemaining());
          haveData = true;
          break;
        }
        default:
          break;
      }
      if (in.CloseChunk() != IO_OK) return Fail(in.Error());
    }
    if (r == IO_ERROR) return Fail(in.Error());
    if (!haveClass) return Fail(where + ": its class is missing");
    if (!haveData) return Fail(where + ": its data is missing");
    objects_.back().refs = std::move(pending.refs);
    objects_.back().data = pending.data;
    return true;
  }

  ReferenceTarget* ObjectAt(int i) const {
    return i >= 0 && static_cast<std::size_t>(i) < objects_.size() ? objects_[i].object : nullptr;
  }

  // Pass 2: every object loads its own chunks, with every other object already in existence.
  bool LoadObjects() {
    for (std::size_t i = 0; i < objects_.size(); ++i) {
      MemoryLoad in(objects_[i].data, [this](int id) { return ObjectAt(id); });
      IOResult r = objects_[i].object->Load(&in);
      auto cbs = in.TakePostLoadCallbacks();
      callbacks_.insert(callbacks_.end(), cbs.begin(), cbs.end());
      if (r == IO_ERROR || !in.Error().empty())
        return Fail("object " + std::to_string(i) + " (" + objects_[i].object->GetClassName() + "): " +
                    (in.Error().empty() ? std::string("its data could not be read") : in.Error()));
    }
    return true;
  }

  bool CheckLinks() {
    for (std::size_t i = 0; i < objects_.size(); ++i) {
      for (std::int32_t ref : objects_[i].refs) {
        if (ref < -1 || ref >= static_cast<std::int32_t>(objects_.size()))
          return Fail("object " + std::to_string(i) + " refers to object " + std::to_string(ref) +
                      ", which does not exist");
      }
    }
    // A saved file holds exactly what its root reaches; anything else is damage,
    // and objects outside the graph would never be freed.
    std::vector<char> reached(objects_.size(), 0);
    std::vector<std::int32_t> stack{root_};
    reached[root_] = 1;
    while (!stack.empty()) {
      const std::int32_t at = stack.back();
      stack.pop_back();
      for (std::int32_t ref : objects_[at].refs)
        if (ref >= 0 && !reached[ref]) {
          reached[ref] = 1;
          stack.push_back(ref);
        }
    }
    for (std::size_t i = 0; i < objects_.size(); ++i)
      if (!reached[i]) return Fail("object " + std::to_string(i) + " is not reachable from the root object");
    return BreakCycles();
  }

  // Saving walks a graph in which no object refers to itself or to one that
  // refers to it. A damaged file can hold such a loop; restored, it would
  // keep every object on it alive for ever (each one's last dependent is
  // on the loop too). The reference that closes a loop, seen walking from
  // the root in slot order, is dropped with a warning, as a class does with
  // a slot it no longer has; node trees then mend themselves as for any
  // empty child slot.
  bool BreakCycles() {
    enum : char { kUnseen, kOnPath, kDone };
    std::vector<char> state(objects_.size(), kUnseen);
    struct Step {
      std::int32_t object;
      std::size_t next;  // the next reference slot to follow
    };
    std::vector<Step> path{{root_, 0}};
    state[root_] = kOnPath;
    while (!path.empty()) {
      Step& top = path.back();
      std::vector<std::int32_t>& refs = objects_[top.object].refs;
      if (top.next == refs.size()) {
        state[top.object] = kDone;
        path.pop_back();
        continue;
      }
      const std::size_t slot = top.next++;
      const std::int32_t ref = refs[slot];
      if (ref < 0 || state[ref] == kDone) continue;
      if (state[ref] == kOnPath) {
        warnings_.push_back("object " + std::to_string(top.object) + " (" +
                            objects_[top.object].object->GetClassName() + ") reference " + std::to_string(slot) +
                            (ref == top.object ? " refers to the object itself"
                                               : " refers back to object " + std::to_string(ref) + ", which refers to it") +
                            " (a reference cycle); the reference is dropped");
        refs[slot] = -1;
        continue;
      }
      state[ref] = kOnPath;
      path.push_back({ref, 0});
    }
    return true;
  }

  void Link() {
    for (auto& pending : objects_) {
      const int slots = static_cast<int>(pending.refs.size());
      for (int slot = 0; slot < slots; ++slot) {
        ReferenceTarget* target = ObjectAt(pending.refs[slot]);
        // A class that now has fewer references than it saved drops the rest.
        if (target && slot < pending.object->NumRefs()) pending.object->ReplaceReference(slot, target);
      }
    }
  }

  void RunCallbacks() {
    MemoryLoad in(bytes_, [this](int id) { return ObjectAt(id); });
    for (std::size_t i = 0; i < callbacks_.size(); ++i) {
      callbacks_[i]->proc(&in);
      // Callbacks registered by callbacks run too, after the others.
      auto more = in.TakePostLoadCallbacks();
      callbacks_.insert(callbacks_.end(), more.begin(), more.end());
    }
    callbacks_.clear();
  }

  void Abandon() {
    for (PostLoadCallback* cb : callbacks_) cb->Abandon();
    callbacks_.clear();
    for (auto& pending : objects_) pending.object->DeleteThis();
    objects_.clear();
  }

  std::span<const std::uint8_t> bytes_;
  const ClassRegistry& registry_;
  std::vector<PendingObject> objects_;
  std::vector<PostLoadCallback*> callbacks_;
  std::int32_t root_ = -1;
  std::string error_;
  std::vector<std::string> warnings_;
};

}  // namespace

SceneSaveResult SaveSceneToBytes(ReferenceTarget* root) {
  SceneSaveResult result;
  if (!root) {
    result.error = "nothing to save";
    return result;
  }
  ObjectTable table;
  table.Collect(root);
  MemorySave out([&table](const ReferenceTarget* t) { return table.IndexOf(t); });
  out.Write(SCENE_FILE_SIGNATURE, sizeof SCENE_FILE_SIGNATURE, nullptr);

  out.BeginChunk(SCENE_CHUNK_HEADER);
  out.WriteValue(SCENE_FILE_VERSION);
  out.WriteValue(static_cast<std::uint32_t>(table.objects.size()));
  out.WriteValue(std::int32_t{0});
  out.EndChunk();

  for (std::size_t i = 0; i < table.objects.size(); ++i) {
    ReferenceTarget* obj = table.objects[i];
    out.BeginChunk(SCENE_CHUNK_OBJECT);

    out.BeginChunk(SCENE_CHUNK_CLASS);
    out.WriteValue(obj->SuperClassID());
    out.WriteValue(obj->ClassID().a);
    out.WriteValue(obj->ClassID().b);
    out.EndChunk();

    out.BeginChunk(SCENE_CHUNK_REFS);
    const int n = obj->NumRefs();
    out.WriteValue(static_cast<std::uint32_t>(n));
    for (int r = 0; r < n; ++r) out.WriteValue(static_cast<std::int32_t>(table.IndexOf(obj->GetReference(r))));
    out.EndChunk();

    out.BeginChunk(SCENE_CHUNK_DATA);
    IOResult r = obj->Save(&out);
    out.EndChunk();
    out.EndChunk();
    if (r != IO_OK) {
      result.error = "object " + std::to_string(i) + " (" + obj->GetClassName() + ") failed to save";
      return result;
    }
    if (!out.Balanced()) {
      result.error = "object " + std::to_string(i) + " (" + obj->GetClassName() + ") left a chunk open";
      return result;
    }
  }
  result.bytes = out.TakeBytes();
  return result;
}

SceneLoadResult LoadSceneFromBytes(std::span<const std::uint8_t> bytes, const ClassRegistry& registry) {
  SceneLoadResult result = SceneReader(bytes, registry).Run();
  for (const std::string& w : result.warnings) WarningText("scene file: " + w);
  return result;
}

std::string SaveSceneFile(const std::string& path, ReferenceTarget* root) {
  SceneSaveResult saved = SaveSceneToBytes(root);
  if (!saved.ok()) return path + ": " + saved.error;
  std::string error;
  if (!WriteFileAtomically(path, saved.bytes, &error)) return error;
  return "";
}

SceneLoadResult LoadSceneFile(const std::string& path, const ClassRegistry& registry) {
  SceneLoadResult result;
  if (std::string why = InputFileProblem(path); !why.empty()) {
    result.error = path + ": cannot open: " + why;
    return result;
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    result.error = path + ": cannot open: " + std::strerror(errno);
    return result;
  }
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) {
    result.error = path + ": read error";
    return result;
  }
  result = SceneReader(bytes, registry).Run();
  for (const std::string& w : result.warnings) WarningText(path + ": " + w);
  if (!result.ok()) result.error = path + ": " + result.error;
  return result;
}

}  // namespace host
