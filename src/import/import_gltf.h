// glTF 2.0 files (.gltf with its buffers and images, or .glb).
//
// - The nodes of the file's scene become nodes with their transforms
//   (translation, rotation, scale, or a matrix, whose shear is dropped with a
//   warning). The top-level nodes are turned from Y-up to Z-up (see
//   import_axes.h). Node extras whose values are strings, numbers or
//   booleans become user properties.
// - Each mesh becomes one triangle mesh shared by the nodes that show it:
//   its triangle primitives together (other modes are skipped with a
//   warning), vertices welded by position so the primitives join up.
//   Smoothing groups come from the normals (see import_smoothing.h); a
//   primitive without normals is flat shaded. Edges between faces that lie
//   in one plane and are smoothed together are hidden (see import_edges.h);
//   all others are visible. TEXCOORD_0 goes to map channel 1 (v turned so
//   that 0 is the bottom of the image).
// - Materials: as for OBJ files, one multi/sub-object material shared by all
//   meshes, a Standard material per glTF material with its name as the slot
//   name (a grey "Default" slot for primitives without one). Base colour:
//   diffuse and ambient; its alpha: opacity; glossiness 1 - roughness;
//   specular level 0.5, white (the base colour for metals); double-sided:
//   two-sided; the base colour texture: a bitmap in the diffuse slot
//   (clamping samplers turn tiling off).
// - Cameras: perspective (the vertical field of view becomes the horizontal
//   one through the camera's aspect ratio, 4:3 when it has none) or
//   orthographic (the view's width is 2 x xmag); znear and zfar become
//   manual clipping.
// - KHR_lights_punctual: point lights become omni lights, spot lights spots
//   (cone angles doubled into full hotspot and falloff angles), directional
//   lights directional. Their intensities are physical units for lights that
//   fade with distance, which ours do not: an imported light gets multiplier
//   1 and its colour, and keeps the file's intensity in the user property
//   "gltf_intensity".
// - Animation: translation, rotation and scale channels become keyed
//   transform tracks (linear or step; cubic splines through their key
//   values, linearly, with a warning). Channels of all the file's animations
//   play together; a second channel for the same property is skipped.
#pragma once

#include <string>

#include "import/import_summary.h"
#include "host/scene/node.h"
#include "host/scene/scene_model.h"

namespace host {

// Adds the file's nodes under parent (the scene root when null). On
// failure the scene is left unchanged and *error says why.
bool ImportGltf(const std::string& path, Scene& scene, INode* parent, std::string* error,
                ImportSummary* summary = nullptr);

}  // namespace host
