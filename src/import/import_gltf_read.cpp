// The one file that includes the glTF parser's header: turns its model into
// the plain GltfDoc, checking every index and byte range on the way.
#include <tiny_gltf.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string_view>

#include "host/io/whole_file.h"
#include "import/import_gltf_doc.h"

namespace host {

namespace {

namespace fs = std::filesystem;
using tinygltf::Model;

std::string Index(const char* array, std::size_t i) { return std::string(array) + "[" + std::to_string(i) + "]"; }

// Reads accessors into flat arrays. Every byte range is checked against its
// buffer view and buffer: the file is untrusted.
class AccessorReader {
 public:
  AccessorReader(const Model& model, const std::string& file) : m_(model), file_(file) {}

  // comps components per element, converted to float (normalized integers
  // to 0..1 or -1..1).
  bool Floats(int index, int comps, std::vector<float>& out, const std::string& place, std::string* error) {
    const tinygltf::Accessor* acc = Get(index, place, error);
    if (!acc || !CheckCount(*acc, ElementBytes(acc->componentType, comps), place, error)) return false;
    if (tinygltf::GetNumComponentsInType(static_cast<std::uint32_t>(acc->type)) != comps)
      return Fail(place, "expected " + std::to_string(comps) + " components per element", error);
    out.assign(acc->count * static_cast<std::size_t>(comps), 0.0f);
    if (acc->bufferView >= 0 && !Copy(acc->bufferView, acc->byteOffset, acc->count, comps, acc->componentType,
                                      acc->normalized, 0, out, place, error))
      return false;
    if (acc->sparse.isSparse && !Sparse(*acc, comps, out, place, error)) return false;
    for (std::size_t i = 0; i < out.size(); ++i)
      if (!std::isfinite(out[i]))
        return Fail(place, "element " + std::to_string(i / comps) + " is not a finite number", error);
    return true;
  }

  bool Indices(int index, std::vector<std::uint32_t>& out, const std::string& place, std::string* error) {
    const tinygltf::Accessor* acc = Get(index, place, error);
    if (!acc) return false;
    if (acc->type != TINYGLTF_TYPE_SCALAR) return Fail(place, "indices must be scalars", error);
    const int ct = acc->componentType;
    if (ct != TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE && ct != TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT &&
        ct != TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT)
      return Fail(place, "indices must be unsigned integers", error);
    if (!CheckCount(*acc, ElementBytes(ct, 1), place, error)) return false;
    if (acc->bufferView < 0) {
      out.assign(acc->count, 0u);
      return true;
    }
    const tinygltf::BufferView* view = nullptr;
    const unsigned char* base =
        Range(acc->bufferView, acc->byteOffset, acc->count, ElementBytes(ct, 1), &view, place, error);
    if (!base) return false;
    out.assign(acc->count, 0u);
    const std::size_t stride = view->byteStride ? view->byteStride : ElementBytes(ct, 1);
    for (std::size_t i = 0; i < acc->count; ++i) out[i] = ReadUInt(base + i * stride, ct);
    return true;
  }

 private:
  static std::size_t ElementBytes(int componentType, int comps) {
    return static_cast<std::size_t>(tinygltf::GetComponentSizeInBytes(static_cast<std::uint32_t>(componentType))) *
           static_cast<std::size_t>(comps);
  }

  static std::uint32_t ReadUInt(const unsigned char* p, int ct) {
    if (ct == TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE) return *p;
    if (ct == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT) {
      std::uint16_t v;
      std::memcpy(&v, p, 2);
      return v;
    }
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
  }

  static bool ReadFloat(const unsigned char* p, int ct, bool normalized, float* out) {
    switch (ct) {
      case TINYGLTF_COMPONENT_TYPE_FLOAT: std::memcpy(out, p, 4); return true;
      case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE: *out = normalized ? *p / 255.0f : *p; return true;
      case TINYGLTF_COMPONENT_TYPE_BYTE: {
        auto v = static_cast<float>(static_cast<std::int8_t>(*p));
        *out = normalized ? std::max(v / 127.0f, -1.0f) : v;
        return true;
      }
      case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: {
        std::uint16_t v;
        std::memcpy(&v, p, 2);
        *out = normalized ? v / 65535.0f : v;
        return true;
      }
      case TINYGLTF_COMPONENT_TYPE_SHORT: {
        std::int16_t v;
        std::memcpy(&v, p, 2);
        *out = normalized ? std::max(v / 32767.0f, -1.0f) : static_cast<float>(v);
        return true;
      }
      default: return false;
    }
  }

