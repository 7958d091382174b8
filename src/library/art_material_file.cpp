#include "library/art_material_file.h"

#include <algorithm>
#include <array>
#include <memory>
#include <utility>

#include "host/imaging/image_io.h"
#include "host/io/atomic_file.h"
#include "host/io/chunk_io.h"
#include "host/io/whole_file.h"
#include "host/refs/scene_file.h"
#include "host/services/interface.h"
#include "host/shading/scene_aux_files.h"
#include "host/shading/texmap_bitmap.h"
#include "library/art_materials.h"
#include "library/holder.h"
#include "library/library_edit.h"
#include "library/library_state.h"
#include "plugin/class_ids.h"

namespace pw {

namespace {

// The last top-level chunk: a CRC-32 of every byte before it. Without it
// a flipped byte inside a number would load as a different number, and a
// file cut short at a chunk boundary would load as a smaller library.
constexpr std::uint16_t IAM_CHUNK_CHECKSUM = 0x0104;
constexpr std::size_t kChecksumChunkSize = host::CHUNK_HEADER_SIZE + 4;
// More images than any library uses: a count beyond it is damage.
constexpr std::size_t kMaxImages = 1 << 16;

std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  std::uint32_t c = 0xFFFFFFFFu;
  for (std::uint8_t b : bytes) c = table[(c ^ b) & 0xFFu] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::vector<ImageUserHooks>& Hooks() {
  static std::vector<ImageUserHooks> hooks = [] {
    // Bitmap textures (a Toon material's maps, for one) are the host's.
    ImageUserHooks bitmaps;
    bitmaps.names = [](host::ReferenceTarget* obj, std::vector<std::string>& names) {
      if (auto* tex = dynamic_cast<host::BitmapTex*>(obj); tex && !tex->GetMapName().empty())
        names.push_back(tex->GetMapName());
    };
    bitmaps.resolve = [](host::ReferenceTarget* obj, const std::string& name) -> std::string {
      if (!dynamic_cast<host::BitmapTex*>(obj)) return "";
      auto path = host::ResolveMapPath(name);
      return path ? path->string() : "";
    };
    bitmaps.supply = [](host::ReferenceTarget* obj, const std::string& name, std::span<const std::uint8_t> bytes,
                        std::string* error) {
      auto* tex = dynamic_cast<host::BitmapTex*>(obj);
      if (!tex || tex->GetMapName() != name) return false;
      host::Bitmap image;
      if (!host::DecodeImage(bytes, host::FormatFromPath(name), image, error)) return false;
      tex->SetBitmap(image);
      return true;
    };
    return std::vector<ImageUserHooks>{std::move(bitmaps)};
  }();
  return hooks;
}

// Every reference target reachable from root, parents first, each once.
std::vector<host::ReferenceTarget*> Reachable(host::ReferenceMaker* root) {
  struct Collect : host::RefEnumProc {
    std::vector<host::ReferenceTarget*> out;
    int proc(host::ReferenceMaker* maker) override {
      if (auto* t = dynamic_cast<host::ReferenceTarget*>(maker)) out.push_back(t);
      return host::REF_ENUM_CONTINUE;
    }
  } collect;
  if (root) root->EnumRefHierarchy(collect);
  return std::move(collect.out);
}

std::vector<EmbeddedImage> CollectImages(host::ReferenceMaker* root, std::vector<std::string>* missing) {
  std::vector<EmbeddedImage> images;
  std::vector<std::string> seen;
  for (host::ReferenceTarget* obj : Reachable(root)) {
    for (const ImageUserHooks& hooks : Hooks()) {
      std::vector<std::string> names;
      if (hooks.names) hooks.names(obj, names);
      for (const std::string& name : names) {
        if (std::find(seen.begin(), seen.end(), name) != seen.end()) continue;
        seen.push_back(name);
        const std::string path = hooks.resolve ? hooks.resolve(obj, name) : "";
        std::string bytes, error;
        if (path.empty() || !host::ReadWholeFile(path, bytes, &error)) {
          if (missing) missing->push_back(name);
          continue;
        }
        images.push_back(EmbeddedImage{name, std::vector<std::uint8_t>(bytes.begin(), bytes.end())});
      }
    }
  }
  return images;
}

void AppendImagesAndChecksum(const std::vector<EmbeddedImage>& images, std::vector<std::uint8_t>& bytes) {
  host::MemorySave save;
  save.BeginChunk(IAM_CHUNK_IMAGES);
  for (const EmbeddedImage& image : images) {
    save.BeginChunk(IAM_CHUNK_IMAGE);
    save.WriteStringChunk(IAM_CHUNK_IMAGE_NAME, image.name);
    save.BeginChunk(IAM_CHUNK_IMAGE_BYTES);
    std::size_t written = 0;
    if (!image.bytes.empty()) save.Write(image.bytes.data(), image.bytes.size(), &written);
    save.EndChunk();
    save.EndChunk();
  }
  save.EndChunk();
  bytes.insert(bytes.end(), save.Bytes().begin(), save.Bytes().end());
  const std::uint32_t crc = Crc32(bytes);
  host::MemorySave tail;
  tail.WriteChunk(IAM_CHUNK_CHECKSUM, crc);
  bytes.insert(bytes.end(), tail.Bytes().begin(), tail.Bytes().end());
}

// The embedded images of a file whose checksum was verified.
bool ReadImages(std::span<const std::uint8_t> bytes, std::vector<EmbeddedImage>* out, std::string* error) {
  host::MemoryLoad load(bytes.subspan(sizeof host::SCENE_FILE_SIGNATURE));
  host::IOResult r;
  while ((r = load.OpenChunk()) == host::IO_OK) {
    if (load.CurChunkID() == IAM_CHUNK_IMAGES) {
      host::IOResult ri;
      while ((ri = load.OpenChunk()) == host::IO_OK) {
        if (load.CurChunkID() == IAM_CHUNK_IMAGE) {
          if (out->size() >= kMaxImages) {
            *error = "more than " + std::to_string(kMaxImages) + " images";
            return false;
          }
          EmbeddedImage image;
          host::IOResult rc;
          while ((rc = load.OpenChunk()) == host::IO_OK) {
            if (load.CurChunkID() == IAM_CHUNK_IMAGE_NAME && load.ReadCStringChunk(&image.name) != host::IO_OK)
              break;
            if (load.CurChunkID() == IAM_CHUNK_IMAGE_BYTES) {
              image.bytes.resize(load.CurChunkRemaining());
              if (!image.bytes.empty() && load.Read(image.bytes.data(), image.bytes.size(), nullptr) != host::IO_OK)
                break;
            }
            if (load.CloseChunk() != host::IO_OK) break;
          }
          if (rc != host::IO_END || image.name.empty()) {
            *error = "an embedded image is damaged";
            return false;
          }
          out->push_back(std::move(image));
        }
        if (load.CloseChunk() != host::IO_OK) break;
      }
      if (ri != host::IO_END) {
        *error = "the embedded images are damaged";
        return false;
      }
    }
    if (load.CloseChunk() != host::IO_OK) break;
  }
  if (r != host::IO_END) {
    *error = "the file's chunks are damaged";
    return false;
  }
  return true;
}

bool IsStyleTool(const host::Class_ID& id) {
  return id == PW_SURFACE_CLASS_ID || id == PW_BRUSH_CLASS_ID || id == PW_PAINT_CLASS_ID || id == PW_STROKE_CLASS_ID;
}

std::string KindOf(const PwObject& obj) {
  const ArtMaterialClass* c = FindArtMaterialClass(obj.ClassID());
  return c ? std::string(c->display) : obj.DisplayClassName();
}

}  // namespace

int AddImageUserHooks(ImageUserHooks hooks) {
  Hooks().push_back(std::move(hooks));
  return static_cast<int>(Hooks().size()) - 1;
}

// ---- Export ------------------------------------------------------------------------------

bool ExportArtMaterialsToBytes(host::INode* root, std::vector<std::uint8_t>* out, std::string* error,
                               std::vector<std::string>* missing) {
  std::string ignored;
  if (!error) error = &ignored;
  if (!root || !GetCurrentLibrary(root)) {
    *error = "the scene has no art-material library and none can be made";
    return false;
  }
  host::INode* node = FindHolderNode(root);
  if (!node) {
    *error = "the scene's art-material library has no holder node";
    return false;
  }
  const std::string name = node->GetName();
  node->SetName(PW_IAM_NODE_NAME);
  host::SceneSaveResult saved = host::SaveSceneToBytes(node);
  node->SetName(name);
  if (!saved.ok()) {
    *error = saved.error;
    return false;
  }
  *out = std::move(saved.bytes);
  AppendImagesAndChecksum(CollectImages(node, missing), *out);
  return true;
}

bool ExportArtMaterials(host::INode* root, const std::string& path, std::string* error,
                        std::vector<std::string>* missing) {
  std::vector<std::uint8_t> bytes;
  std::string why;
  if (!ExportArtMaterialsToBytes(root, &bytes, &why, missing) || !host::WriteFileAtomically(path, bytes, &why)) {
    if (error) *error = why.rfind(path, 0) == 0 ? why : path + ": " + why;
    return false;
  }
  return true;
}

// ---- Reading -----------------------------------------------------------------------------

std::string SourceMaterial::Line() const { return "[" + kind + "] " + name; }

ArtMaterialSource::ArtMaterialSource() = default;
ArtMaterialSource::~ArtMaterialSource() = default;
ArtMaterialSource::ArtMaterialSource(ArtMaterialSource&&) noexcept = default;
ArtMaterialSource& ArtMaterialSource::operator=(ArtMaterialSource&&) noexcept = default;

bool ArtMaterialSource::Read(std::span<const std::uint8_t> bytes, const host::ClassRegistry& registry,
                             std::string* error) {
  std::string ignored;
  if (!error) error = &ignored;
  node_.reset();
  images_.clear();
  auto fail = [error](const std::string& why) {
    *error = std::string(PW_IAM_IMPORT_FAILED) + " " + why;
    return false;
  };
  if (bytes.size() < sizeof host::SCENE_FILE_SIGNATURE + kChecksumChunkSize ||
      !std::equal(std::begin(host::SCENE_FILE_SIGNATURE), std::end(host::SCENE_FILE_SIGNATURE), bytes.begin()))
    return fail("This is no art-material file, or it is cut short.");
  // The checksum chunk closes the file: anything else there means the file
  // was cut or is no art-material file.
  const std::span<const std::uint8_t> body = bytes.first(bytes.size() - kChecksumChunkSize);
  const std::span<const std::uint8_t> tail = bytes.last(kChecksumChunkSize);
  const std::uint16_t tailId = static_cast<std::uint16_t>(tail[0] | (tail[1] << 8));
  const std::uint32_t tailSize = static_cast<std::uint32_t>(tail[2] | (tail[3] << 8) | (tail[4] << 16)) |
                                 (static_cast<std::uint32_t>(tail[5]) << 24);
  const std::uint32_t crc = static_cast<std::uint32_t>(tail[6] | (tail[7] << 8) | (tail[8] << 16)) |
                            (static_cast<std::uint32_t>(tail[9]) << 24);
  if (tailId != IAM_CHUNK_CHECKSUM || tailSize != kChecksumChunkSize)
    return fail("The file is cut short or is no art-material file.");
  if (Crc32(body) != crc) return fail("The file is damaged (its checksum does not match).");

  std::vector<EmbeddedImage> images;
  std::string why;
  if (!ReadImages(bytes, &images, &why)) return fail("The file is damaged: " + why + ".");

  // Libraries made while the file is read are temporary: the scene's
  // library stays current whatever the file holds.
  const bool wasMerging = MergingLibraries();
  SetMergingLibraries(true);
  host::SceneLoadResult loaded = host::LoadSceneFromBytes(bytes, registry);
  SetMergingLibraries(wasMerging);
  if (!loaded.ok()) return fail("The file is damaged: " + loaded.error + ".");
  auto holder = std::make_unique<host::RefHolder>(loaded.root);
  auto* node = dynamic_cast<host::INode*>(loaded.root);
  // A file without the node holds nothing to import.
  if (node && node->GetName() == PW_IAM_NODE_NAME && HolderOfNode(node) && HolderOfNode(node)->GetLibrary())
    node_ = std::move(holder);
  images_ = std::move(images);
  return true;
}

bool ArtMaterialSource::ReadFile(const std::string& path, const host::ClassRegistry& registry, std::string* error) {
  std::string bytes, why;
  if (!host::ReadWholeFile(path, bytes, &why)) {
    if (error) *error = std::string(PW_IAM_IMPORT_FAILED) + " " + why;
    return false;
  }
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  if (Read(std::span<const std::uint8_t>(data, bytes.size()), registry, error)) return true;
  if (error) *error = path + ": " + *error;
  return false;
}

PwObjectLibrary* ArtMaterialSource::Library() const {
  auto* node = node_ ? dynamic_cast<host::INode*>(node_->get()) : nullptr;
  PwObjLibHolder* holder = node ? HolderOfNode(node) : nullptr;
  return holder ? holder->GetLibrary() : nullptr;
}

std::vector<SourceMaterial> ArtMaterialSource::List(const std::vector<std::string>& kinds) const {
  std::vector<SourceMaterial> out;
  const PwObjectLibrary* lib = Library();
  if (!lib) return out;
  for (int i = 0; i < lib->Capacity(); ++i) {
    const PwObject* obj = lib->Get(i);
    if (!obj || !FindArtMaterialClass(obj->ClassID())) continue;
    SourceMaterial m{i, KindOf(*obj), obj->GetName(), obj->GetOrigin()};
    if (kinds.empty() || std::find(kinds.begin(), kinds.end(), m.kind) != kinds.end()) out.push_back(std::move(m));
  }
  return out;
}

// ---- Importing -----------------------------------------------------------------------------

std::string ClashQuestion::Text() const {
  return host::FormatMessageText("A %s object with the given name already exisits.",
                                 existing ? existing->DisplayClassName().c_str() : "");
}

namespace {

class Importer {
 public:
  Importer(PwObjectLibrary& target, const ClashResolver& resolve, const std::function<void(const std::string&)>& prompt)
      : target_(target), resolve_(resolve), prompt_(prompt) {}

