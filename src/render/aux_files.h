// The files a render run reads besides the scene: which are missing, what
// the user is told about them, and the loading and letting go of texture
// and art-material files around the frames.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "host/core/time.h"
#include "host/shading/mtl.h"
#include "render/aux_file_stage.h"

namespace host {
class ReferenceMaker;
}

namespace pw {

class PwObject;
struct PwRenderRun;

// The files that cannot be found, of the instances' nodes, the art materials
// in use and the environment map: full paths, each once, in the order they
// are first met.
std::vector<std::string> missingAuxFiles(const std::vector<host::ReferenceMaker*>& roots);

// Tells the user about missing files. Nobody present (a batch render): one
// "<product>: Missing file "<path>"" per file, and the frame stops unless
// questions are answered yes by the command line. Someone present: the
// list and the question whether to go on without them (default: go on),
// answered by the command line's policy when it has one. True: go on.
bool confirmMissingFiles(const std::vector<std::string>& missing);

// Loads (or lets go of) the files of every art material in `materials` and
// of the materials each declares as holding files, each once however often
// it is reached. Answers how many were visited.
int loadArtMaterialFiles(const std::vector<PwObject*>& materials, host::TimeValue t);
int unloadArtMaterialFiles(const std::vector<PwObject*>& materials);

// Calls fn(material or map, sub-material number) on `root`, its maps and,
// for a material made of several, its sub-materials (with their number;
// maps take their material's), each once. The top material has number -1.
void forEachMaterialPart(host::MtlBase* root, const std::function<void(host::MtlBase&, int)>& fn);

// Every material and map of `materials` reads its map files at t, each once.
void loadMaterialMapFiles(const std::vector<host::MtlBase*>& materials, host::TimeValue t);

// The requirement bits of a material that builds maps before rendering
// (reflections, mirrors, pre-pass maps).
inline constexpr std::uint32_t kBuildsMapsRequirements =
    host::MTLREQ_AUTOREFLECT | host::MTLREQ_AUTOMIRROR | host::MTLREQ_PREPRO;

// Each instance's material parts that ask for it build their maps.
// Answers how many BuildMaps calls were made.
int buildMaterialMaps(PwRenderRun& run);

// The stage as a render run uses it.
class PwSceneAuxFiles : public PwAuxFileStage {
 public:
  bool Load(PwRenderRun& run, bool firstFrame) override;
  void BuildMaps(PwRenderRun& run) override;
  void Unload(PwRenderRun& run) override;
};

}  // namespace pw
