// Reading typed values out of a scene description, each with its JSON path,
// so that every message names the file and the place:
//   scene.json: nodes[3].material.diffuse: expected 3 numbers
#pragma once

#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>

#include "host/core/color.h"
#include "host/core/matrix3.h"
#include "host/core/point.h"
#include "host/core/quat.h"
#include "scene_io/scene_json_value.h"

namespace host {

struct JsonContext {
  std::string file;              // the description, as named in messages
  std::filesystem::path folder;  // files it names are relative to this
  std::string error;             // the first error
  int ticksPerFrame = 160;

  // Records "file: path: what" (the first error wins) and answers false.
  bool Fail(const std::string& path, const std::string& what);
  // Sends "file: path: what" to the warning reporter.
  void Warn(const std::string& path, const std::string& what) const;
  std::string Where(const std::string& path) const { return path.empty() ? file : file + ": " + path; }
  // A file named in the description: absolute, or relative to its folder.
  std::string Resolve(const std::string& name) const;
};

std::string JsonMember(const std::string& path, std::string_view key);
std::string JsonItem(const std::string& path, std::size_t index);

// Free readers: the value at `path` must have the type asked for.
bool JsonNumber(JsonContext& ctx, const JsonValue& v, const std::string& path, double min, double max, double* out);
bool JsonFloat(JsonContext& ctx, const JsonValue& v, const std::string& path, float min, float max, float* out);
bool JsonInt(JsonContext& ctx, const JsonValue& v, const std::string& path, int min, int max, int* out);
bool JsonBool(JsonContext& ctx, const JsonValue& v, const std::string& path, bool* out);
bool JsonString(JsonContext& ctx, const JsonValue& v, const std::string& path, std::string* out);
bool JsonPoint3(JsonContext& ctx, const JsonValue& v, const std::string& path, Point3* out);
bool JsonPoint2(JsonContext& ctx, const JsonValue& v, const std::string& path, Point2* out);
// Three numbers from 0 to 1.
bool JsonColor(JsonContext& ctx, const JsonValue& v, const std::string& path, Color* out);
// One of the words (matched exactly); *out is its position in the list.
bool JsonChoice(JsonContext& ctx, const JsonValue& v, const std::string& path,
                std::initializer_list<std::string_view> words, int* out);
// {"euler": [x, y, z]} in degrees, turning about x, then y, then z (fixed
// axes); {"quaternion": [x, y, z, w]}; or {"axis": [x, y, z], "angle": a}.
bool JsonRotation(JsonContext& ctx, const JsonValue& v, const std::string& path, Quat* out);
// A number (the same on every axis) or three numbers; none may be 0.
bool JsonScale(JsonContext& ctx, const JsonValue& v, const std::string& path, Point3* out);
// Four rows of three numbers: the x, y and z axes, then the translation.
bool JsonMatrix(JsonContext& ctx, const JsonValue& v, const std::string& path, Matrix3* out);

// An object whose keys must all be known. The getters leave *out alone
// when the key is absent and fail on a value of the wrong kind.
class JsonObject {
 public:
  JsonObject(JsonContext& ctx, const JsonValue& v, std::string path) : ctx_(ctx), v_(v), path_(std::move(path)) {}

  // Fails unless the value is an object with no key outside `allowed`.
  bool Check(std::initializer_list<std::string_view> allowed);

  const JsonValue* Has(std::string_view key) const { return v_.Find(key); }
  std::string PathOf(std::string_view key) const { return JsonMember(path_, key); }
  const std::string& Path() const { return path_; }
  JsonContext& Ctx() const { return ctx_; }

  bool Float(std::string_view key, float min, float max, float* out);
  bool Int(std::string_view key, int min, int max, int* out);
  bool Bool(std::string_view key, bool* out);
  bool String(std::string_view key, std::string* out);
  bool Point3(std::string_view key, host::Point3* out);
  bool Color(std::string_view key, host::Color* out);
  bool Choice(std::string_view key, std::initializer_list<std::string_view> words, int* out);

 private:
  JsonContext& ctx_;
  const JsonValue& v_;
  std::string path_;
};

}  // namespace host