  ImportReport report;

  // False when the import is to end (stopped or refused).
  bool Import(PwObject* m) {
    Prompt(host::FormatMessageText("Importing art material...%s", m->GetName().c_str()));
    // A style's own clash is settled before its tools come: a style left out
    // brings none of them.
    const bool style = m->ClassID() == PW_STYLE_CLASS_ID;
    int clash = target_.Find(m->ClassID(), m->GetName());
    ClashReply reply{ClashAnswer::ReplaceExisting, ""};
    if (clash >= 0 && !replaceAll_ && !Ask(ClashQuestion{m, target_.Get(clash), false}, &reply)) return false;
    if (clash >= 0 && reply.answer == ClashAnswer::ReplaceAllExisting) replaceAll_ = true;
    if (style && (clash < 0 || (reply.answer != ClashAnswer::Skip && reply.answer != ClashAnswer::Stop))) {
      if (!ImportStyleTools(m)) return false;
      // The style's name cannot clash anew: tools are of other classes.
      clash = target_.Find(m->ClassID(), m->GetName());
    }
    if (clash < 0) {
      Add(m, "added");
      return true;
    }
    switch (reply.answer) {
      case ClashAnswer::Stop:
        report.stopped = true;
        Line(*m, "stopped here");
        return false;
      case ClashAnswer::Skip:
        ++report.skipped;
        Line(*m, "skipped");
        return true;
      case ClashAnswer::CreateCopy:
        Copy(m, reply.name);
        return true;
      case ClashAnswer::ReplaceAllExisting:
      case ClashAnswer::ReplaceExisting:
        // Only the library's slot changes: whatever else used the old
        // material keeps it.
        if (!target_.ReplaceObject(clash, m)) return Refuse("the art material cannot take the existing one's slot");
        ++report.replaced;
        Line(*m, "replaced the scene's, in slot " + std::to_string(clash));
        return true;
    }
    return true;
  }