  // Counts are believed only as far as the bytes behind them go: an
  // accessor with a buffer view must fit in it, and one without (all zeros)
  // may not ask for more than any mesh needs.
  bool CheckCount(const tinygltf::Accessor& acc, std::size_t elementBytes, const std::string& place,
                  std::string* error) {
    constexpr std::size_t kMaxZeroElements = std::size_t{1} << 24;
    if (acc.bufferView < 0) {
      if (acc.count > kMaxZeroElements) return Fail(place, std::to_string(acc.count) + " elements without data", error);
      return true;
    }
    const tinygltf::BufferView* view = nullptr;
    return Range(acc.bufferView, acc.byteOffset, acc.count, elementBytes, &view, place, error) != nullptr;
  }

  const tinygltf::Accessor* Get(int index, const std::string& place, std::string* error) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_.accessors.size()) {
      Fail(place, "accessor " + std::to_string(index) + " does not exist", error);
      return nullptr;
    }
    return &m_.accessors[static_cast<std::size_t>(index)];
  }

  // The first byte of `count` elements of `elementBytes` in the view, or
  // null when they do not lie within the view and its buffer.
  const unsigned char* Range(int viewIndex, std::size_t offset, std::size_t count, std::size_t elementBytes,
                             const tinygltf::BufferView** viewOut, const std::string& place, std::string* error) {
    if (viewIndex < 0 || static_cast<std::size_t>(viewIndex) >= m_.bufferViews.size()) {
      Fail(place, "buffer view " + std::to_string(viewIndex) + " does not exist", error);
      return nullptr;
    }
    const tinygltf::BufferView& view = m_.bufferViews[static_cast<std::size_t>(viewIndex)];
    *viewOut = &view;
    if (view.buffer < 0 || static_cast<std::size_t>(view.buffer) >= m_.buffers.size()) {
      Fail(place, "buffer " + std::to_string(view.buffer) + " does not exist", error);
      return nullptr;
    }
    const std::vector<unsigned char>& data = m_.buffers[static_cast<std::size_t>(view.buffer)].data;
    if (elementBytes == 0) {
      Fail(place, "unknown component type", error);
      return nullptr;
    }
    const std::size_t stride = view.byteStride ? view.byteStride : elementBytes;
    const bool fits = view.byteOffset <= data.size() && view.byteLength <= data.size() - view.byteOffset &&
                      offset <= view.byteLength &&
                      (count == 0 || (stride >= elementBytes && (count - 1) <= (view.byteLength - offset) / stride &&
                                      (count - 1) * stride + elementBytes <= view.byteLength - offset));
    if (!fits) {
      Fail(place, "its " + std::to_string(count) + " elements run past the end of their buffer", error);
      return nullptr;
    }
    return data.data() + view.byteOffset + offset;
  }

