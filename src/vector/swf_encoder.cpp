#include "vector/swf_encoder.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdlib>

namespace pw::swf {

void BitWriter::Unsigned(std::uint32_t value, int bits) {
  assert(bits >= 0 && bits <= 32);
  for (int i = bits - 1; i >= 0; --i) {
    pending_ = (pending_ << 1) | ((value >> i) & 1u);
    if (++pendingBits_ == 8) {
      out_.push_back(static_cast<std::uint8_t>(pending_));
      pending_ = 0;
      pendingBits_ = 0;
    }
  }
}

void BitWriter::Signed(std::int32_t value, int bits) { Unsigned(static_cast<std::uint32_t>(value), bits); }

void BitWriter::Align() {
  if (pendingBits_ > 0) Unsigned(0, 8 - pendingBits_);
}

void BitWriter::U8(std::uint8_t v) {
  Align();
  out_.push_back(v);
}

void BitWriter::U16(std::uint16_t v) {
  U8(static_cast<std::uint8_t>(v & 0xFF));
  U8(static_cast<std::uint8_t>(v >> 8));
}

void BitWriter::U32(std::uint32_t v) {
  U16(static_cast<std::uint16_t>(v & 0xFFFF));
  U16(static_cast<std::uint16_t>(v >> 16));
}

int UnsignedBits(std::uint32_t v) {
  int n = 0;
  while (v != 0) {
    ++n;
    v >>= 1;
  }
  return n;
}

int SignedBits(std::int32_t v) {
  // A negative number needs as many bits as its complement, plus the sign.
  const std::uint32_t magnitude = v < 0 ? ~static_cast<std::uint32_t>(v) : static_cast<std::uint32_t>(v);
  return UnsignedBits(magnitude) + 1;
}

void WriteRect(BitWriter& w, const Rect& r) {
  const int bits = std::max({SignedBits(r.xMin), SignedBits(r.xMax), SignedBits(r.yMin), SignedBits(r.yMax)});
  w.Unsigned(static_cast<std::uint32_t>(bits), 5);
  w.Signed(r.xMin, bits);
  w.Signed(r.xMax, bits);
  w.Signed(r.yMin, bits);
  w.Signed(r.yMax, bits);
  w.Align();
}

void WriteTagHeader(std::vector<std::uint8_t>& out, TagCode code, std::uint32_t bodyLength) {
  BitWriter w(out);
  const auto codeBits = static_cast<std::uint16_t>(code << 6);
  if (bodyLength < 0x3F) {
    w.U16(static_cast<std::uint16_t>(codeBits | bodyLength));
  } else {
    w.U16(static_cast<std::uint16_t>(codeBits | 0x3F));
    w.U32(bodyLength);
  }
}

void WriteTag(std::vector<std::uint8_t>& out, TagCode code, const std::vector<std::uint8_t>& body) {
  WriteTagHeader(out, code, static_cast<std::uint32_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
}

std::size_t WriteFileHeader(std::vector<std::uint8_t>& out, const Rect& frame, double frameRate,
                            std::uint16_t frameCount, std::uint32_t fileLength) {
  BitWriter w(out);
  w.U8('F');
  w.U8('W');
  w.U8('S');
  w.U8(kFileVersion);
  w.U32(fileLength);
  WriteRect(w, frame);
  // 8.8 fixed point; the format cannot say more than 255 frames a second.
  const double clamped = std::clamp(frameRate, 1.0 / 256.0, 255.0);
  w.U16(static_cast<std::uint16_t>(std::lround(clamped * 256.0)));
  const std::size_t countAt = out.size();
  w.U16(frameCount);
  return countAt;
}

void WriteFileAttributes(std::vector<std::uint8_t>& out) {
  // No script, no network access, no metadata: all flags clear.
  WriteTagHeader(out, kTagFileAttributes, 4);
  BitWriter(out).U32(0);
}

void WriteSetBackgroundColor(std::vector<std::uint8_t>& out, Rgba colour) {
  WriteTagHeader(out, kTagSetBackgroundColor, 3);
  out.push_back(colour.r);
  out.push_back(colour.g);
  out.push_back(colour.b);
}

void WriteShowFrame(std::vector<std::uint8_t>& out) { WriteTagHeader(out, kTagShowFrame, 0); }

void WriteEnd(std::vector<std::uint8_t>& out) { WriteTagHeader(out, kTagEnd, 0); }

void WritePlaceObject(std::vector<std::uint8_t>& out, std::uint16_t depth, std::uint16_t shapeId) {
  constexpr std::uint8_t kHasMatrix = 0x04;
  constexpr std::uint8_t kHasCharacter = 0x02;
  WriteTagHeader(out, kTagPlaceObject2, 6);
  BitWriter w(out);
  w.U8(kHasMatrix | kHasCharacter);
  w.U16(depth);
  w.U16(shapeId);
  w.U8(0);  // identity matrix: no scale, no rotation, 0-bit translation
}

void WriteRemoveObject(std::vector<std::uint8_t>& out, std::uint16_t depth) {
  WriteTagHeader(out, kTagRemoveObject2, 2);
  BitWriter(out).U16(depth);
}

// ---------------------------------------------------------------------------

void ShapeBuilder::Reset() {
  fills_.clear();
  lines_.clear();
  edges_.clear();
  edgeWriter_.Reset();
  records_ = 0;
  fillBits_ = lineBits_ = 0;
  x_ = y_ = 0;
  edgeBounds_ = Rect{};
  haveBounds_ = false;
  maxLineWidth_ = 0;
}

int ShapeBuilder::AddFill(Rgba colour) {
  assert(records_ == 0);
  fills_.push_back(colour);
  return static_cast<int>(fills_.size());
}

int ShapeBuilder::AddLineStyle(LineStyle style) {
  assert(records_ == 0);
  lines_.push_back(style);
  maxLineWidth_ = std::max(maxLineWidth_, style.widthTwips);
  return static_cast<int>(lines_.size());
}

void ShapeBuilder::Extend(std::int32_t x, std::int32_t y) {
  if (!haveBounds_) {
    edgeBounds_ = Rect{x, x, y, y};
    haveBounds_ = true;
    return;
  }
  edgeBounds_.xMin = std::min(edgeBounds_.xMin, x);
  edgeBounds_.xMax = std::max(edgeBounds_.xMax, x);
  edgeBounds_.yMin = std::min(edgeBounds_.yMin, y);
  edgeBounds_.yMax = std::max(edgeBounds_.yMax, y);
}

void ShapeBuilder::MoveTo(std::int32_t x, std::int32_t y, int fill, int line) {
  assert(fill >= 0 && fill <= FillCount() && line >= 0 && line <= LineStyleCount());
  if (records_ == 0) {
    fillBits_ = UnsignedBits(static_cast<std::uint32_t>(FillCount()));
    lineBits_ = UnsignedBits(static_cast<std::uint32_t>(LineStyleCount()));
    assert(fillBits_ <= 15 && lineBits_ <= 15);
  }
  // Style-change record: type 0, then new-styles, line, fill 1, fill 0, move.
  // The styles are written in every record so each sub-path stands alone.
  const bool writeFill = fillBits_ > 0;
  const bool writeLine = lineBits_ > 0;
  BitWriter& w = edgeWriter_;
  w.Unsigned(0, 1);
  w.Unsigned(0, 1);
  w.Unsigned(writeLine ? 1 : 0, 1);
  w.Unsigned(0, 1);
  w.Unsigned(writeFill ? 1 : 0, 1);
  w.Unsigned(1, 1);
  const int moveBits = std::max(SignedBits(x), SignedBits(y));
  w.Unsigned(static_cast<std::uint32_t>(moveBits), 5);
  w.Signed(x, moveBits);
  w.Signed(y, moveBits);
  if (writeFill) w.Unsigned(static_cast<std::uint32_t>(fill), fillBits_);
  if (writeLine) w.Unsigned(static_cast<std::uint32_t>(line), lineBits_);
  ++records_;
  x_ = x;
  y_ = y;
  Extend(x, y);
}

void ShapeBuilder::StraightEdge(std::int32_t dx, std::int32_t dy) {
  BitWriter& w = edgeWriter_;
  const int bits = std::max({SignedBits(dx), SignedBits(dy), 2});
  w.Unsigned(1, 1);  // edge record
  w.Unsigned(1, 1);  // straight
  w.Unsigned(static_cast<std::uint32_t>(bits - 2), 4);
  if (dx != 0 && dy != 0) {
    w.Unsigned(1, 1);  // general line
    w.Signed(dx, bits);
    w.Signed(dy, bits);
  } else {
    w.Unsigned(0, 1);
    w.Unsigned(dx == 0 ? 1 : 0, 1);  // vertical
    w.Signed(dx == 0 ? dy : dx, bits);
  }
  ++records_;
}

void ShapeBuilder::LineTo(std::int32_t x, std::int32_t y) {
  assert(records_ > 0);
  // Deltas are at most 17 signed bits (a 4-bit size field plus 2).
  constexpr std::int64_t kMaxDelta = 65535;
  const std::int64_t dx = static_cast<std::int64_t>(x) - x_;
  const std::int64_t dy = static_cast<std::int64_t>(y) - y_;
  if (dx == 0 && dy == 0) return;
  const std::int64_t longest = std::max(std::llabs(dx), std::llabs(dy));
  const std::int64_t pieces = (longest + kMaxDelta - 1) / kMaxDelta;
  std::int32_t px = x_, py = y_;
  for (std::int64_t i = 1; i <= pieces; ++i) {
    const auto nx = static_cast<std::int32_t>(x_ + dx * i / pieces);
    const auto ny = static_cast<std::int32_t>(y_ + dy * i / pieces);
    if (nx != px || ny != py) StraightEdge(nx - px, ny - py);
    px = nx;
    py = ny;
  }
  x_ = x;
  y_ = y;
  Extend(x, y);
}

void ShapeBuilder::Finish(std::vector<std::uint8_t>& out, std::uint16_t shapeId) {
  // End-of-shape record: type 0 and five clear flags.
  edgeWriter_.Unsigned(0, 6);
  edgeWriter_.Align();

  body_.clear();
  BitWriter w(body_);
  w.U16(shapeId);
  const std::int32_t pad = (maxLineWidth_ + 1) / 2;
  const Rect shape{edgeBounds_.xMin - pad, edgeBounds_.xMax + pad, edgeBounds_.yMin - pad, edgeBounds_.yMax + pad};
  WriteRect(w, shape);
  WriteRect(w, edgeBounds_);
  // Reserved 5 bits, non-zero winding (overlapping polygons of one fill
  // stay filled), no non-scaling strokes, scaling strokes when there are lines.
  w.U8(static_cast<std::uint8_t>(0x04 | (lines_.empty() ? 0 : 0x01)));

  auto count = [&w](std::size_t n) {
    if (n < 0xFF) {
      w.U8(static_cast<std::uint8_t>(n));
    } else {
      w.U8(0xFF);
      w.U16(static_cast<std::uint16_t>(n));
    }
  };
  count(fills_.size());
  for (const Rgba& c : fills_) {
    w.U8(0x00);  // solid fill
    w.U8(c.r);
    w.U8(c.g);
    w.U8(c.b);
    w.U8(c.a);
  }
  count(lines_.size());
  for (const LineStyle& s : lines_) {
    w.U16(s.widthTwips);
    w.U8(0x00);  // round start caps, round joins, colour instead of a fill
    w.U8(0x00);  // closed paths allowed, round end caps
    w.U8(s.colour.r);
    w.U8(s.colour.g);
    w.U8(s.colour.b);
    w.U8(s.colour.a);
  }
  w.Unsigned(static_cast<std::uint32_t>(fillBits_), 4);
  w.Unsigned(static_cast<std::uint32_t>(lineBits_), 4);
  body_.insert(body_.end(), edges_.begin(), edges_.end());
  WriteTag(out, kTagDefineShape4, body_);
}

}  // namespace pw::swf
