// The parts of reading the art materials of a scene description, sharing
// the library being filled and the first error.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "scene_io/scene_json_fields.h"
#include "library/object_library.h"

namespace pw {

struct ArtJsonBuild {
  host::JsonContext ctx;
  PwObjectLibrary& library;
};

// "'a', 'b' or 'c'".
std::string WordList(const std::vector<std::string_view>& words);

// One of `words` (exact match); *out is its position. The message lists them.
bool JsonWord(host::JsonContext& ctx, const host::JsonValue& v, const std::string& path,
              const std::vector<std::string_view>& words, int* out);

// An angle in degrees from 0 to 180, as radians.
bool JsonDegrees(host::JsonContext& ctx, const host::JsonValue& v, const std::string& path, float* radians);

// The library's material of this class with the name `v` holds (the first
// of that name); on failure the message lists the names there are.
PwObject* JsonMaterialByName(ArtJsonBuild& b, const host::JsonValue& v, const std::string& path,
                             host::Class_ID classId);

// The material a definition makes, already in the library: a copy of the
// one named by "from" (of the same class), else a new one of the class;
// named by "name", which must be new among materials of the class.
PwObject* JsonNewMaterial(ArtJsonBuild& b, host::JsonObject& o, host::Class_ID classId);

// "styles[i]": one style definition.
bool ReadJsonStyle(ArtJsonBuild& b, const host::JsonValue& v, const std::string& path);

// "canvas": the settings of the scene's canvas (the library's default one).
bool ReadJsonCanvas(ArtJsonBuild& b, const host::JsonValue& v, const std::string& path);

}  // namespace pw
