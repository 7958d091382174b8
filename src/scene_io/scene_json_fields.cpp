#include "scene_io/scene_json_fields.h"

#include <charconv>
#include <cmath>
#include <numbers>

#include "host/services/interface.h"

namespace host {

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

std::string Num(double v) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

bool Expect(JsonContext& ctx, const JsonValue& v, const std::string& path, JsonValue::Kind kind) {
  if (v.kind == kind) return true;
  return ctx.Fail(path, std::string("expected ") + JsonKindName(kind) + ", not " + JsonKindName(v.kind));
}

// n numbers in an array.
bool Numbers(JsonContext& ctx, const JsonValue& v, const std::string& path, std::size_t n, float* out) {
  if (!v.IsArray() || v.items.size() != n) return ctx.Fail(path, "expected " + std::to_string(n) + " numbers");
  for (std::size_t i = 0; i < n; ++i) {
    const JsonValue& item = v.items[i];
    if (!item.IsNumber()) return ctx.Fail(path, "expected " + std::to_string(n) + " numbers");
    const auto f = static_cast<float>(item.number);
    if (!std::isfinite(f)) return ctx.Fail(JsonItem(path, i), "too large");
    out[i] = f;
  }
  return true;
}

}  // namespace

// ---- Context ----------------------------------------------------------------------------

bool JsonContext::Fail(const std::string& path, const std::string& what) {
  if (error.empty()) error = Where(path) + ": " + what;
  return false;
}

void JsonContext::Warn(const std::string& path, const std::string& what) const {
  WarningText(Where(path) + ": " + what);
}

std::string JsonContext::Resolve(const std::string& name) const {
  std::filesystem::path p(name);
  return p.is_absolute() ? p.string() : (folder / p).string();
}

std::string JsonMember(const std::string& path, std::string_view key) {
  return path.empty() ? std::string(key) : path + "." + std::string(key);
}

std::string JsonItem(const std::string& path, std::size_t index) { return path + "[" + std::to_string(index) + "]"; }

// ---- Free readers ------------------------------------------------------------------------

bool JsonNumber(JsonContext& ctx, const JsonValue& v, const std::string& path, double min, double max, double* out) {
  if (!Expect(ctx, v, path, JsonValue::Kind::Number)) return false;
  if (!(v.number >= min && v.number <= max))
    return ctx.Fail(path, Num(v.number) + " is out of range (" + Num(min) + " to " + Num(max) + ")");
  *out = v.number;
  return true;
}

bool JsonFloat(JsonContext& ctx, const JsonValue& v, const std::string& path, float min, float max, float* out) {
  double d = 0.0;
  if (!JsonNumber(ctx, v, path, min, max, &d)) return false;
  *out = static_cast<float>(d);
  return true;
}

bool JsonInt(JsonContext& ctx, const JsonValue& v, const std::string& path, int min, int max, int* out) {
  double d = 0.0;
  if (!JsonNumber(ctx, v, path, min, max, &d)) return false;
  if (d != std::floor(d)) return ctx.Fail(path, "expected a whole number, not " + Num(d));
  *out = static_cast<int>(d);
  return true;
}

bool JsonBool(JsonContext& ctx, const JsonValue& v, const std::string& path, bool* out) {
  if (!Expect(ctx, v, path, JsonValue::Kind::Bool)) return false;
  *out = v.boolean;
  return true;
}

bool JsonString(JsonContext& ctx, const JsonValue& v, const std::string& path, std::string* out) {
  if (!Expect(ctx, v, path, JsonValue::Kind::String)) return false;
  *out = v.text;
  return true;
}

bool JsonPoint3(JsonContext& ctx, const JsonValue& v, const std::string& path, Point3* out) {
  float f[3];
  if (!Numbers(ctx, v, path, 3, f)) return false;
  *out = Point3(f[0], f[1], f[2]);
  return true;
}

bool JsonPoint2(JsonContext& ctx, const JsonValue& v, const std::string& path, Point2* out) {
  float f[2];
  if (!Numbers(ctx, v, path, 2, f)) return false;
  *out = Point2(f[0], f[1]);
  return true;
}

bool JsonColor(JsonContext& ctx, const JsonValue& v, const std::string& path, Color* out) {
  float f[3];
  if (!Numbers(ctx, v, path, 3, f)) return false;
  for (int i = 0; i < 3; ++i)
    if (f[i] < 0.0f || f[i] > 1.0f)
      return ctx.Fail(JsonItem(path, static_cast<std::size_t>(i)), "colour channels run from 0 to 1");
  *out = Color(f[0], f[1], f[2]);
  return true;
}

bool JsonChoice(JsonContext& ctx, const JsonValue& v, const std::string& path,
                std::initializer_list<std::string_view> words, int* out) {
  std::string list;
  int i = 0;
  for (std::string_view w : words) {
    if (v.IsString() && v.text == w) {
      *out = i;
      return true;
    }
    list += (i++ ? ", " : "") + std::string(w);
  }
  return ctx.Fail(path, "expected one of " + list);
}