  bool Copy(int viewIndex, std::size_t offset, std::size_t count, int comps, int ct, bool normalized,
            std::size_t firstOut, std::vector<float>& out, const std::string& place, std::string* error,
            const std::vector<std::uint32_t>* targets = nullptr) {
    const tinygltf::BufferView* view = nullptr;
    const std::size_t elem = ElementBytes(ct, comps);
    const unsigned char* base = Range(viewIndex, offset, count, elem, &view, place, error);
    if (!base) return false;
    const std::size_t stride = view->byteStride ? view->byteStride : elem;
    const std::size_t cs = elem / static_cast<std::size_t>(comps);
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t row = targets ? (*targets)[i] : firstOut + i;
      for (int c = 0; c < comps; ++c)
        if (!ReadFloat(base + i * stride + static_cast<std::size_t>(c) * cs, ct, normalized,
                       &out[row * static_cast<std::size_t>(comps) + static_cast<std::size_t>(c)]))
          return Fail(place, "unsupported component type " + std::to_string(ct), error);
    }
    return true;
  }

  bool Sparse(const tinygltf::Accessor& acc, int comps, std::vector<float>& out, const std::string& place,
              std::string* error) {
    const auto n = static_cast<std::size_t>(std::max(acc.sparse.count, 0));
    const int ict = acc.sparse.indices.componentType;
    const tinygltf::BufferView* view = nullptr;
    const unsigned char* base =
        Range(acc.sparse.indices.bufferView, static_cast<std::size_t>(std::max(acc.sparse.indices.byteOffset, 0)), n,
              ElementBytes(ict, 1), &view, place + ".sparse.indices", error);
    if (!base) return false;
    std::vector<std::uint32_t> targets(n);
    for (std::size_t i = 0; i < n; ++i) {
      targets[i] = ReadUInt(base + i * ElementBytes(ict, 1), ict);
      if (targets[i] >= acc.count)
        return Fail(place + ".sparse.indices", "index " + std::to_string(targets[i]) + " out of range", error);
    }
    return Copy(acc.sparse.values.bufferView, static_cast<std::size_t>(std::max(acc.sparse.values.byteOffset, 0)), n,
                comps, acc.componentType, acc.normalized, 0, out, place + ".sparse.values", error, &targets);
  }

  bool Fail(const std::string& place, const std::string& what, std::string* error) {
    *error = file_ + ": " + place + ": " + what;
    return false;
  }

  const Model& m_;
  const std::string& file_;
};

// ---- Parts of the model ------------------------------------------------------------

bool ReadPrimitive(const Model& m, AccessorReader& acc, const tinygltf::Primitive& p, const std::string& place,
                   GltfPrimitive& out, std::string* error, const std::string& file) {
  auto attr = [&](const char* name) {
    auto it = p.attributes.find(name);
    return it == p.attributes.end() ? -1 : it->second;
  };
  const int pos = attr("POSITION");
  if (pos < 0) {
    *error = file + ": " + place + ": no POSITION attribute";
    return false;
  }
  std::vector<float> f;
  if (!acc.Floats(pos, 3, f, place + ".attributes.POSITION", error)) return false;
  out.positions.resize(f.size() / 3);
  for (std::size_t i = 0; i < out.positions.size(); ++i)
    out.positions[i] = Point3(f[3 * i], f[3 * i + 1], f[3 * i + 2]);
  const std::size_t n = out.positions.size();

  if (int nrm = attr("NORMAL"); nrm >= 0) {
    if (!acc.Floats(nrm, 3, f, place + ".attributes.NORMAL", error)) return false;
    if (f.size() / 3 != n) {
      *error = file + ": " + place + ".attributes.NORMAL: " + std::to_string(f.size() / 3) + " normals for " +
               std::to_string(n) + " positions";
      return false;
    }
    out.normals.resize(n);
    for (std::size_t i = 0; i < n; ++i) out.normals[i] = Point3(f[3 * i], f[3 * i + 1], f[3 * i + 2]);
  }
  if (int uv = attr("TEXCOORD_0"); uv >= 0) {
    if (!acc.Floats(uv, 2, f, place + ".attributes.TEXCOORD_0", error)) return false;
    if (f.size() / 2 != n) {
      *error = file + ": " + place + ".attributes.TEXCOORD_0: " + std::to_string(f.size() / 2) + " coordinates for " +
               std::to_string(n) + " positions";
      return false;
    }
    out.uvs.resize(n);
    for (std::size_t i = 0; i < n; ++i) out.uvs[i] = Point2(f[2 * i], f[2 * i + 1]);
  }
  // A painted line thickness per vertex (an application attribute, so it
  // starts with an underscore).
  if (int th = attr("_THICKNESS"); th >= 0) {
    if (!acc.Floats(th, 1, f, place + ".attributes._THICKNESS", error)) return false;
    if (f.size() != n) {
      *error = file + ": " + place + ".attributes._THICKNESS: " + std::to_string(f.size()) + " values for " +
               std::to_string(n) + " positions";
      return false;
    }
    out.thickness = f;
  }

  if (p.indices >= 0) {
    if (!acc.Indices(p.indices, out.indices, place + ".indices", error)) return false;
    for (std::size_t i = 0; i < out.indices.size(); ++i)
      if (out.indices[i] >= n) {
        *error = file + ": " + place + ".indices: index " + std::to_string(out.indices[i]) + " (element " +
                 std::to_string(i) + ") is out of range (" + std::to_string(n) + " vertices)";
        return false;
      }
  } else {
    out.indices.resize(n);
    for (std::size_t i = 0; i < n; ++i) out.indices[i] = static_cast<std::uint32_t>(i);
  }
  out.indices.resize(out.indices.size() / 3 * 3);
  out.material = p.material;
  if (p.material >= static_cast<int>(m.materials.size())) {
    *error = file + ": " + place + ".material: material " + std::to_string(p.material) + " does not exist";
    return false;
  }
  return true;
}

