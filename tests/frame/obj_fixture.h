// Reads the vertices and triangles of an OBJ test mesh into a host mesh.
// Just enough for the shared test data (triangulated, "f a/b/c" corners);
// answers false when the file is missing or malformed.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/scene/mesh.h"

namespace pwtest {

inline bool readObjTriangles(const std::string& path, host::Mesh& mesh) {
  std::ifstream in(path);
  if (!in) return false;
  std::vector<host::Point3> verts;
  std::vector<host::Face> faces;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream ls(line);
    std::string kind;
    ls >> kind;
    if (kind == "v") {
      host::Point3 p;
      if (!(ls >> p.x >> p.y >> p.z)) return false;
      verts.push_back(p);
    } else if (kind == "f") {
      host::Face f;
      for (int k = 0; k < 3; ++k) {
        std::string corner;
        if (!(ls >> corner)) return false;
        long index = std::stol(corner.substr(0, corner.find('/')));
        if (index < 1) return false;
        f.v[k] = static_cast<std::uint32_t>(index - 1);
      }
      f.flags = host::EDGE_ALL;
      faces.push_back(f);
    }
  }
  if (!mesh.setNumVerts(static_cast<int>(verts.size())) || !mesh.setNumFaces(static_cast<int>(faces.size())))
    return false;
  for (std::size_t i = 0; i < verts.size(); ++i) mesh.setVert(static_cast<int>(i), verts[i]);
  for (std::size_t i = 0; i < faces.size(); ++i) {
    if (faces[i].v[0] >= verts.size() || faces[i].v[1] >= verts.size() || faces[i].v[2] >= verts.size()) return false;
    mesh.faces()[i] = faces[i];
  }
  return true;
}

inline std::string testDataPath(const std::string& name) { return std::string(PW_TESTDATA_DIR) + "/" + name; }

}  // namespace pwtest