 private:
  bool ImportStyleTools(PwObject* style) {
    std::vector<PwObject*> tools;
    for (host::ReferenceTarget* t : Reachable(style))
      if (auto* obj = dynamic_cast<PwObject*>(t); obj && obj != style && IsStyleTool(obj->ClassID()) &&
                                                  std::find(tools.begin(), tools.end(), obj) == tools.end())
        tools.push_back(obj);
    for (PwObject* c : tools) {
      if (target_.IndexOf(c) >= 0) continue;
      Prompt(host::FormatMessageText("Importing style's art material...%s", c->GetName().c_str()));
      const int clash = target_.Find(c->ClassID(), c->GetName());
      if (clash < 0) {
        Add(c, "added with style '" + style->GetName() + "'");
        continue;
      }
      PwObject* existing = target_.Get(clash);
      ClashReply reply{ClashAnswer::ReplaceExisting, ""};
      if (!replaceAll_ && !Ask(ClashQuestion{c, existing, true}, &reply)) return false;
      if (reply.answer == ClashAnswer::CreateCopy) {
        Copy(c, reply.name);
        continue;
      }
      if (reply.answer == ClashAnswer::ReplaceAllExisting) replaceAll_ = true;
      // Every user of the scene's material, styles included, moves to the
      // imported one, which takes its slot; the old one goes.
      existing->TransferReferences(c);
      ++report.replaced;
      Line(*c, "replaced the scene's everywhere (with style '" + style->GetName() + "')");
    }
    return true;
  }