bool ReadMeshes(const Model& m, AccessorReader& acc, GltfDoc& doc, std::string* error, const std::string& file) {
  doc.meshes.resize(m.meshes.size());
  for (std::size_t i = 0; i < m.meshes.size(); ++i) {
    const tinygltf::Mesh& src = m.meshes[i];
    GltfMesh& dst = doc.meshes[i];
    dst.name = src.name;
    for (std::size_t k = 0; k < src.primitives.size(); ++k) {
      const std::string place = Index("meshes", i) + "." + Index("primitives", k);
      const tinygltf::Primitive& p = src.primitives[k];
      if (p.mode != TINYGLTF_MODE_TRIANGLES) {
        doc.warnings.push_back(file + ": " + place + ": mode " + std::to_string(p.mode) +
                               " is not a list of triangles and was skipped");
        continue;
      }
      GltfPrimitive prim;
      if (!ReadPrimitive(m, acc, p, place, prim, error, file)) return false;
      dst.primitives.push_back(std::move(prim));
    }
  }
  return true;
}

// %XX escapes of a relative URI, as a path.
std::string DecodeUri(const std::string& uri) {
  std::string out;
  for (std::size_t i = 0; i < uri.size(); ++i) {
    int v = 0;
    if (uri[i] == '%' && i + 2 < uri.size() &&
        std::from_chars(uri.data() + i + 1, uri.data() + i + 3, v, 16).ptr == uri.data() + i + 3) {
      out.push_back(static_cast<char>(v));
      i += 2;
    } else {
      out.push_back(uri[i]);
    }
  }
  return out;
}

void DecodedImage(const tinygltf::Image& img, Bitmap& bm) {
  const int comps = img.component, bytes = img.bits == 16 ? 2 : 1;
  if (comps < 1 || comps > 4 || (img.bits != 8 && img.bits != 16) ||
      img.image.size() < static_cast<std::size_t>(img.width) * img.height * comps * bytes ||
      !bm.Create(img.width, img.height))
    return;
  auto sample = [&](std::size_t at) -> std::uint16_t {
    if (bytes == 1) return static_cast<std::uint16_t>(img.image[at] * 257);
    std::uint16_t v;
    std::memcpy(&v, &img.image[at], 2);
    return v;
  };
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x) {
      const std::size_t at = (static_cast<std::size_t>(y) * img.width + x) * comps * bytes;
      BMM_Color_64 c;
      c.r = sample(at);
      c.g = comps >= 3 ? sample(at + bytes) : c.r;
      c.b = comps >= 3 ? sample(at + 2 * bytes) : c.r;
      c.a = comps == 2 ? sample(at + bytes) : comps == 4 ? sample(at + 3 * bytes) : 65535;
      bm.SetPixel(x, y, c);
    }
}