bool JsonRotation(JsonContext& ctx, const JsonValue& v, const std::string& path, Quat* out) {
  JsonObject o(ctx, v, path);
  if (!o.Check({"euler", "quaternion", "axis", "angle"})) return false;
  const int forms = (o.Has("euler") ? 1 : 0) + (o.Has("quaternion") ? 1 : 0) + (o.Has("axis") ? 1 : 0);
  if (forms != 1 || (o.Has("axis") != nullptr) != (o.Has("angle") != nullptr))
    return ctx.Fail(path, "give one of: euler, quaternion, or axis with angle");
  if (const JsonValue* e = o.Has("euler")) {
    Point3 deg;
    if (!JsonPoint3(ctx, *e, o.PathOf("euler"), &deg)) return false;
    auto about = [](const Point3& axis, float d) {
      return QuatFromAxisAngle(axis, static_cast<float>(d * kRadiansPerDegree));
    };
    *out = about(Point3::XAxis(), deg.x) * about(Point3::YAxis(), deg.y) * about(Point3::ZAxis(), deg.z);
    return true;
  }
  if (const JsonValue* q = o.Has("quaternion")) {
    float f[4];
    if (!Numbers(ctx, *q, o.PathOf("quaternion"), 4, f)) return false;
    Quat r(f[0], f[1], f[2], f[3]);
    if (!(Length(r) > 0.0f)) return ctx.Fail(o.PathOf("quaternion"), "a quaternion of length 0 is no rotation");
    *out = Normalize(r);
    return true;
  }
  Point3 axis;
  float angle = 0.0f;
  if (!JsonPoint3(ctx, *o.Has("axis"), o.PathOf("axis"), &axis) || !o.Float("angle", -1e6f, 1e6f, &angle)) return false;
  if (!(axis.LengthSquared() > 0.0f)) return ctx.Fail(o.PathOf("axis"), "an axis of length 0 has no direction");
  *out = QuatFromAxisAngle(axis, static_cast<float>(angle * kRadiansPerDegree));
  return true;
}

bool JsonScale(JsonContext& ctx, const JsonValue& v, const std::string& path, Point3* out) {
  Point3 s;
  if (v.IsNumber()) {
    float f = 0.0f;
    if (!JsonFloat(ctx, v, path, -1e30f, 1e30f, &f)) return false;
    s = Point3(f, f, f);
  } else if (!v.IsArray()) {
    return ctx.Fail(path, "expected a number or 3 numbers");
  } else if (!JsonPoint3(ctx, v, path, &s)) {
    return false;
  }
  if (s.x == 0.0f || s.y == 0.0f || s.z == 0.0f) return ctx.Fail(path, "a scale of 0 flattens the object");
  *out = s;
  return true;
}

bool JsonMatrix(JsonContext& ctx, const JsonValue& v, const std::string& path, Matrix3* out) {
  if (!v.IsArray() || v.items.size() != 4) return ctx.Fail(path, "expected 4 rows of 3 numbers");
  Matrix3 m;
  for (int r = 0; r < 4; ++r) {
    Point3 row;
    if (!JsonPoint3(ctx, v.items[static_cast<std::size_t>(r)], JsonItem(path, static_cast<std::size_t>(r)), &row))
      return false;
    m.SetRow(r, row);
  }
  if (Determinant(m) == 0.0f) return ctx.Fail(path, "the matrix flattens space");
  *out = m;
  return true;
}

// ---- JsonObject ---------------------------------------------------------------------------

bool JsonObject::Check(std::initializer_list<std::string_view> allowed) {
  if (!Expect(ctx_, v_, path_, JsonValue::Kind::Object)) return false;
  for (const auto& member : v_.members) {
    bool known = false;
    for (std::string_view a : allowed) known = known || member.first == a;
    if (known) continue;
    std::string list;
    for (std::string_view a : allowed) list += (list.empty() ? "" : ", ") + std::string(a);
    return ctx_.Fail(PathOf(member.first), "unknown key (known here: " + list + ")");
  }
  return true;
}

bool JsonObject::Float(std::string_view key, float min, float max, float* out) {
  const JsonValue* v = Has(key);
  return !v || JsonFloat(ctx_, *v, PathOf(key), min, max, out);
}

bool JsonObject::Int(std::string_view key, int min, int max, int* out) {
  const JsonValue* v = Has(key);
  return !v || JsonInt(ctx_, *v, PathOf(key), min, max, out);
}

bool JsonObject::Bool(std::string_view key, bool* out) {
  const JsonValue* v = Has(key);
  return !v || JsonBool(ctx_, *v, PathOf(key), out);
}

bool JsonObject::String(std::string_view key, std::string* out) {
  const JsonValue* v = Has(key);
  return !v || JsonString(ctx_, *v, PathOf(key), out);
}

bool JsonObject::Point3(std::string_view key, host::Point3* out) {
  const JsonValue* v = Has(key);
  return !v || JsonPoint3(ctx_, *v, PathOf(key), out);
}

bool JsonObject::Color(std::string_view key, host::Color* out) {
  const JsonValue* v = Has(key);
  return !v || JsonColor(ctx_, *v, PathOf(key), out);
}

bool JsonObject::Choice(std::string_view key, std::initializer_list<std::string_view> words, int* out) {
  const JsonValue* v = Has(key);
  return !v || JsonChoice(ctx_, *v, PathOf(key), words, out);
}

}  // namespace host
