// Scene files: a graph of reference targets saved once each, with their
// references stored as indices, so shared targets load back shared.
//
// Layout (all chunks as in chunk_io.h, little-endian):
//   8 bytes   signature "PWSCENE" and a zero byte
//   chunk 0x0001 header: u32 format version, u32 object count, i32 root index
//   chunk 0x0010 object (container), one per object in index order:
//     chunk 0x0011 class: u32 super class id, u32 class id a, u32 class id b
//     chunk 0x0012 references: u32 count, then count i32 object indices (-1 = none)
//     chunk 0x0013 data (container): whatever the object's Save wrote
// Chunks with other ids at the top level or inside an object are skipped, so
// later versions can add to the format without breaking older readers.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "host/refs/class_desc.h"
#include "host/refs/reference.h"

namespace host {

inline constexpr char SCENE_FILE_SIGNATURE[8] = {'P', 'W', 'S', 'C', 'E', 'N', 'E', '\0'};
inline constexpr std::uint32_t SCENE_FILE_VERSION = 1;

enum SceneFileChunk : std::uint16_t {
  SCENE_CHUNK_HEADER = 0x0001,
  SCENE_CHUNK_OBJECT = 0x0010,
  SCENE_CHUNK_CLASS = 0x0011,
  SCENE_CHUNK_REFS = 0x0012,
  SCENE_CHUNK_DATA = 0x0013,
};

struct SceneSaveResult {
  std::vector<std::uint8_t> bytes;
  std::string error;  // empty on success
  bool ok() const { return error.empty(); }
};

struct SceneLoadResult {
  // The loaded root, with no dependents yet: hold it (a RefHolder) or DeleteThis it.
  ReferenceTarget* root = nullptr;
  std::string error;  // empty on success
  // Damage the load mended (a reference closing a cycle, dropped); the
  // loaders also give each one to the warning reporter.
  std::vector<std::string> warnings;
  bool ok() const { return error.empty(); }
};

// Serialises everything reachable from `root`.
SceneSaveResult SaveSceneToBytes(ReferenceTarget* root);
// Rebuilds the graph, creating objects through `registry`; after every object
// has loaded and every reference is restored, post-load callbacks run.
SceneLoadResult LoadSceneFromBytes(std::span<const std::uint8_t> bytes, const ClassRegistry& registry);

// File forms. Saving never leaves a half-written file in place of a good one;
// errors name the file.
std::string SaveSceneFile(const std::string& path, ReferenceTarget* root);  // "" on success
SceneLoadResult LoadSceneFile(const std::string& path, const ClassRegistry& registry);

}  // namespace host