void ReadTextures(const Model& m, const fs::path& folder, GltfDoc& doc, const std::string& file) {
  doc.textures.resize(m.textures.size());
  for (std::size_t i = 0; i < m.textures.size(); ++i) {
    const tinygltf::Texture& t = m.textures[i];
    GltfTexture& out = doc.textures[i];
    if (t.sampler >= 0 && static_cast<std::size_t>(t.sampler) < m.samplers.size()) {
      out.repeatU = m.samplers[static_cast<std::size_t>(t.sampler)].wrapS != TINYGLTF_TEXTURE_WRAP_CLAMP_TO_EDGE;
      out.repeatV = m.samplers[static_cast<std::size_t>(t.sampler)].wrapT != TINYGLTF_TEXTURE_WRAP_CLAMP_TO_EDGE;
    }
    if (t.source < 0 || static_cast<std::size_t>(t.source) >= m.images.size()) continue;
    const tinygltf::Image& img = m.images[static_cast<std::size_t>(t.source)];
    const bool external = !img.uri.empty() && img.uri.rfind("data:", 0) != 0;
    if (external) {
      out.file = (folder / DecodeUri(img.uri)).string();
      out.hasImage = img.width > 0;
      if (!out.hasImage)
        doc.warnings.push_back(file + ": " + Index("images", static_cast<std::size_t>(t.source)) + ": image '" +
                               img.uri + "' could not be read");
    } else {
      DecodedImage(img, out.embedded);
      out.hasImage = out.embedded.Width() > 0;
      if (!out.hasImage)
        doc.warnings.push_back(file + ": " + Index("images", static_cast<std::size_t>(t.source)) +
                               ": the embedded image could not be decoded");
    }
  }
}

void ReadMaterials(const Model& m, GltfDoc& doc, const std::string& file) {
  for (std::size_t i = 0; i < m.materials.size(); ++i) {
    const tinygltf::Material& src = m.materials[i];
    const auto& pbr = src.pbrMetallicRoughness;
    GltfMaterial out;
    out.name = src.name.empty() ? "Material " + std::to_string(i) : src.name;
    auto factor = [](double v, float fallback) { return std::isfinite(v) ? static_cast<float>(v) : fallback; };
    if (pbr.baseColorFactor.size() == 4) {
      out.baseColor = Color(factor(pbr.baseColorFactor[0], 1.0f), factor(pbr.baseColorFactor[1], 1.0f),
                            factor(pbr.baseColorFactor[2], 1.0f));
      out.alpha = factor(pbr.baseColorFactor[3], 1.0f);
    }
    out.metallic = factor(pbr.metallicFactor, 1.0f);
    out.roughness = factor(pbr.roughnessFactor, 1.0f);
    out.doubleSided = src.doubleSided;
    const int tex = pbr.baseColorTexture.index;
    if (tex >= 0 && static_cast<std::size_t>(tex) < doc.textures.size()) {
      out.texture = tex;
      if (pbr.baseColorTexture.texCoord != 0)
        doc.warnings.push_back(file + ": " + Index("materials", i) + ": the base colour texture uses TEXCOORD_" +
                               std::to_string(pbr.baseColorTexture.texCoord) + "; TEXCOORD_0 is used instead");
    }
    doc.materials.push_back(out);
  }
}

void ReadCameras(const Model& m, GltfDoc& doc) {
  for (const tinygltf::Camera& c : m.cameras) {
    GltfCamera out;
    out.name = c.name;
    out.orthographic = c.type == "orthographic";
    auto pos = [](double v, float fallback) { return std::isfinite(v) && v > 0.0 ? static_cast<float>(v) : fallback; };
    if (out.orthographic) {
      out.xmag = pos(std::fabs(c.orthographic.xmag), 1.0f);
      out.ymag = pos(std::fabs(c.orthographic.ymag), 1.0f);
      out.znear = std::isfinite(c.orthographic.znear) ? std::max(0.0f, static_cast<float>(c.orthographic.znear)) : 0.0f;
      out.zfar = pos(c.orthographic.zfar, 0.0f);
      out.aspect = out.xmag / out.ymag;
    } else {
      out.yfov = pos(c.perspective.yfov, 0.8f);
      out.aspect = pos(c.perspective.aspectRatio, 0.0f);
      out.znear = pos(c.perspective.znear, 0.1f);
      out.zfar = pos(c.perspective.zfar, 0.0f);
    }
    doc.cameras.push_back(out);
  }
}

