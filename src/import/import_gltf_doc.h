// A glTF 2.0 file as plain data: what the importer takes from it, read and
// checked, with every accessor expanded into arrays. The reader
// (import_gltf_read.cpp) is the only code that sees the parser's types.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/imaging/bitmap.h"
#include "host/core/color.h"
#include "host/anim/controller.h"
#include "host/core/matrix3.h"
#include "host/scene/node.h"
#include "host/core/point.h"

namespace host {

struct GltfPrimitive {
  std::vector<Point3> positions;
  std::vector<Point3> normals;         // empty, or one per position
  std::vector<Point2> uvs;             // TEXCOORD_0: empty, or one per position
  std::vector<float> thickness;        // _THICKNESS: empty, or one per position
  std::vector<std::uint32_t> indices;  // 3 per triangle, each < positions.size()
  int material = -1;
};

struct GltfMesh {
  std::string name;
  std::vector<GltfPrimitive> primitives;
};

struct GltfTexture {
  std::string file;  // absolute path of an image file; empty for an embedded image
  Bitmap embedded;   // the decoded image of an embedded one
  bool hasImage = false;
  bool repeatU = true;
  bool repeatV = true;
};

struct GltfMaterial {
  std::string name;
  Color baseColor{1.0f, 1.0f, 1.0f};
  float alpha = 1.0f;
  float metallic = 1.0f;
  float roughness = 1.0f;
  bool doubleSided = false;
  int texture = -1;  // the base colour texture
};

struct GltfCamera {
  std::string name;
  bool orthographic = false;
  float yfov = 0.8f;    // radians, perspective
  float aspect = 0.0f;  // width / height; 0 when the file leaves it open
  float znear = 0.1f;
  float zfar = 0.0f;  // 0: infinite
  float xmag = 1.0f;  // orthographic half-width and half-height
  float ymag = 1.0f;
};

enum class GltfLightType { Point, Spot, Directional };

struct GltfLight {
  std::string name;
  GltfLightType type = GltfLightType::Point;
  Color color{1.0f, 1.0f, 1.0f};
  float intensity = 1.0f;
  float innerCone = 0.0f;  // radians, from the axis
  float outerCone = 0.785398f;
};

struct GltfNode {
  std::string name;
  int mesh = -1;
  int camera = -1;
  int light = -1;
  std::vector<int> children;
  TransformParts local;  // the node's own transform
  bool shearDropped = false;
  std::vector<UserProp> extras;
  std::vector<std::string> skippedExtras;  // keys whose values cannot be user properties
};

enum class GltfPath { Translation, Rotation, Scale };

// One animated property of one node, keyed in seconds.
struct GltfChannel {
  int node = -1;
  GltfPath path = GltfPath::Translation;
  Interpolation interpolation = Interpolation::Linear;
  bool wasCubic = false;  // cubic splines are imported through their key values, linearly
  std::vector<float> times;
  std::vector<Point3> vectors;  // translation or scale keys
  std::vector<Quat> rotations;
  std::string animation;  // the animation's name, for messages
};

struct GltfDoc {
  std::vector<GltfMesh> meshes;
  std::vector<GltfMaterial> materials;
  std::vector<GltfTexture> textures;
  std::vector<GltfCamera> cameras;
  std::vector<GltfLight> lights;
  std::vector<GltfNode> nodes;
  std::vector<int> roots;  // top-level nodes of the scene shown
  std::vector<GltfChannel> channels;
  // What the reader left out or changed, each a finished message.
  std::vector<std::string> warnings;
};

// Reads .gltf (with its buffer and image files) or .glb. Errors name the
// file and the glTF path ("model.glb: meshes[2].primitives[0].indices: index
// 812 out of range"). A texture whose image is missing is only warned about.
bool ReadGltf(const std::string& path, GltfDoc& doc, std::string* error);

}  // namespace host
