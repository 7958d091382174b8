#include "host/scene/mesh.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace host {

namespace {

// A copy of `old` resized to n, keeping the first elements when asked; the
// rest (or everything) takes `fill`. Built aside so a failed allocation
// leaves the mesh as it was.
template <class T>
std::vector<T> Resized(const std::vector<T>& old, std::size_t n, bool keep, const T& fill) {
  std::vector<T> out(n, fill);
  if (keep) std::copy_n(old.begin(), std::min(n, old.size()), out.begin());
  return out;
}

BitArray ResizedBits(const BitArray& old, int n, bool keep) {
  BitArray out = old;
  out.SetSize(n, keep);
  return out;
}

}  // namespace

// ---- Sizes --------------------------------------------------------------------

bool Mesh::setNumVerts(int n, bool keep) {
  if (n < 0) return false;
  try {
    std::vector<Point3> verts = Resized(verts_, static_cast<std::size_t>(n), keep, Point3());
    std::vector<std::vector<float>> values;
    values.reserve(vData_.size());
    for (std::size_t ch = 0; ch < vData_.size(); ++ch) {
      const float fill = vDataDefault(static_cast<int>(ch));
      values.push_back(vData_[ch].on ? Resized(vData_[ch].values, static_cast<std::size_t>(n), keep, fill)
                                     : std::vector<float>());
    }
    BitArray sel = ResizedBits(vertSel_, n, keep);
    // Nothing below allocates.
    verts_.swap(verts);
    for (std::size_t ch = 0; ch < vData_.size(); ++ch) vData_[ch].values.swap(values[ch]);
    vertSel_ = std::move(sel);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool Mesh::setNumFaces(int n, bool keep) {
  if (n < 0) return false;
  try {
    std::vector<Face> faces = Resized(faces_, static_cast<std::size_t>(n), keep, Face());
    std::vector<std::vector<TVFace>> mapFaces;
    mapFaces.reserve(maps_.size());
    for (const MapChannel& map : maps_)
      mapFaces.push_back(map.on ? Resized(map.faces, static_cast<std::size_t>(n), keep, TVFace())
                                : std::vector<TVFace>());
    BitArray edges = ResizedBits(edgeSel_, 3 * n, keep);
    BitArray sel = ResizedBits(faceSel_, n, keep);
    faces_.swap(faces);
    for (std::size_t ch = 0; ch < maps_.size(); ++ch) maps_[ch].faces.swap(mapFaces[ch]);
    edgeSel_ = std::move(edges);
    faceSel_ = std::move(sel);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

// ---- Geometry -----------------------------------------------------------------

Point3 Mesh::getFaceNormal(int f) const {
  const Face& face = faces_[f];
  const Point3& a = verts_[face.v[0]];
  return Normalize(CrossProd(verts_[face.v[1]] - a, verts_[face.v[2]] - a));
}

Box3 Mesh::getBoundingBox(const Matrix3* tm) const {
  Box3 box;
  for (const Point3& p : verts_) box += tm ? p * *tm : p;
  return box;
}

// ---- Map channels -------------------------------------------------------------

const Mesh::MapChannel* Mesh::Map(int ch) const {
  if (ch < 0 || ch >= static_cast<int>(maps_.size())) return nullptr;
  return &maps_[ch];
}

bool Mesh::mapSupport(int ch) const {
  const MapChannel* map = Map(ch);
  return map && map->on;
}

bool Mesh::setMapSupport(int ch, bool support) {
  if (ch < 0 || ch >= MAX_MESHMAPS) return false;
  if (!support) {
    if (MapChannel* map = Map(ch)) *map = MapChannel();
    while (!maps_.empty() && !maps_.back().on) maps_.pop_back();
    return true;
  }
  if (mapSupport(ch)) return true;
  try {
    std::vector<TVFace> faces(faces_.size());
    if (static_cast<int>(maps_.size()) <= ch) maps_.resize(ch + 1);
    maps_[ch].on = true;
    maps_[ch].verts.clear();
    maps_[ch].faces.swap(faces);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

int Mesh::getNumMapVerts(int ch) const {
  return mapSupport(ch) ? static_cast<int>(maps_[ch].verts.size()) : 0;
}

bool Mesh::setNumMapVerts(int ch, int n, bool keep) {
  if (!mapSupport(ch) || n < 0) return false;
  try {
    maps_[ch].verts = Resized(maps_[ch].verts, static_cast<std::size_t>(n), keep, Point3());
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

std::span<Point3> Mesh::mapVerts(int ch) {
  return mapSupport(ch) ? std::span<Point3>(maps_[ch].verts) : std::span<Point3>();
}
std::span<const Point3> Mesh::mapVerts(int ch) const {
  return mapSupport(ch) ? std::span<const Point3>(maps_[ch].verts) : std::span<const Point3>();
}
std::span<TVFace> Mesh::mapFaces(int ch) {
  return mapSupport(ch) ? std::span<TVFace>(maps_[ch].faces) : std::span<TVFace>();
}
std::span<const TVFace> Mesh::mapFaces(int ch) const {
  return mapSupport(ch) ? std::span<const TVFace>(maps_[ch].faces) : std::span<const TVFace>();
}

int Mesh::getNumMaps() const {
  int n = static_cast<int>(maps_.size());
  while (n > 0 && !maps_[n - 1].on) --n;
  return n;
}

// ---- Vertex data ----------------------------------------------------------------

const Mesh::VDataChannel* Mesh::VData(int ch) const {
  if (ch < 0 || ch >= static_cast<int>(vData_.size())) return nullptr;
  return &vData_[ch];
}

bool Mesh::vDataSupport(int ch) const {
  const VDataChannel* data = VData(ch);
  return data && data->on;
}

bool Mesh::setVDataSupport(int ch, bool support) {
  if (ch < 0 || ch >= MAX_VERTEX_DATA) return false;
  if (!support) {
    if (VDataChannel* data = VData(ch)) *data = VDataChannel();
    while (!vData_.empty() && !vData_.back().on) vData_.pop_back();
    return true;
  }
  if (vDataSupport(ch)) return true;
  try {
    std::vector<float> values(verts_.size(), vDataDefault(ch));
    if (static_cast<int>(vData_.size()) <= ch) vData_.resize(ch + 1);
    vData_[ch].on = true;
    vData_[ch].values.swap(values);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

std::span<float> Mesh::vertexFloat(int ch) {
  return vDataSupport(ch) ? std::span<float>(vData_[ch].values) : std::span<float>();
}
std::span<const float> Mesh::vertexFloat(int ch) const {
  return vDataSupport(ch) ? std::span<const float>(vData_[ch].values) : std::span<const float>();
}

// ---- Consistency ------------------------------------------------------------------

std::string Mesh::checkIntegrity() const {
  const std::size_t nv = verts_.size();
  const std::size_t nf = faces_.size();
  for (std::size_t f = 0; f < nf; ++f)
    for (int c = 0; c < 3; ++c)
      if (faces_[f].v[c] >= nv)
        return "face " + std::to_string(f) + " uses vertex " + std::to_string(faces_[f].v[c]) + " of " +
               std::to_string(nv);
  for (std::size_t ch = 0; ch < maps_.size(); ++ch) {
    const MapChannel& map = maps_[ch];
    if (!map.on) continue;
    const std::string where = "map channel " + std::to_string(ch);
    if (map.faces.size() != nf)
      return where + " has " + std::to_string(map.faces.size()) + " faces for " + std::to_string(nf) +
             " mesh faces";
    for (std::size_t f = 0; f < nf; ++f)
      for (int c = 0; c < 3; ++c)
        if (map.faces[f].t[c] >= map.verts.size())
          return where + ": face " + std::to_string(f) + " uses map vertex " + std::to_string(map.faces[f].t[c]) +
                 " of " + std::to_string(map.verts.size());
  }
  for (std::size_t ch = 0; ch < vData_.size(); ++ch)
    if (vData_[ch].on && vData_[ch].values.size() != nv)
      return "vertex data channel " + std::to_string(ch) + " has " + std::to_string(vData_[ch].values.size()) +
             " values for " + std::to_string(nv) + " vertices";
  if (static_cast<std::size_t>(vertSel_.GetSize()) != nv) return "the vertex selection does not match the vertices";
  if (static_cast<std::size_t>(edgeSel_.GetSize()) != 3 * nf) return "the edge selection does not match the faces";
  if (static_cast<std::size_t>(faceSel_.GetSize()) != nf) return "the face selection does not match the faces";
  return "";
}

bool operator==(const Mesh& a, const Mesh& b) {
  if (a.verts_ != b.verts_ || a.faces_ != b.faces_) return false;
  const int maps = std::max(a.getNumMaps(), b.getNumMaps());
  for (int ch = 0; ch < maps; ++ch) {
    if (a.mapSupport(ch) != b.mapSupport(ch)) return false;
    if (a.mapSupport(ch) && !(a.maps_[ch] == b.maps_[ch])) return false;
  }
  const int vdata = static_cast<int>(std::max(a.vData_.size(), b.vData_.size()));
  for (int ch = 0; ch < vdata; ++ch) {
    if (a.vDataSupport(ch) != b.vDataSupport(ch)) return false;
    if (a.vDataSupport(ch) && a.vData_[ch].values != b.vData_[ch].values) return false;
  }
  return a.vertSel_ == b.vertSel_ && a.edgeSel_ == b.edgeSel_ && a.faceSel_ == b.faceSel_;
}

}  // namespace host
