// Node transforms of a scene description: static position, rotation and
// scale (or a matrix), and keys by frame.
#include <cmath>

#include "scene_io/scene_json_build.h"

namespace host {

namespace {

constexpr double kMaxFrame = 1.0e6;

struct JsonKey {
  TimeValue time = 0;
  const JsonValue* position = nullptr;
  const JsonValue* rotation = nullptr;
  const JsonValue* scale = nullptr;
  std::string path;
};

bool ReadKeys(JsonSceneBuild& b, const JsonValue& v, const std::string& path, std::vector<JsonKey>& keys) {
  JsonContext& ctx = b.ctx;
  if (!v.IsArray() || v.items.empty()) return ctx.Fail(path, "expected an array of keys");
  for (std::size_t i = 0; i < v.items.size(); ++i) {
    JsonKey key;
    key.path = JsonItem(path, i);
    JsonObject o(ctx, v.items[i], key.path);
    if (!o.Check({"frame", "position", "rotation", "scale"})) return false;
    const JsonValue* frame = o.Has("frame");
    if (!frame) return ctx.Fail(key.path, "a key needs its frame");
    double f = 0.0;
    if (!JsonNumber(ctx, *frame, o.PathOf("frame"), -kMaxFrame, kMaxFrame, &f)) return false;
    key.time = static_cast<TimeValue>(std::lround(f * ctx.ticksPerFrame));
    if (!keys.empty() && key.time <= keys.back().time)
      return ctx.Fail(o.PathOf("frame"), "frames must increase from key to key");
    key.position = o.Has("position");
    key.rotation = o.Has("rotation");
    key.scale = o.Has("scale");
    if (!key.position && !key.rotation && !key.scale)
      return ctx.Fail(key.path, "a key sets position, rotation or scale");
    keys.push_back(key);
  }
  return true;
}

// A static value and keys for the same property would leave one unused.
bool NoStaticAndKeys(JsonContext& ctx, const JsonObject& o, const std::vector<JsonKey>& keys) {
  for (const JsonKey& k : keys) {
    const std::pair<const char*, const JsonValue*> parts[] = {
        {"position", k.position}, {"rotation", k.rotation}, {"scale", k.scale}};
    for (const auto& [name, value] : parts)
      if (value && o.Has(name))
        return ctx.Fail(o.PathOf(name), std::string("the keys set the ") + name + "; give it in the keys only");
  }
  return true;
}

bool ApplyKeys(JsonContext& ctx, const std::vector<JsonKey>& keys, TransformTrack& tm) {
  for (const JsonKey& k : keys) {
    Point3 p, s;
    Quat q;
    if (k.position) {
      if (!JsonPoint3(ctx, *k.position, JsonMember(k.path, "position"), &p)) return false;
      tm.Position().SetKey(k.time, p);
    }
    if (k.rotation) {
      if (!JsonRotation(ctx, *k.rotation, JsonMember(k.path, "rotation"), &q)) return false;
      tm.Rotation().SetKey(k.time, q);
    }
    if (k.scale) {
      if (!JsonScale(ctx, *k.scale, JsonMember(k.path, "scale"), &s)) return false;
      tm.Scale().SetKey(k.time, s);
    }
  }
  return true;
}

}  // namespace

bool JsonTransform(JsonSceneBuild& b, JsonObject& o, INode* node) {
  JsonContext& ctx = b.ctx;
  TransformTrack& tm = node->TMController();
  if (const JsonValue* mv = o.Has("matrix")) {
    for (std::string_view k : {"position", "rotation", "scale", "keys", "lookAt"})
      if (o.Has(k)) return ctx.Fail(o.PathOf(k), "give either a matrix or " + std::string(k) + ", not both");
    Matrix3 m;
    if (!JsonMatrix(ctx, *mv, o.PathOf("matrix"), &m)) return false;
    if (!tm.SetValue(m)) ctx.Warn(o.PathOf("matrix"), "the matrix has shear, which was dropped");
    return true;
  }

  TransformParts parts;
  if (const JsonValue* v = o.Has("position"); v && !JsonPoint3(ctx, *v, o.PathOf("position"), &parts.position))
    return false;
  if (const JsonValue* v = o.Has("rotation"); v && !JsonRotation(ctx, *v, o.PathOf("rotation"), &parts.rotation))
    return false;
  if (const JsonValue* v = o.Has("scale"); v && !JsonScale(ctx, *v, o.PathOf("scale"), &parts.scale)) return false;
  tm.Position().SetConstant(parts.position);
  tm.Rotation().SetConstant(parts.rotation);
  tm.Scale().SetConstant(parts.scale);

  int interp = 0;
  if (!o.Choice("interpolation", {"linear", "step"}, &interp)) return false;
  const JsonValue* keysValue = o.Has("keys");
  if (!keysValue) {
    if (o.Has("interpolation")) ctx.Warn(o.PathOf("interpolation"), "the node has no keys to interpolate");
    return true;
  }
  std::vector<JsonKey> keys;
  if (!ReadKeys(b, *keysValue, o.PathOf("keys"), keys) || !NoStaticAndKeys(ctx, o, keys)) return false;
  if (o.Has("lookAt"))
    for (const JsonKey& k : keys)
      if (k.rotation) return ctx.Fail(o.PathOf("lookAt"), "the keys turn the node; lookAt cannot turn it too");
  if (!ApplyKeys(ctx, keys, tm)) return false;
  const Interpolation mode = interp == 1 ? Interpolation::Constant : Interpolation::Linear;
  tm.Position().SetInterpolation(mode);
  tm.Rotation().SetInterpolation(mode);
  tm.Scale().SetInterpolation(mode);
  return true;
}

}  // namespace host
