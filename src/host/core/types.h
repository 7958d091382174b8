// Basic identifiers and result codes shared by every part of the host layer.
#pragma once

#include <compare>
#include <cstdint>

namespace host {

using SClass_ID = std::uint32_t;

// Super class ids the renderer's classes and the host's own classes use.
inline constexpr SClass_ID REF_TARGET_CLASS_ID = 0x100;
inline constexpr SClass_ID HELPER_CLASS_ID = 0x50;
inline constexpr SClass_ID RENDERER_CLASS_ID = 0xF00;
inline constexpr SClass_ID MATERIAL_CLASS_ID = 0xC00;
inline constexpr SClass_ID TEXMAP_CLASS_ID = 0xC10;
inline constexpr SClass_ID SHADER_CLASS_ID = 0x10B0;
inline constexpr SClass_ID OSM_CLASS_ID = 0x810;
inline constexpr SClass_ID ACTION_TABLE_CLASS_ID = 0xB60;
inline constexpr SClass_ID GEOMOBJECT_CLASS_ID = 0x10;
inline constexpr SClass_ID CAMERA_CLASS_ID = 0x20;
inline constexpr SClass_ID LIGHT_CLASS_ID = 0x30;
inline constexpr SClass_ID BASENODE_CLASS_ID = 0x1;
inline constexpr SClass_ID PARAMETER_BLOCK_CLASS_ID = 0x8;
inline constexpr SClass_ID PARAMETER_BLOCK2_CLASS_ID = 0x82;

// A class's persistent identity: files name classes by these two words.
struct Class_ID {
  std::uint32_t a = 0;
  std::uint32_t b = 0;

  constexpr Class_ID() = default;
  constexpr Class_ID(std::uint32_t partA, std::uint32_t partB) : a(partA), b(partB) {}
  constexpr std::uint32_t PartA() const { return a; }
  constexpr std::uint32_t PartB() const { return b; }
  friend constexpr auto operator<=>(const Class_ID&, const Class_ID&) = default;
};

// Map channels 0..MAX_MESHMAPS-1: meshes carry them and texture maps read
// them, so the bound lives below both.
inline constexpr int MAX_MESHMAPS = 100;

// Result of reading or writing a chunked stream.
enum class IOResult { Ok = 0, End = 1, Error = 2 };
inline constexpr IOResult IO_OK = IOResult::Ok;
inline constexpr IOResult IO_END = IOResult::End;
inline constexpr IOResult IO_ERROR = IOResult::Error;

}  // namespace host
