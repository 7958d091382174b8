// Art-material files (.iam): how libraries of styles, brushes, paints,
// strokes, surfaces and canvases move between scenes.
//
// An art-material file is a scene file whose root is one node, named
// PW_IAM_NODE_NAME, showing the library holder with its whole library and
// every material that library refers to. After the scene graph it carries
// one more top-level chunk with the image files the materials read (a
// canvas's paper, a Toon map), byte for byte, so the file still draws the
// same on a machine without those files. Readers of plain scene files skip
// the chunk.
//
// Export saves the scene's holder node under the file's node name and gives
// it its own name back. Import reads the file with the library merging
// switch on (its library is temporary and never becomes current), lets the
// caller choose materials, and copies them into the scene's library; a
// clash of names is decided by a ClashResolver, standing in for the
// "Duplicate Name" dialog.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "host/refs/class_desc.h"
#include "host/refs/reference.h"
#include "host/scene/node.h"
#include "host/scene/scene_model.h"
#include "library/object_library.h"

namespace pw {

inline constexpr const char* PW_IAM_NODE_NAME = "Penwright! Temporary 243512";
inline constexpr const char* PW_IAM_EXTENSION = ".iam";
inline constexpr const char* PW_IAM_IMPORT_FAILED = "Unable to import art materials.";
inline constexpr const char* PW_IAM_ENTER_NEW_NAME = "Enter a new name for the art material";

// The top-level chunk of embedded images, after the scene graph: one
// container per image holding its name as the materials store it and the
// file's bytes.
inline constexpr std::uint16_t IAM_CHUNK_IMAGES = 0x0100;
inline constexpr std::uint16_t IAM_CHUNK_IMAGE = 0x0101;
inline constexpr std::uint16_t IAM_CHUNK_IMAGE_NAME = 0x0102;
inline constexpr std::uint16_t IAM_CHUNK_IMAGE_BYTES = 0x0103;

struct EmbeddedImage {
  std::string name;  // as the material names it
  std::vector<std::uint8_t> bytes;
};

// How objects that read image files take part. Bitmap textures are known
// here; the classes above this layer (the canvas) add theirs.
struct ImageUserHooks {
  // The image names `obj` reads (appended), or nothing.
  std::function<void(host::ReferenceTarget* obj, std::vector<std::string>& names)> names;
  // The file a name refers to on this machine, "" when none.
  std::function<std::string(host::ReferenceTarget* obj, const std::string& name)> resolve;
  // Gives obj the image for `name` from the file's copy; false when the
  // bytes are no image it can read (*error says why).
  std::function<bool(host::ReferenceTarget* obj, const std::string& name, std::span<const std::uint8_t> bytes,
                     std::string* error)>
      supply;
};
// Adds a kind of image user; returns its index.
int AddImageUserHooks(ImageUserHooks hooks);

// ---- Export ----------------------------------------------------------------------------

// The bytes of the art-material file of the scene under `root` (its holder
// node, made on demand with a fresh library). The holder node keeps its
// name. Images a material names but that cannot be found are left out, each
// named in *missing when given.
bool ExportArtMaterialsToBytes(host::INode* root, std::vector<std::uint8_t>* out, std::string* error,
                               std::vector<std::string>* missing = nullptr);
// The same into a file, never leaving a half-written one behind.
bool ExportArtMaterials(host::INode* root, const std::string& path, std::string* error,
                        std::vector<std::string>* missing = nullptr);

// ---- Import ------------------------------------------------------------------------------

// One material of a file's library as the selection list shows it.
struct SourceMaterial {
  int slot = -1;
  std::string kind;  // "Style", "Brush", "Paint", "Stroke", "Surface", "Canvas"
  std::string name;
  int origin = PW_ORIGIN_USER;
  std::string Line() const;  // "[Kind] Name"
};

// An art-material file read into memory: the merged node and its library,
// kept until the source goes away (which deletes whatever was not
// imported).
class ArtMaterialSource {
 public:
  ArtMaterialSource();
  ~ArtMaterialSource();
  ArtMaterialSource(ArtMaterialSource&&) noexcept;
  ArtMaterialSource& operator=(ArtMaterialSource&&) noexcept;

