#include "render/renderer_settings.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace pw {

namespace {

// The renderer's chunks, in the order Save writes them.
enum SettingsChunk : std::uint16_t {
  kChunkVersion = 100,
  kChunkRenderMode = 101,
  kChunkHiddenLinesWithinItself = 102,
  kChunkHiddenLinesWithOthers = 103,
  kChunkIntersectionsWithinItself = 104,
  kChunkIntersectionsWithOthers = 105,
  kChunkSurfacesOn = 106,
  kChunkLinesOn = 107,
  kChunkMapsOn = 108,
  kChunkFilterMaps = 109,
  kChunkRenderAsBoundingBoxes = 110,
  kChunkSaveVectorFile = 111,
  kChunkVectorFormatIndex = 112,
  kChunkVectorFileName = 113,
  kChunkVectorFormatOptions = 114,
  kChunkZDepthPosition = 115,
  kChunkAlternateRendererClass = 116,
  kChunkSphericalLens = 117,
  kChunkCustomFovOn = 118,
  kChunkCustomFovDegrees = 119,
};

// Every saved value but the version, the name, the options and the class is
// four bytes; switches are 0 or 1.
struct Writer {
  host::ISave* isave;
  bool ok = true;

  void Int(std::uint16_t id, std::int32_t v) { ok = ok && isave->WriteChunk(id, v) == host::IO_OK; }
  void Switch(std::uint16_t id, bool v) { Int(id, v ? 1 : 0); }
};

}  // namespace

void PwRendererSettings::ResetOwn() {
  params.ResetSwitches();
  vector = PwVectorOutputSettings();
}

void ResetParams(PwRendererSettings& settings, host::IParamBlock2* block) {
  settings.ResetOwn();
  if (block) block->ResetAll();
}

host::IOResult PwRendererSettings::Save(host::ISave* isave) const {
  const PwRenderSwitches& s = params.Switches();
  Writer w{isave};
  w.ok = isave->WriteChunk<std::uint16_t>(kChunkVersion, kRendererSettingsVersion) == host::IO_OK;
  w.Int(kChunkRenderMode, s.renderMode);
  w.Switch(kChunkHiddenLinesWithinItself, s.hiddenLinesWithinItself);
  w.Switch(kChunkHiddenLinesWithOthers, s.hiddenLinesWithOthers);
  w.Switch(kChunkIntersectionsWithinItself, s.intersectionsWithinItself);
  w.Switch(kChunkIntersectionsWithOthers, s.intersectionsWithOthers);
  w.Switch(kChunkSurfacesOn, s.surfacesOn);
  w.Switch(kChunkLinesOn, s.linesOn);
  w.Switch(kChunkMapsOn, s.mapsOn);
  w.Switch(kChunkFilterMaps, s.filterMaps);
  w.Switch(kChunkRenderAsBoundingBoxes, s.renderAsBoundingBoxes);
  w.Switch(kChunkSaveVectorFile, vector.saveVectorFile);
  w.Int(kChunkVectorFormatIndex, vector.vectorFormatIndex);
  w.ok = w.ok && isave->WriteStringChunk(kChunkVectorFileName, vector.vectorFileName) == host::IO_OK;
  isave->BeginChunk(kChunkVectorFormatOptions);
  if (vector.vectorFormatOptions) w.ok = w.ok && vector.vectorFormatOptions->Save(isave) == host::IO_OK;
  isave->EndChunk();
  w.Int(kChunkZDepthPosition, vector.zDepthPosition);
  const std::uint32_t alternate[2] = {s.alternateRendererClass.PartA(), s.alternateRendererClass.PartB()};
  isave->BeginChunk(kChunkAlternateRendererClass);
  std::size_t written = 0;
  w.ok = w.ok && isave->Write(alternate, sizeof alternate, &written) == host::IO_OK && written == sizeof alternate;
  isave->EndChunk();
  w.Switch(kChunkSphericalLens, s.sphericalLens);
  w.Switch(kChunkCustomFovOn, s.customFovOn);
  w.ok = w.ok && isave->WriteChunk(kChunkCustomFovDegrees, s.customFovDegrees) == host::IO_OK;
  return w.ok ? host::IO_OK : host::IO_ERROR;
}