void ReadLights(const Model& m, GltfDoc& doc, const std::string& file) {
  for (std::size_t i = 0; i < m.lights.size(); ++i) {
    const tinygltf::Light& l = m.lights[i];
    GltfLight out;
    out.name = l.name;
    if (l.type == "spot") {
      out.type = GltfLightType::Spot;
    } else if (l.type == "directional") {
      out.type = GltfLightType::Directional;
    } else if (l.type != "point") {
      doc.warnings.push_back(file + ": " + Index("KHR_lights_punctual.lights", i) + ": unknown type '" + l.type +
                             "', taken as a point light");
    }
    if (l.color.size() == 3 && std::isfinite(l.color[0]) && std::isfinite(l.color[1]) && std::isfinite(l.color[2]))
      out.color = Color(static_cast<float>(l.color[0]), static_cast<float>(l.color[1]), static_cast<float>(l.color[2]));
    out.intensity = std::isfinite(l.intensity) ? static_cast<float>(l.intensity) : 1.0f;
    if (std::isfinite(l.spot.innerConeAngle)) out.innerCone = static_cast<float>(l.spot.innerConeAngle);
    if (std::isfinite(l.spot.outerConeAngle)) out.outerCone = static_cast<float>(l.spot.outerConeAngle);
    doc.lights.push_back(out);
  }
}

std::string NumberText(double v) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

void ReadExtras(const tinygltf::Value& extras, GltfNode& out) {
  if (!extras.IsObject()) return;
  for (const std::string& key : extras.Keys()) {
    const tinygltf::Value& v = extras.Get(key);
    if (v.IsString())
      out.extras.push_back({key, v.Get<std::string>()});
    else if (v.IsBool())
      out.extras.push_back({key, v.Get<bool>() ? "true" : "false"});
    else if (v.IsInt())
      out.extras.push_back({key, std::to_string(v.Get<int>())});
    else if (v.IsNumber())
      out.extras.push_back({key, NumberText(v.GetNumberAsDouble())});
    else
      out.skippedExtras.push_back(key);
  }
}

bool ReadNodes(const Model& m, GltfDoc& doc, std::string* error, const std::string& file) {
  const auto count = static_cast<int>(m.nodes.size());
  doc.nodes.resize(m.nodes.size());
  for (std::size_t i = 0; i < m.nodes.size(); ++i) {
    const tinygltf::Node& src = m.nodes[i];
    GltfNode& out = doc.nodes[i];
    const std::string place = file + ": " + Index("nodes", i);
    out.name = src.name;
    // -1 is the parser's "none" for a mesh or camera; a light named at all
    // must exist.
    auto check = [&](int v, std::size_t size, const char* what, int lowest = -1) {
      if (v < lowest || v >= static_cast<int>(size)) {
        *error = place + "." + what + ": " + std::to_string(v) + " does not exist" +
                 (size == 0 ? std::string(" (the file has none)")
                            : " (the file has 0 to " + std::to_string(size - 1) + ")");
        return false;
      }
      return true;
    };
    if (!check(src.mesh, m.meshes.size(), "mesh") || !check(src.camera, m.cameras.size(), "camera")) return false;
    out.mesh = src.mesh;
    out.camera = src.camera;
    if (auto it = src.extensions.find("KHR_lights_punctual"); it != src.extensions.end() && it->second.Has("light")) {
      out.light = it->second.Get("light").GetNumberAsInt();
      if (!check(out.light, m.lights.size(), "extensions.KHR_lights_punctual.light", 0)) return false;
    }
    for (int c : src.children) {
      if (c < 0 || c >= count) {
        *error = place + ".children: node " + std::to_string(c) + " does not exist";
        return false;
      }
      out.children.push_back(c);
    }
    std::vector<double> all = src.matrix;
    all.insert(all.end(), src.translation.begin(), src.translation.end());
    all.insert(all.end(), src.rotation.begin(), src.rotation.end());
    all.insert(all.end(), src.scale.begin(), src.scale.end());
    for (double v : all)
      if (!std::isfinite(v)) {
        *error = place + ": its transform holds a number that is not finite";
        return false;
      }
    if (src.matrix.size() == 16) {
      // Column-major, for column vectors: its columns are our rows.
      auto column = [&](int c) {
        const double* a = &src.matrix[static_cast<std::size_t>(4 * c)];
        return Point3(static_cast<float>(a[0]), static_cast<float>(a[1]), static_cast<float>(a[2]));
      };
      const Matrix3 tm(column(0), column(1), column(2), column(3));
      out.shearDropped = !DecomposeMatrix(tm, &out.local);
    } else {
      if (src.translation.size() == 3)
        out.local.position = Point3(float(src.translation[0]), float(src.translation[1]), float(src.translation[2]));
      if (src.rotation.size() == 4)
        out.local.rotation = Normalize(
            Quat(float(src.rotation[0]), float(src.rotation[1]), float(src.rotation[2]), float(src.rotation[3])));
      if (src.scale.size() == 3)
        out.local.scale = Point3(float(src.scale[0]), float(src.scale[1]), float(src.scale[2]));
    }
    ReadExtras(src.extras, out);
  }
  // The scene shown: the default one, else the first, else every node
  // nobody has as a child.
  const int scene = m.defaultScene >= 0 ? m.defaultScene : (m.scenes.empty() ? -1 : 0);
  if (scene >= static_cast<int>(m.scenes.size())) {
    *error = file + ": scene " + std::to_string(scene) + " does not exist";
    return false;
  }
  if (scene >= 0) {
    for (int n : m.scenes[static_cast<std::size_t>(scene)].nodes) {
      if (n < 0 || n >= count) {
        *error = file + ": " + Index("scenes", static_cast<std::size_t>(scene)) + ".nodes: node " + std::to_string(n) +
                 " does not exist";
        return false;
      }
      doc.roots.push_back(n);
    }
  } else {
    std::vector<bool> child(m.nodes.size(), false);
    for (const GltfNode& n : doc.nodes)
      for (int c : n.children) child[static_cast<std::size_t>(c)] = true;
    for (int i = 0; i < count; ++i)
      if (!child[static_cast<std::size_t>(i)]) doc.roots.push_back(i);
  }
  return true;
}

