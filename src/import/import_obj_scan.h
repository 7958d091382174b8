// A first pass over OBJ text for what the parser lets pass unnoticed:
// coordinates that are not finite numbers (it reads "nan" as 0), faces too
// short to keep, and the line of every face, material library and material
// use, so that later messages can name the line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace host {

struct ObjNamedLine {
  std::string name;
  std::uint32_t line = 0;
};

struct ObjScan {
  // Each face of 3 or more corners, in file order: its line and its corner
  // count (the parser keeps counts in a byte, so larger polygons need ours).
  std::vector<std::uint32_t> faceLines;
  std::vector<std::uint32_t> faceCorners;
  std::vector<std::uint32_t> shortFaceLines;  // faces of fewer corners (the parser drops them)
  std::vector<ObjNamedLine> mtllibs;
  std::vector<ObjNamedLine> usemtls;
  std::uint32_t vertices = 0;
  std::uint32_t texcoords = 0;
  std::string error;  // "LINE: what is wrong", for the first fatal problem
};

// False (with scan.error) when a vertex or texture coordinate is missing or
// is not a finite number.
bool ScanObjText(std::string_view text, ObjScan& scan);

}  // namespace host
