#include "render/aux_files.h"

#include <filesystem>
#include <unordered_set>

#include "host/services/interface.h"
#include "host/shading/scene_aux_files.h"
#include "library/aux_file_holder.h"
#include "library/pw_object.h"
#include "plugin/names.h"
#include "render/render_maps_context.h"
#include "render/render_run.h"

namespace pw {

namespace {

constexpr const char* kMissingHeading = "The following files are missing:";
// Warnings and questions hold at most this many characters.
constexpr std::size_t kMessageRoom = host::MESSAGE_BUFFER_SIZE - 1;

std::string FullPath(const std::string& name) {
  std::error_code ec;
  const std::filesystem::path full = std::filesystem::absolute(name, ec);
  return ec ? name : full.lexically_normal().string();
}

// The list as messages that each fit the reporter's buffer, a path never
// split between two.
std::vector<std::string> PackLines(const std::string& first, const std::vector<std::string>& lines) {
  std::vector<std::string> messages{first};
  for (const std::string& line : lines) {
    const std::string item = "  " + line;
    if (messages.back().size() + 1 + item.size() > kMessageRoom) {
      messages.push_back(item);
    } else {
      messages.back() += "\n" + item;
    }
  }
  return messages;
}

void VisitHolder(host::ReferenceTarget* target, std::unordered_set<const void*>& visited,
                 const std::function<void(PwAuxFileHolder&)>& fn) {
  auto* holder = dynamic_cast<PwAuxFileHolder*>(target);
  if (!holder || !visited.insert(holder).second) return;
  fn(*holder);
  for (int i = 0; i < holder->NumAuxFileRefs(); ++i) VisitHolder(holder->GetAuxFileRef(i), visited, fn);
}

int VisitHolders(const std::vector<PwObject*>& materials, const std::function<void(PwAuxFileHolder&)>& fn) {
  std::unordered_set<const void*> visited;
  for (PwObject* m : materials) VisitHolder(m, visited, fn);
  return static_cast<int>(visited.size());
}

void WalkParts(host::MtlBase* part, int subMtl, std::unordered_set<const host::MtlBase*>& visited,
               const std::function<void(host::MtlBase&, int)>& fn) {
  if (!part || !visited.insert(part).second) return;
  fn(*part, subMtl);
  for (int i = 0; i < part->NumSubTexmaps(); ++i) WalkParts(part->GetSubTexmap(i), subMtl, visited, fn);
  if (auto* mtl = dynamic_cast<host::Mtl*>(part))
    for (int i = 0; i < mtl->NumSubMtls(); ++i) WalkParts(mtl->GetSubMtl(i), i, visited, fn);
}

std::vector<host::ReferenceMaker*> AuxFileRoots(const PwRenderRun& run) {
  std::vector<host::ReferenceMaker*> roots;
  for (const auto& inst : run.instances)
    if (inst->node) roots.push_back(inst->node);
  roots.insert(roots.end(), run.materialsInUse.begin(), run.materialsInUse.end());
  if (run.environmentMap) roots.push_back(run.environmentMap);
  return roots;
}

}  // namespace

std::vector<std::string> missingAuxFiles(const std::vector<host::ReferenceMaker*>& roots) {
  std::vector<std::string> missing;
  std::unordered_set<std::string> seen;
  for (host::ReferenceMaker* root : roots)
    for (const std::string& file : host::CollectAuxFiles(root, true)) {
      std::string full = FullPath(file);
      if (seen.insert(full).second) missing.push_back(std::move(full));
    }
  return missing;
}

bool confirmMissingFiles(const std::vector<std::string>& missing) {
  if (missing.empty()) return true;
  if (host::IsNetworkRender()) {
    for (const std::string& path : missing) host::WarningMessage("%s: Missing file \"%s\"", ProductName(), path.c_str());
    // Nobody can be asked; only a command line that answers yes to
    // everything has said to go on.
    return host::TheInterfaceState().policy == host::QuestionPolicy::AlwaysYes;
  }
  const std::string title = host::FormatMessageText("%s Missing Files", ProductName());
  for (const std::string& message : PackLines(title + "\n" + kMissingHeading, missing)) host::WarningText(message);
  const host::Answer answer = host::YesNoQuestion(
      host::Answer::Yes, "%s: continue rendering without %s? (no: stop)", title.c_str(),
      missing.size() == 1 ? "the missing file" : "the missing files");
  return answer == host::Answer::Yes;
}

int loadArtMaterialFiles(const std::vector<PwObject*>& materials, host::TimeValue t) {
  return VisitHolders(materials, [t](PwAuxFileHolder& h) { h.LoadAuxFiles(t); });
}

int unloadArtMaterialFiles(const std::vector<PwObject*>& materials) {
  return VisitHolders(materials, [](PwAuxFileHolder& h) { h.UnloadAuxFiles(); });
}

void forEachMaterialPart(host::MtlBase* root, const std::function<void(host::MtlBase&, int)>& fn) {
  std::unordered_set<const host::MtlBase*> visited;
  WalkParts(root, -1, visited, fn);
}

void loadMaterialMapFiles(const std::vector<host::MtlBase*>& materials, host::TimeValue t) {
  // One visit mark across the list: a map two materials share reads once.
  std::unordered_set<const host::MtlBase*> visited;
  for (host::MtlBase* m : materials) WalkParts(m, -1, visited, [t](host::MtlBase& part, int) { part.LoadMapFiles(t); });
}

int buildMaterialMaps(PwRenderRun& run) {
  PwRenderMapsContext context(run);
  int built = 0;
  for (const auto& inst : run.instances) {
    host::Mtl* mtl = inst->material();
    if (!mtl) continue;
    context.SetInstance(inst.get());
    // Per instance: a mirror's plane is the instance's own.
    forEachMaterialPart(mtl, [&](host::MtlBase& part, int subMtl) {
      if ((part.Requirements(subMtl) & kBuildsMapsRequirements) == 0) return;
      context.SetSubMtlIndex(subMtl);
      part.BuildMaps(run.time, context);
      ++built;
    });
  }
  return built;
}

bool PwSceneAuxFiles::Load(PwRenderRun& run, bool firstFrame) {
  // Later frames do not ask again: what was missing stays missing, and the
  // user has answered for the whole run.
  if (firstFrame && !confirmMissingFiles(missingAuxFiles(AuxFileRoots(run)))) return false;
  loadArtMaterialFiles(run.materialsInUse, run.time);
  loadMaterialMapFiles(run.textureMaps, run.time);
  return true;
}

void PwSceneAuxFiles::BuildMaps(PwRenderRun& run) { buildMaterialMaps(run); }

void PwSceneAuxFiles::Unload(PwRenderRun& run) { unloadArtMaterialFiles(run.materialsInUse); }

}  // namespace pw