  bool Ask(const ClashQuestion& q, ClashReply* reply) {
    // Without anyone to answer, nothing of the scene's is touched: a clashing
    // material is left out, a style's clashing tool comes as a copy under
    // the first free automatic name.
    *reply = resolve_ ? resolve_(q)
                      : q.forStyle ? ClashReply{ClashAnswer::CreateCopy,
                                                UniqueNameInClass(target_, q.incoming->ClassID(),
                                                                  AutoRenameName(q.incoming->GetName()))}
                                   : ClashReply{ClashAnswer::Skip, ""};
    if (q.forStyle && (reply->answer == ClashAnswer::Skip || reply->answer == ClashAnswer::Stop))
      return Refuse("'" + q.incoming->GetName() + "' is used by an imported style: it can only be copied or replace "
                    "the scene's");
    if (reply->answer == ClashAnswer::CreateCopy && (reply->name.empty() || reply->name == q.incoming->GetName()))
      return Refuse(PW_IAM_ENTER_NEW_NAME);
    return true;
  }

  bool Refuse(const std::string& why) {
    report.error = why;
    return false;
  }

  void Add(PwObject* obj, const std::string& what) {
    if (target_.Add(obj) < 0) {
      Refuse("the library has no room for '" + obj->GetName() + "'");
      return;
    }
    ++report.added;
    Line(*obj, what);
  }