namespace {

// Reads the open chunk's value; a chunk too short for it is an error with a
// message naming the chunk (whatever the stream itself reported).
template <class T>
bool ReadChunkValue(host::ILoad* iload, T* v) {
  if (!iload->CurChunkIsContainer() && iload->ReadValue(v) == host::IO_OK) return true;
  iload->SetError("render settings chunk " + std::to_string(iload->CurChunkID()) + " does not hold a " +
                  std::to_string(sizeof(T)) + "-byte value");
  return false;
}

bool ReadSwitch(host::ILoad* iload, bool* v) {
  std::int32_t raw = 0;
  if (!ReadChunkValue(iload, &raw)) return false;
  *v = raw != 0;
  return true;
}

bool ReadChoice(host::ILoad* iload, int* v, int count, const char* what) {
  std::int32_t raw = 0;
  if (!ReadChunkValue(iload, &raw)) return false;
  if (raw < 0 || raw >= count) {
    iload->SetError(std::string("render settings: ") + what + " " + std::to_string(raw) + " is not one of 0 to " +
                    std::to_string(count - 1));
    return false;
  }
  *v = raw;
  return true;
}

// One chunk into `into`. False on a read error or a value out of range.
bool LoadChunk(host::ILoad* iload, PwRendererSettings& into) {
  PwRenderSwitches& s = into.params.Switches();
  PwVectorOutputSettings& v = into.vector;
  switch (iload->CurChunkID()) {
    case kChunkRenderMode: return ReadChoice(iload, &s.renderMode, 2, "render mode");
    case kChunkHiddenLinesWithinItself: return ReadSwitch(iload, &s.hiddenLinesWithinItself);
    case kChunkHiddenLinesWithOthers: return ReadSwitch(iload, &s.hiddenLinesWithOthers);
    case kChunkIntersectionsWithinItself: return ReadSwitch(iload, &s.intersectionsWithinItself);
    case kChunkIntersectionsWithOthers: return ReadSwitch(iload, &s.intersectionsWithOthers);
    case kChunkSurfacesOn: return ReadSwitch(iload, &s.surfacesOn);
    case kChunkLinesOn: return ReadSwitch(iload, &s.linesOn);
    case kChunkMapsOn: return ReadSwitch(iload, &s.mapsOn);
    case kChunkFilterMaps: return ReadSwitch(iload, &s.filterMaps);
    case kChunkRenderAsBoundingBoxes: return ReadSwitch(iload, &s.renderAsBoundingBoxes);
    case kChunkSaveVectorFile: return ReadSwitch(iload, &v.saveVectorFile);
    case kChunkVectorFormatIndex: {
      int index = 0;
      if (!ReadChoice(iload, &index, kVectorFormatCount, "vector format")) return false;
      // The options follow the format once the whole stream is read.
      v.vectorFormatIndex = index;
      return true;
    }
    case kChunkVectorFileName:
      if (iload->ReadCStringChunk(&v.vectorFileName) == host::IO_OK) return true;
      iload->SetError("render settings: the vector file name is not a terminated string");
      return false;
    case kChunkVectorFormatOptions: {
      std::unique_ptr<PwVectorFormatParams> options = CreateVectorFormatParams(v.vectorFormatIndex);
      if (!options || options->Load(iload) != host::IO_OK) {
        iload->SetError("render settings: the vector format options cannot be read");
        return false;
      }
      v.vectorFormatOptions = std::move(options);
      return true;
    }
    case kChunkZDepthPosition: return ReadChoice(iload, &v.zDepthPosition, 3, "z depth position");
    case kChunkAlternateRendererClass: {
      std::uint32_t ids[2] = {0, 0};
      if (!ReadChunkValue(iload, &ids)) return false;
      s.alternateRendererClass = host::Class_ID(ids[0], ids[1]);
      return true;
    }
    case kChunkSphericalLens: return ReadSwitch(iload, &s.sphericalLens);
    case kChunkCustomFovOn: return ReadSwitch(iload, &s.customFovOn);
    case kChunkCustomFovDegrees: {
      float degrees = 0.0f;
      if (!ReadChunkValue(iload, &degrees)) return false;
      if (!std::isfinite(degrees)) {
        iload->SetError("render settings: the custom field of view is not a number");
        return false;
      }
      // Held to the range the settings accept everywhere else (the editor's
      // spinner, --set, scene files): a saved value outside it cannot have
      // been made there, and a re-save would pass it on.
      s.customFovDegrees =
          std::clamp(degrees, PwRenderSwitches::kMinCustomFovDegrees, PwRenderSwitches::kMaxCustomFovDegrees);
      return true;
    }
    default:  // the version, and chunks of later versions
      return true;
  }
}

}  // namespace

host::IOResult PwRendererSettings::Load(host::ILoad* iload) {
  PwRendererSettings loaded;
  loaded.params.HostPart() = params.HostPart();
  for (;;) {
    const host::IOResult open = iload->OpenChunk();
    if (open == host::IO_END) break;
    if (open != host::IO_OK) return host::IO_ERROR;
    if (!LoadChunk(iload, loaded)) return host::IO_ERROR;
    if (iload->CloseChunk() != host::IO_OK) return host::IO_ERROR;
  }
  // Options read before their format's index (a stream in another order)
  // belong to another format; the chosen format starts at its defaults.
  PwVectorOutputSettings& v = loaded.vector;
  if (!v.vectorFormatOptions || v.vectorFormatOptions->Format() != static_cast<PwVectorFormatId>(v.vectorFormatIndex))
    v.vectorFormatOptions = CreateVectorFormatParams(v.vectorFormatIndex);
  *this = std::move(loaded);
  return host::IO_OK;
}

}  // namespace pw