bool ReadAnimations(const Model& m, AccessorReader& acc, GltfDoc& doc, std::string* error, const std::string& file) {
  for (std::size_t a = 0; a < m.animations.size(); ++a) {
    const tinygltf::Animation& anim = m.animations[a];
    for (std::size_t c = 0; c < anim.channels.size(); ++c) {
      const tinygltf::AnimationChannel& ch = anim.channels[c];
      const std::string place = Index("animations", a) + "." + Index("channels", c);
      GltfChannel out;
      out.animation = anim.name.empty() ? Index("animations", a) : "'" + anim.name + "'";
      if (ch.target_path == "translation") {
        out.path = GltfPath::Translation;
      } else if (ch.target_path == "rotation") {
        out.path = GltfPath::Rotation;
      } else if (ch.target_path == "scale") {
        out.path = GltfPath::Scale;
      } else {
        doc.warnings.push_back(file + ": " + place + ": '" + ch.target_path + "' animation is not supported; skipped");
        continue;
      }
      if (ch.target_node < 0 || static_cast<std::size_t>(ch.target_node) >= m.nodes.size()) {
        *error = file + ": " + place + ".target.node: node " + std::to_string(ch.target_node) + " does not exist";
        return false;
      }
      if (ch.sampler < 0 || static_cast<std::size_t>(ch.sampler) >= anim.samplers.size()) {
        *error = file + ": " + place + ".sampler: sampler " + std::to_string(ch.sampler) + " does not exist";
        return false;
      }
      const tinygltf::AnimationSampler& s = anim.samplers[static_cast<std::size_t>(ch.sampler)];
      out.node = ch.target_node;
      out.wasCubic = s.interpolation == "CUBICSPLINE";
      out.interpolation = s.interpolation == "STEP" ? Interpolation::Constant : Interpolation::Linear;
      const std::string sp = Index("animations", a) + "." + Index("samplers", static_cast<std::size_t>(ch.sampler));
      if (!acc.Floats(s.input, 1, out.times, sp + ".input", error)) return false;
      for (std::size_t k = 1; k < out.times.size(); ++k)
        if (out.times[k] < out.times[k - 1]) {
          *error = file + ": " + sp + ".input: key times go backwards at key " + std::to_string(k);
          return false;
        }
      const int comps = out.path == GltfPath::Rotation ? 4 : 3;
      std::vector<float> v;
      if (!acc.Floats(s.output, comps, v, sp + ".output", error)) return false;
      const std::size_t perKey = out.wasCubic ? 3 : 1;  // in-tangent, value, out-tangent
      if (v.size() != out.times.size() * perKey * static_cast<std::size_t>(comps)) {
        *error = file + ": " + sp + ".output: " + std::to_string(v.size() / comps) + " values for " +
                 std::to_string(out.times.size()) + " key times";
        return false;
      }
      for (std::size_t k = 0; k < out.times.size(); ++k) {
        const float* e = &v[(k * perKey + (perKey == 3 ? 1 : 0)) * static_cast<std::size_t>(comps)];
        if (comps == 4)
          out.rotations.push_back(Normalize(Quat(e[0], e[1], e[2], e[3])));
        else
          out.vectors.emplace_back(e[0], e[1], e[2]);
      }
      doc.channels.push_back(std::move(out));
    }
  }
  return true;
}