  // Reads the file. On failure *error holds PW_IAM_IMPORT_FAILED followed by
  // the reason, nothing was read into any scene, and the source is empty.
  bool Read(std::span<const std::uint8_t> bytes, const host::ClassRegistry& registry, std::string* error);
  bool ReadFile(const std::string& path, const host::ClassRegistry& registry, std::string* error);

  // Null for a file without the node (nothing to import).
  PwObjectLibrary* Library() const;
  // Materials of the kinds in `kinds` (display names; empty: all), slot order.
  std::vector<SourceMaterial> List(const std::vector<std::string>& kinds = {}) const;
  const std::vector<EmbeddedImage>& Images() const { return images_; }

 private:
  std::unique_ptr<host::RefHolder> node_;
  std::vector<EmbeddedImage> images_;
};

// The buttons of the "Duplicate Name" dialog, by their results.
enum class ClashAnswer { Stop = 0, Skip = 1, CreateCopy = 2, ReplaceExisting = 3, ReplaceAllExisting = 4 };

// The pointers hold for the call only: an answer may delete the existing one.
struct ClashQuestion {
  PwObject* incoming = nullptr;  // the material being imported
  PwObject* existing = nullptr;  // the scene's material of that class and name
  bool forStyle = false;         // a material a style refers to: Skip and Stop are not offered
  // "A <class> object with the given name already exisits."
  std::string Text() const;
};
struct ClashReply {
  ClashAnswer answer = ClashAnswer::Skip;
  std::string name;  // for CreateCopy: the name entered
};
using ClashResolver = std::function<ClashReply(const ClashQuestion&)>;

struct ImportReport {
  int added = 0;     // materials added under their own name
  int copied = 0;    // added under a new name
  int replaced = 0;  // took an existing material's place
  int skipped = 0;
  bool stopped = false;
  std::string error;               // set when an answer was refused: the import ended there
  std::vector<std::string> lines;  // what happened, one line per material
};

// Imports the source materials in `slots` (in that order) into `target`,
// with the style's surface, brush, paint and stroke objects first for a
// style. Images the file carries are given to the imported objects that name
// them. Without a resolver a clashing material is skipped and a style's
// clashing tool is added as a copy under the first free automatic name
// ("Fat" -> "Fat01"), so nothing the scene has changes. `prompt` (may be null) hears "Importing...", "Importing art
// material...<name>", "Importing style's art material...<name>" and finally
// "" (the prompt cleared).
ImportReport ImportArtMaterials(ArtMaterialSource& source, const std::vector<int>& slots, PwObjectLibrary& target,
                                const ClashResolver& resolve,
                                const std::function<void(const std::string&)>& prompt = {});

// Answers fixed in advance, for runs where nobody is asked: a command line's
// --on-clash, a scene description's import.
enum class ClashPolicy { Skip, Copy, Replace, ReplaceAll };
// "skip", "copy", "replace", "replace-all"; false for anything else.
bool ParseClashPolicy(const std::string& word, ClashPolicy* out);
// A resolver answering every question by the policy. A copy is named
// `copyName` the first time (when given), else by the automatic numbering
// ("Fat" -> "Fat01", further while the scene has the name). A style's
// tool cannot be skipped: under Skip it comes as such a copy.
ClashResolver PolicyResolver(ClashPolicy policy, const PwObjectLibrary& target, std::string copyName = "");

// The slots of `source` a selection names: "all" (every material),
// "KIND:NAME" (kind as in ArtMaterialClasses, any letter case: "brush:Fat").
// Without any selection, the user materials (defaults and presets are in
// every library anyway). False with *error naming the first selection that
// matches nothing, and listing what the file holds.
bool SelectSourceMaterials(const ArtMaterialSource& source, const std::vector<std::string>& selection,
                           std::vector<int>* slots, std::string* error);

// The scene an art-material file stands for where a scene is asked for
// (listing, showing, exporting it again): a fresh scene whose library holds
// every material of the file, the file's images given to them, the file's
// materials replacing the fresh library's defaults of the same names. False
// with *error as ArtMaterialSource::ReadFile gives it.
bool LoadArtMaterialFileAsScene(const std::string& path, host::Scene& scene, std::string* error);

// Gives the objects reachable from `root` that name an image of `images`
// that image. Answers how many took one; failures are warnings.
int SupplyEmbeddedImages(host::ReferenceMaker* root, const std::vector<EmbeddedImage>& images);

}  // namespace pw
