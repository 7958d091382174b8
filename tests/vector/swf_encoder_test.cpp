#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "vector/swf_encoder.h"
#include "vector/swf_movie.h"
#include "vector/swf_test_reader.h"

using namespace pw::swf;
using namespace pw_test;

namespace {

// "0110 1" style bit strings (spaces ignored), padded with zeros to whole bytes.
Bytes FromBits(const std::string& bits) {
  Bytes out;
  int n = 0;
  std::uint8_t cur = 0;
  for (char c : bits) {
    if (c == ' ') continue;
    cur = static_cast<std::uint8_t>((cur << 1) | (c == '1' ? 1 : 0));
    if (++n == 8) {
      out.push_back(cur);
      cur = 0;
      n = 0;
    }
  }
  if (n > 0) out.push_back(static_cast<std::uint8_t>(cur << (8 - n)));
  return out;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

}  // namespace

TEST(SwfEncoder, BitFieldsAndSizes) {
  Bytes out;
  BitWriter w(out);
  w.Unsigned(5, 3);
  w.Unsigned(1, 1);
  w.Signed(-2, 4);
  w.Unsigned(1, 1);
  w.U16(0x1234);  // aligns first
  EXPECT_EQ(out, (Bytes{0xBE, 0x80, 0x34, 0x12}));

  const std::pair<std::int32_t, int> signedCases[] = {{0, 1},      {1, 2},     {-1, 1},     {-2, 2},
                                                      {2, 3},      {20, 6},    {-20, 6},    {65535, 17},
                                                      {-65536, 17}, {65536, 18}, {INT32_MIN, 32}};
  for (auto [v, bits] : signedCases) EXPECT_EQ(SignedBits(v), bits) << v;
}

TEST(SwfEncoder, RectTagsAndHeaderBytes) {
  // A 550 x 400 pixel stage, the bytes every player's sample file starts with.
  Bytes rect;
  BitWriter w(rect);
  WriteRect(w, Rect{0, 11000, 0, 8000});
  EXPECT_EQ(rect, (Bytes{0x78, 0x00, 0x05, 0x5F, 0x00, 0x00, 0x0F, 0xA0, 0x00}));

  Bytes tags;
  WriteShowFrame(tags);
  WriteSetBackgroundColor(tags, Rgba{255, 0, 0, 255});
  WritePlaceObject(tags, 1, 1);
  WriteRemoveObject(tags, 2);
  WriteTagHeader(tags, kTagDefineShape4, 100);  // long form from 63 bytes on
  WriteTagHeader(tags, kTagDefineShape4, 62);
  WriteEnd(tags);
  EXPECT_EQ(tags, (Bytes{0x40, 0x00, 0x43, 0x02, 0xFF, 0x00, 0x00, 0x86, 0x06, 0x06, 0x01, 0x00, 0x01, 0x00,
                         0x00, 0x02, 0x07, 0x02, 0x00, 0xFF, 0x14, 0x64, 0x00, 0x00, 0x00, 0xFE, 0x14, 0x00, 0x00}));

  Bytes header;
  const std::size_t countAt = WriteFileHeader(header, Rect{0, 11000, 0, 8000}, 12.5, 3, 0x01020304);
  EXPECT_EQ(header, Cat({{'F', 'W', 'S', 8, 0x04, 0x03, 0x02, 0x01},
                         {0x78, 0x00, 0x05, 0x5F, 0x00, 0x00, 0x0F, 0xA0, 0x00},
                         {0x80, 0x0C, 0x03, 0x00}}));
  EXPECT_EQ(countAt, header.size() - 2);
}

TEST(SwfEncoder, TriangleShapeBytes) {
  ShapeBuilder s;
  EXPECT_EQ(s.AddFill(Rgba{255, 0, 0, 255}), 1);
  s.MoveTo(0, 0, 1, 0);
  s.LineTo(20, 0);
  s.LineTo(0, 20);
  s.LineTo(0, 0);
  Bytes out;
  s.Finish(out, 1);
  const Bytes records = FromBits(
      "0 0 0 0 1 1  00001 0 0  1"     // style change: fill 0 and move to (0, 0)
      "1 1 0100 0 0 010100"           // horizontal edge +20 (6 bits)
      "1 1 0100 1 101100 010100"      // general edge (-20, +20)
      "1 1 0100 0 1 101100"           // vertical edge -20
      "0 00000");                     // end of shape
  const Bytes bounds = FromBits("00110 000000 010100 000000 010100");
  const Bytes body = Cat({{0x01, 0x00}, bounds, bounds, {0x04}, {0x01, 0x00, 0xFF, 0x00, 0x00, 0xFF}, {0x00},
                          {0x10}, records});
  EXPECT_EQ(out, Cat({{static_cast<std::uint8_t>((83 << 6 | body.size()) & 0xFF), 0x14}, body}));
}

TEST(SwfEncoder, RandomOutlinesDecodeToTheirPoints) {
  // Long edges are split to fit 17-bit deltas; whatever the split, the
  // decoded path must pass through every given point and end where it should.
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> coord(-300000, 300000);
  for (int trial = 0; trial < 200; ++trial) {
    ShapeBuilder s;
    s.AddFill(Rgba{1, 2, 3, 4});
    s.AddLineStyle({40, Rgba{5, 6, 7, 8}});
    s.AddLineStyle({60, Rgba{5, 6, 7, 9}});
    std::vector<std::vector<std::pair<int, int>>> want;
    std::vector<int> wantLine;
    const int paths = 1 + trial % 4;
    for (int p = 0; p < paths; ++p) {
      std::vector<std::pair<int, int>> pts;
      const int n = 2 + (trial + p) % 5;
      for (int i = 0; i < n; ++i) pts.push_back({coord(rng), trial % 3 == 0 ? 77 : coord(rng)});
      const int line = p % 3;
      s.MoveTo(pts[0].first, pts[0].second, line == 0 ? 1 : 0, line);
      for (std::size_t i = 1; i < pts.size(); ++i) s.LineTo(pts[i].first, pts[i].second);
      want.push_back(pts);
      wantLine.push_back(line);
    }
    Bytes file;
    s.Finish(file, 9);
    const std::vector<Tag> tags = Tags(file, 0);
    ASSERT_EQ(tags.size(), 1u);
    const DecodedShape d = DecodeShape(file, tags[0]);
    ASSERT_EQ(d.paths.size(), want.size());
    for (std::size_t p = 0; p < want.size(); ++p) {
      EXPECT_EQ(d.pathLine[p], wantLine[p]);
      EXPECT_EQ(d.pathFill[p], wantLine[p] == 0 ? 1 : 0);
      // Every wanted point appears in order among the decoded ones.
      std::size_t k = 0;
      for (const auto& pt : d.paths[p])
        if (k < want[p].size() && pt == want[p][k]) ++k;
      EXPECT_EQ(k, want[p].size()) << "trial " << trial << " path " << p;
      EXPECT_EQ(d.paths[p].back(), want[p].back());
    }
  }
}

TEST(SwfMovie, FramesReplaceTheDisplayList) {
  Movie m;
  m.Begin(0, 0, 100, 50, 24.0, Rgba{255, 255, 255, 255});
  const Point tri[] = {{10, 10}, {20, 10}, {10, 20}};
  const Point triCw[] = {{10, 10}, {10, 20}, {20, 10}};
  for (int frame = 0; frame < 2; ++frame) {
    m.BeginFrame();
    m.AddPolygon(Rgba{255, 0, 0, 255}, tri);
    m.AddPolygon(Rgba{255, 0, 0, 255}, triCw);  // same run, turned round
    m.EndSurfaces();
    if (frame == 0) m.AddPolygon(Rgba{0, 0, 255, 255}, tri);
    m.EndSurfaces();
    m.AddLine({0, 0}, {50, 25}, 2.0f, Rgba{0, 0, 0, 255});
    m.AddLine({50, 25}, {90, 5}, 2.0f, Rgba{0, 0, 0, 255});
    m.AddLine({5, 5}, {5, 5}, 3.0f, Rgba{0, 0, 0, 255});
    m.EndLines();
    m.EndFrame();
  }
  Bytes file;
  m.Write(file);
  ASSERT_GE(file.size(), 21u);
  EXPECT_EQ(file[0], 'F');
  const std::uint32_t length = static_cast<std::uint32_t>(file[4] | file[5] << 8 | file[6] << 16 | file[7] << 24);
  EXPECT_EQ(length, file.size());
  // Header: 8 bytes, a 100 x 50 pixel stage in 12-bit fields (7 bytes), rate, count.
  EXPECT_EQ(file[15], 0x00);
  EXPECT_EQ(file[16], 24);
  EXPECT_EQ(file[17], 2);
  const std::vector<Tag> tags = Tags(file, 19);
  std::vector<std::uint16_t> codes;
  for (const Tag& t : tags) codes.push_back(t.code);
  EXPECT_EQ(codes, (std::vector<std::uint16_t>{69, 9, 83, 83, 83, 26, 26, 26, 1, 83, 83, 28, 28, 28, 26, 26, 1, 0}));
  EXPECT_EQ(m.ShapeCount(), 5u);
  EXPECT_EQ(m.FrameCount(), 2);

  // The merged run: both triangles, the second turned round to match the first.
  const DecodedShape run = DecodeShape(file, tags[2]);
  ASSERT_EQ(run.paths.size(), 2u);
  EXPECT_EQ(run.paths[0], run.paths[1]);
  EXPECT_EQ(run.paths[0].front(), (std::pair{200, 200}));
  // The lines: one path through the two joined segments, one for the dot.
  const DecodedShape lines = DecodeShape(file, tags[4]);
  EXPECT_EQ(lines.lines, 2);
  ASSERT_EQ(lines.paths.size(), 2u);
  EXPECT_EQ(lines.paths[0], (std::vector<std::pair<int, int>>{{0, 0}, {1000, 500}, {1800, 100}}));
  EXPECT_EQ(lines.paths[1], (std::vector<std::pair<int, int>>{{100, 100}, {101, 100}}));
  EXPECT_EQ(lines.pathLine[1], 2);
}

TEST(SwfMovie, StopsDefiningShapesPastTheLastId) {
  Movie m;
  m.Begin(0, 0, 10, 10, 30.0, Rgba{});
  m.BeginFrame();
  const Point tri[] = {{1, 1}, {2, 1}, {1, 2}};
  for (int i = 0; i < 65536; ++i) {
    m.AddPolygon(Rgba{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i >> 8), 0, 255}, tri);
    m.EndSurfaces();
    ASSERT_EQ(m.OutOfShapeIds(), i == 65535) << i;
  }
  m.EndFrame();
  EXPECT_EQ(m.ShapeCount(), 65535u);
  Bytes file;
  m.Write(file);
  const std::vector<Tag> tags = Tags(file, 8 + 6 + 4);  // 10 x 10 px: 9-bit fields, a 6-byte RECT
  std::size_t shapes = 0, places = 0;
  for (const Tag& t : tags) {
    shapes += t.code == kTagDefineShape4;
    places += t.code == kTagPlaceObject2;
  }
  EXPECT_EQ(shapes, 65535u);
  EXPECT_EQ(places, 65535u);
}
