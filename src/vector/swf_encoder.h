// The byte and bit level of Flash movie files: a bit writer and the encoders
// of the records and tags the Flash writer uses.
//
// Everything here is little-endian bytes and most-significant-bit-first bit
// fields; coordinates are in twips (1/20 pixel). The encoders append to a
// caller-owned byte vector, so a frame's tags are built without a file and
// without per-record allocation once the vector has grown.
#pragma once

#include <cstdint>
#include <vector>

namespace pw::swf {

inline constexpr int kTwipsPerPixel = 20;

// Tag codes.
enum TagCode : std::uint16_t {
  kTagEnd = 0,
  kTagShowFrame = 1,
  kTagSetBackgroundColor = 9,
  kTagPlaceObject2 = 26,
  kTagRemoveObject2 = 28,
  kTagFileAttributes = 69,
  kTagDefineShape4 = 83,
};

// DefineShape4 needs version 8; later features are not used.
inline constexpr std::uint8_t kFileVersion = 8;

struct Rgba {
  std::uint8_t r = 0, g = 0, b = 0, a = 255;
  friend bool operator==(const Rgba&, const Rgba&) = default;
};

struct Rect {  // twips
  std::int32_t xMin = 0, xMax = 0, yMin = 0, yMax = 0;
};

// Appends bit fields and whole bytes. Whole-byte writes first align to the
// next byte, as every byte-aligned field in the format is preceded by padding.
class BitWriter {
 public:
  explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}

  void Unsigned(std::uint32_t value, int bits);  // UB[bits], bits <= 32
  void Signed(std::int32_t value, int bits);     // SB[bits], two's complement
  void Align();                                  // pads the partial byte with zeros
  void Reset() { pending_ = 0; pendingBits_ = 0; }  // drops a partial byte

  void U8(std::uint8_t v);
  void U16(std::uint16_t v);
  void U32(std::uint32_t v);

 private:
  std::vector<std::uint8_t>& out_;
  std::uint32_t pending_ = 0;  // bits not yet flushed, low `pendingBits_` bits
  int pendingBits_ = 0;
};

// Bits an SB field needs to hold v (sign bit included); at least 1.
int SignedBits(std::int32_t v);
// Bits an UB field needs to hold v; 0 for 0.
int UnsignedBits(std::uint32_t v);

// RECT: a 5-bit field size, then xMin, xMax, yMin, yMax; ends byte-aligned.
void WriteRect(BitWriter& w, const Rect& r);

// A tag header: the short form when the body is under 63 bytes, else the
// long form with a 32-bit length.
void WriteTagHeader(std::vector<std::uint8_t>& out, TagCode code, std::uint32_t bodyLength);
// A whole tag with the given body.
void WriteTag(std::vector<std::uint8_t>& out, TagCode code, const std::vector<std::uint8_t>& body);

// The file header with the given length and frame count (both patched in
// at the end of the sequence); frame rate in frames per second, stored 8.8.
// Returns the offset of the frame count field.
std::size_t WriteFileHeader(std::vector<std::uint8_t>& out, const Rect& frame, double frameRate,
                            std::uint16_t frameCount, std::uint32_t fileLength);

void WriteFileAttributes(std::vector<std::uint8_t>& out);
void WriteSetBackgroundColor(std::vector<std::uint8_t>& out, Rgba colour);  // RGB only
void WriteShowFrame(std::vector<std::uint8_t>& out);
void WriteEnd(std::vector<std::uint8_t>& out);
// Places a defined shape at a depth with the identity matrix.
void WritePlaceObject(std::vector<std::uint8_t>& out, std::uint16_t depth, std::uint16_t shapeId);
void WriteRemoveObject(std::vector<std::uint8_t>& out, std::uint16_t depth);

// One DefineShape4 tag under construction. Styles are added first, then the
// outline; Finish writes the tag. Points are in twips relative to the stage.
class ShapeBuilder {
 public:
  // Round caps and joins, which is how a round brush looks at any width.
  struct LineStyle {
    std::uint16_t widthTwips = 0;
    Rgba colour;
  };

  ShapeBuilder() : edgeWriter_(edges_) {}
  ShapeBuilder(const ShapeBuilder&) = delete;
  ShapeBuilder& operator=(const ShapeBuilder&) = delete;

  // Empties the shape, keeping its buffers for the next one.
  void Reset();
  int AddFill(Rgba colour);           // returns its 1-based index
  int AddLineStyle(LineStyle style);  // returns its 1-based index
  int FillCount() const { return static_cast<int>(fills_.size()); }
  int LineStyleCount() const { return static_cast<int>(lines_.size()); }

  // Starts a new sub-path at (x, y) with the given fill (0 = none) and line
  // style (0 = none). Styles must all be added before the first MoveTo.
  void MoveTo(std::int32_t x, std::int32_t y, int fill, int line);
  // A straight edge from the current point; long edges are split so each
  // record's deltas fit the format's 17 signed bits.
  void LineTo(std::int32_t x, std::int32_t y);

  bool Empty() const { return records_ == 0; }
  // Appends the DefineShape4 tag with the non-zero winding fill rule.
  void Finish(std::vector<std::uint8_t>& out, std::uint16_t shapeId);

 private:
  void Extend(std::int32_t x, std::int32_t y);
  void StraightEdge(std::int32_t dx, std::int32_t dy);

  std::vector<Rgba> fills_;
  std::vector<LineStyle> lines_;
  std::vector<std::uint8_t> edges_;  // the shape records, one bit stream
  BitWriter edgeWriter_;
  std::vector<std::uint8_t> body_;
  int records_ = 0;
  int fillBits_ = 0, lineBits_ = 0;  // fixed at the first MoveTo
  std::int32_t x_ = 0, y_ = 0;
  Rect edgeBounds_{};  // of the points; the shape's bounds add half the widest line
  bool haveBounds_ = false;
  std::uint16_t maxLineWidth_ = 0;
};

}  // namespace pw::swf