  void Copy(PwObject* obj, const std::string& name) {
    const std::string was = obj->GetName();
    obj->SetName(name);
    // A copy is the user's own: a second default or preset of a number
    // would be one that can be neither found by its number nor deleted.
    obj->SetOrigin(PW_ORIGIN_USER);
    obj->SetNumber(PW_NUMBER_NONE);
    if (target_.Add(obj) < 0) {
      Refuse("the library has no room for '" + name + "'");
      return;
    }
    ++report.copied;
    Line(*obj, "copied from '" + was + "'");
  }

  void Line(const PwObject& obj, const std::string& what) {
    report.lines.push_back("[" + KindOf(obj) + "] " + obj.GetName() + ": " + what);
  }
  void Prompt(const std::string& text) {
    if (prompt_) prompt_(text);
  }

  PwObjectLibrary& target_;
  const ClashResolver& resolve_;
  const std::function<void(const std::string&)>& prompt_;
  bool replaceAll_ = false;
};

}  // namespace

ImportReport ImportArtMaterials(ArtMaterialSource& source, const std::vector<int>& slots, PwObjectLibrary& target,
                                const ClashResolver& resolve, const std::function<void(const std::string&)>& prompt) {
  Importer importer(target, resolve, prompt);
  PwObjectLibrary* lib = source.Library();
  if (!lib) return importer.report;
  if (prompt) prompt("Importing...");
  // Held while they move: a material that replaces a scene one must not go
  // when the source lets go of it.
  std::vector<PwObject*> chosen;
  for (int slot : slots)
    if (PwObject* m = lib->Get(slot)) chosen.push_back(m);
  for (PwObject* m : chosen) {
    if (!importer.Import(m)) break;
    if (!importer.report.error.empty()) break;
  }
  for (PwObject* m : chosen)
    if (target.IndexOf(m) >= 0) SupplyEmbeddedImages(m, source.Images());
  if (prompt) prompt("");
  return importer.report;
}

bool ParseClashPolicy(const std::string& word, ClashPolicy* out) {
  static const std::pair<const char*, ClashPolicy> kWords[] = {
      {"skip", ClashPolicy::Skip}, {"copy", ClashPolicy::Copy}, {"replace", ClashPolicy::Replace},
      {"replace-all", ClashPolicy::ReplaceAll}};
  for (const auto& [w, p] : kWords)
    if (word == w) {
      *out = p;
      return true;
    }
  return false;
}

ClashResolver PolicyResolver(ClashPolicy policy, const PwObjectLibrary& target, std::string copyName) {
  auto pending = std::make_shared<std::string>(std::move(copyName));
  return [policy, &target, pending](const ClashQuestion& q) -> ClashReply {
    switch (policy) {
      case ClashPolicy::Replace: return {ClashAnswer::ReplaceExisting, ""};
      case ClashPolicy::ReplaceAll: return {ClashAnswer::ReplaceAllExisting, ""};
      case ClashPolicy::Skip:
        if (!q.forStyle) return {ClashAnswer::Skip, ""};
        break;
      case ClashPolicy::Copy:
        if (!pending->empty()) return {ClashAnswer::CreateCopy, std::exchange(*pending, std::string())};
        break;
    }
    return {ClashAnswer::CreateCopy,
            UniqueNameInClass(target, q.incoming->ClassID(), AutoRenameName(q.incoming->GetName()))};
  };
}

bool SelectSourceMaterials(const ArtMaterialSource& source, const std::vector<std::string>& selection,
                           std::vector<int>* slots, std::string* error) {
  const std::vector<SourceMaterial> all = source.List();
  slots->clear();
  auto add = [slots](int slot) {
    if (std::find(slots->begin(), slots->end(), slot) == slots->end()) slots->push_back(slot);
  };
  if (selection.empty()) {
    for (const SourceMaterial& m : all)
      if (m.origin == PW_ORIGIN_USER) add(m.slot);
    return true;
  }
  for (const std::string& what : selection) {
    if (what == "all") {
      for (const SourceMaterial& m : all) add(m.slot);
      continue;
    }
    const std::size_t colon = what.find(':');
    const ArtMaterialClass* kind = colon == std::string::npos ? nullptr : FindArtMaterialClass(what.substr(0, colon));
    if (!kind) {
      if (error)
        *error = "'" + what + "' is no selection: give KIND:NAME (style, brush, paint, stroke, surface or canvas, "
                 "then the name) or all";
      return false;
    }
    const std::string name = what.substr(colon + 1);
    bool found = false;
    for (const SourceMaterial& m : all)
      if (m.kind == kind->display && m.name == name) {
        add(m.slot);
        found = true;
      }
    if (!found) {
      std::vector<std::string> names;
      for (const SourceMaterial& m : all)
        if (m.kind == kind->display) names.push_back(m.name);
      if (error)
        *error = "the file has no " + std::string(kind->word) + " named '" + name + "'; its " +
                 std::string(kind->plural) + " are " + QuotedNameList(names);
      return false;
    }
  }
  return true;
}

int SupplyEmbeddedImages(host::ReferenceMaker* root, const std::vector<EmbeddedImage>& images) {
  if (images.empty()) return 0;
  int supplied = 0;
  for (host::ReferenceTarget* obj : Reachable(root)) {
    for (const ImageUserHooks& hooks : Hooks()) {
      std::vector<std::string> names;
      if (hooks.names) hooks.names(obj, names);
      for (const std::string& name : names) {
        auto it = std::find_if(images.begin(), images.end(), [&](const EmbeddedImage& i) { return i.name == name; });
        if (it == images.end() || !hooks.supply) continue;
        std::string error;
        if (hooks.supply(obj, name, it->bytes, &error))
          ++supplied;
        else if (!error.empty())
          host::WarningText("The art-material file's copy of " + name + " cannot be used: " + error);
      }
    }
  }
  return supplied;
}

bool LoadArtMaterialFileAsScene(const std::string& path, host::Scene& scene, std::string* error) {
  ArtMaterialSource source;
  if (!source.ReadFile(path, host::ClassRegistry::Global(), error)) return false;
  host::Scene fresh;
  PwObjectLibrary* target = GetCurrentLibrary(fresh.Root());
  if (!target) {
    if (error) *error = path + ": no art-material library can be made";
    return false;
  }
  std::vector<int> slots;
  for (const SourceMaterial& m : source.List()) slots.push_back(m.slot);
  const ImportReport report = ImportArtMaterials(source, slots, *target, PolicyResolver(ClashPolicy::ReplaceAll, *target));
  if (!report.error.empty()) {
    if (error) *error = path + ": " + report.error;
    return false;
  }
  scene = std::move(fresh);
  return true;
}

}  // namespace pw