// The parser's file access, ours: the files a model names (buffers,
// images) are as untrusted as the model, so a folder, a pipe or a device is
// refused before the parser sizes a buffer after it, and paths are taken as
// written (no expansion of '~' or variables).
bool ModelFileExists(const std::string& path, void*) {
  std::error_code ec;
  return fs::exists(path, ec);
}

std::string ModelFilePath(const std::string& path, void*) { return path; }

bool ReadModelFile(std::vector<unsigned char>* out, std::string* err, const std::string& path, void*) {
  std::uint64_t size = 0;
  if (std::string why = InputFileProblem(path, kMaxInputFileBytes, &size); !why.empty()) {
    if (err) *err = why;
    return false;
  }
  std::string bytes;
  std::string why;
  if (!ReadWholeFile(path, bytes, &why)) {
    if (err) *err = why;
    return false;
  }
  out->assign(bytes.begin(), bytes.end());
  return true;
}

bool RefuseWrite(std::string* err, const std::string&, const std::vector<unsigned char>&, void*) {
  if (err) *err = "the reader writes no files";
  return false;
}

}  // namespace

bool ReadGltf(const std::string& path, GltfDoc& doc, std::string* error) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes, error)) return false;
  if (bytes.size() > std::numeric_limits<unsigned>::max()) {
    *error = path + ": larger than 4 GB, which glTF files cannot be";
    return false;
  }
  tinygltf::TinyGLTF loader;
  loader.SetFsCallbacks({&ModelFileExists, &ModelFilePath, &ReadModelFile, &RefuseWrite, nullptr});
  Model model;
  std::string err, warn;
  const std::string folder = fs::path(path).parent_path().string();
  const bool binary = bytes.size() >= 4 && bytes.compare(0, 4, "glTF") == 0;
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  bool ok = false;
  try {
    ok = binary ? loader.LoadBinaryFromMemory(&model, &err, &warn, data, static_cast<unsigned>(bytes.size()), folder)
                : loader.LoadASCIIFromString(&model, &err, &warn, bytes.data(), static_cast<unsigned>(bytes.size()),
                                             folder);
  } catch (const std::exception& e) {
    // The parser reports through err; this is for what slips past it.
    err = e.what();
    ok = false;
  }
  if (!ok) {
    std::string first = err.substr(0, err.find('\n'));
    // The parser's "File read error : PATH : WHY" in our words.
    constexpr std::string_view kReadError = "File read error : ";
    if (first.rfind(kReadError, 0) == 0)
      if (const std::size_t sep = first.find(" : ", kReadError.size()); sep != std::string::npos)
        first = "a file it names cannot be read: '" + first.substr(kReadError.size(), sep - kReadError.size()) +
                "': " + first.substr(sep + 3);
    *error = path + ": " + (first.empty() ? std::string("not a readable glTF file") : first);
    return false;
  }
  AccessorReader acc(model, path);
  if (!ReadMeshes(model, acc, doc, error, path)) return false;
  ReadTextures(model, fs::path(folder), doc, path);
  ReadMaterials(model, doc, path);
  ReadCameras(model, doc);
  ReadLights(model, doc, path);
  if (!ReadNodes(model, doc, error, path)) return false;
  return ReadAnimations(model, acc, doc, error, path);
}

}  // namespace host
