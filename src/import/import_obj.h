// Wavefront OBJ files with their MTL material libraries.
//
// - Each object or group ('o', 'g') with faces becomes a node with a
//   triangle mesh, named after it (the file's name for faces before any).
//   The nodes are turned from the file's Y-up to the scene's Z-up (see
//   import_axes.h); the mesh keeps the file's coordinates.
// - Polygons are cut into triangles by ear clipping; their inner diagonals
//   are invisible edges, their outline edges visible.
// - Smoothing groups: 's N' puts the following faces into group N, which
//   becomes smoothing bit N-1 (1 -> bit 0, 32 -> bit 31); numbers above 32
//   wrap round (33 -> bit 0 again). 's off' and 's 0' mean no group.
// - Texture coordinates ('vt') go to map channel 1; normals ('vn') are not
//   used: smoothing groups say how the surface is shaded.
// - Materials: when the faces use materials ('usemtl'), every material of
//   the file's libraries becomes a Standard material, in library order, and
//   one multi/sub-object material holds them with their names as slot
//   names; a face's material id is its material's slot. Faces without a
//   known material use an extra grey slot "Default". The multi/sub-object
//   material is shared by all the file's nodes. MTL values: Kd diffuse,
//   Ka ambient, Ks specular (its largest channel is the specular level, the
//   colour is scaled to a maximum of 1), Ns glossiness = sqrt(Ns / 1000)
//   (writers commonly store Ns = 1000 x glossiness squared), d opacity
//   (Tr = 1 - d), map_Kd a bitmap in the diffuse slot (path relative to the
//   MTL file; -s sets tiling, -o offset, -clamp on stops repeating).
//
// Errors (the file cannot be read, a malformed line, an index out of
// range, a coordinate that is not a finite number) fail the import with
// "file:line: what"; problems the import survives (a missing MTL file or
// texture, an unknown material, faces naming a vertex twice, faces with
// fewer than 3 corners) are warned about with their file and line.
#pragma once

#include <string>

#include "import/import_summary.h"
#include "host/scene/node.h"
#include "host/scene/scene_model.h"

namespace host {

struct ObjImportOptions {
  // Vertex colours ('v x y z r g b') carry painted line thickness in their
  // red channel, as painting tools without a thickness attribute store it;
  // vertices without a colour keep full thickness.
  bool thicknessFromColours = false;
};

// Adds the file's nodes under parent (the scene root when null). On
// failure the scene is left unchanged and *error says why. summary, when
// given, receives the nodes added.
bool ImportObj(const std::string& path, Scene& scene, INode* parent, std::string* error,
               ImportSummary* summary = nullptr, const ObjImportOptions& options = {});

}  // namespace host
