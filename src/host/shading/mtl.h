// Materials: how a surface is coloured. MtlBase is what materials and
// texture maps share (a name, updating, requirements, sub-maps, map files);
// Mtl adds colours per sub-material and side, sub-materials and Shade.
#pragma once

#include <cstdint>
#include <string>

#include "host/core/bitarray.h"
#include "host/io/chunk_io.h"
#include "host/core/color.h"
#include "host/refs/reference.h"
#include "host/render_api/render_interfaces.h"
#include "host/core/time.h"

namespace host {

class Texmap;

// What a material needs of the renderer for a sub-material (Requirements).
// Values marked (given) are fixed by the renderer's contract; the rest are
// this host's own.
inline constexpr std::uint32_t MTLREQ_2SIDE = 0x00001;        // (given) shade back faces too
inline constexpr std::uint32_t MTLREQ_WIRE = 0x00002;         // draw as wireframe
inline constexpr std::uint32_t MTLREQ_TRANSP = 0x00004;       // may be transparent
inline constexpr std::uint32_t MTLREQ_UV = 0x00008;           // needs map channel 1
inline constexpr std::uint32_t MTLREQ_UV2 = 0x00010;          // needs map channel 0 (vertex colours)
inline constexpr std::uint32_t MTLREQ_BUMPUV = 0x00020;       // bump maps: needs dP/dUVW
inline constexpr std::uint32_t MTLREQ_FACETED = 0x00040;      // flat shading, no smoothing
inline constexpr std::uint32_t MTLREQ_ADDITIVE_TRANSP = 0x00080;  // adds to what lies behind
inline constexpr std::uint32_t MTLREQ_VIEW_DEP = 0x00100;     // result depends on the view
inline constexpr std::uint32_t MTLREQ_PHONG = 0x00400;        // (given) per-pixel normals
inline constexpr std::uint32_t MTLREQ_AUTOREFLECT = 0x00800;  // (given) builds a reflection map
inline constexpr std::uint32_t MTLREQ_AUTOMIRROR = 0x01000;   // (given) builds a mirror map
inline constexpr std::uint32_t MTLREQ_PREPRO = 0x40000;       // (given) builds maps before rendering

// Chunk holding the MtlBase fields; written first by every material and map.
inline constexpr std::uint16_t MTL_HDR_CHUNK = 0x4000;

class MtlBase : public ReferenceTarget {
 public:
  const std::string& GetName() const { return name_; }
  void SetName(std::string name);

  // Brings cached values up to date for t and narrows valid to the times
  // over which they hold.
  virtual void Update(TimeValue /*t*/, Interval& /*valid*/) {}
  virtual void Reset() {}
  virtual Interval Validity(TimeValue /*t*/) { return FOREVER; }

  // What the renderer must provide for sub-material subMtlNum (-1: any).
  // By default: the requirements of the sub-maps that are on.
  virtual std::uint32_t Requirements(int subMtlNum);
  // Sets the map channels (0..99) whose coordinates the material reads, and
  // those it needs bump derivatives of. By default: the sub-maps'.
  virtual void MappingsRequired(int subMtlNum, BitArray& mapreq, BitArray& bumpreq);

  virtual int NumSubTexmaps() { return 0; }
  virtual Texmap* GetSubTexmap(int /*i*/) { return nullptr; }
  // False when slot i cannot hold a map.
  virtual bool SetSubTexmap(int /*i*/, Texmap* /*m*/) { return false; }
  virtual std::string GetSubTexmapSlotName(int /*i*/) { return ""; }
  // Whether the map in slot i is used.
  virtual bool SubTexmapOn(int /*i*/) { return true; }

  // Reads map files (bitmaps) ahead of rendering.
  virtual void LoadMapFiles(TimeValue /*t*/) {}
  // Builds maps that need a render of their own (reflections, mirrors);
  // answers 0 on failure.
  virtual int BuildMaps(TimeValue /*t*/, RenderMapsContext& /*rmc*/) { return 1; }

  // Subclasses write MTL_HDR_CHUNK through SaveHeader before their own
  // chunks and hand it to LoadHeader when they meet it.
  IOResult SaveHeader(ISave* isave);
  IOResult LoadHeader(ILoad* iload);

 protected:
  void CopyMtlBase(const MtlBase& from) { name_ = from.name_; }

 private:
  std::string name_;
};

class Mtl : public MtlBase {
 public:
  SClass_ID SuperClassID() const override { return MATERIAL_CLASS_ID; }

  // Colours and factors of sub-material mtlNum, front or back face.
  virtual Color GetAmbient(int mtlNum = 0, bool backFace = false) = 0;
  virtual Color GetDiffuse(int mtlNum = 0, bool backFace = false) = 0;
  virtual Color GetSpecular(int mtlNum = 0, bool backFace = false) = 0;
  virtual float GetShininess(int mtlNum = 0, bool backFace = false) = 0;  // 0..1
  virtual float GetShinStr(int mtlNum = 0, bool backFace = false) = 0;    // highlight strength
  virtual float GetXParency(int mtlNum = 0, bool backFace = false) = 0;   // 0 opaque .. 1 clear
  virtual float WireSize(int /*mtlNum*/ = 0, bool /*backFace*/ = false) { return 1.0f; }

  virtual void SetAmbient(const Color& c, TimeValue t) = 0;
  virtual void SetDiffuse(const Color& c, TimeValue t) = 0;
  virtual void SetSpecular(const Color& c, TimeValue t) = 0;
  virtual void SetShininess(float v, TimeValue t) = 0;

  virtual int NumSubMtls() { return 0; }
  virtual Mtl* GetSubMtl(int /*i*/) { return nullptr; }
  // False when slot i cannot hold a material.
  virtual bool SetSubMtl(int /*i*/, Mtl* /*m*/) { return false; }
  virtual std::string GetSubMtlSlotName(int /*i*/) { return ""; }

  // Colours the point: fills sc.out. By default the diffuse colour of the
  // face's sub-material and side, with the material's transparency.
  virtual void Shade(ShadeContext& sc);
};

}  // namespace host
