#include "host/imaging/image_io.h"

#include <gtest/gtest.h>
#include <png.h>
#include <stb/stb_image_write.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "host/io/atomic_file.h"

namespace host {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

class ImageIoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "pw_image_io_XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  // Everything in the folder, so tests can see stray temporary files.
  std::vector<std::string> Listing() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  fs::path dir_;
};

Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bitmap RandomBitmap(int w, int h, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> dist(0, 65535);
  Bitmap bm;
  EXPECT_TRUE(bm.Create(w, h));
  for (BMM_Color_64& p : bm.Pixels()) {
    p = {static_cast<std::uint16_t>(dist(rng)), static_cast<std::uint16_t>(dist(rng)),
         static_cast<std::uint16_t>(dist(rng)), static_cast<std::uint16_t>(dist(rng))};
  }
  return bm;
}

void ExpectSamePixels(const Bitmap& a, const Bitmap& b) {
  ASSERT_EQ(a.Width(), b.Width());
  ASSERT_EQ(a.Height(), b.Height());
  const auto mismatch = std::mismatch(a.Pixels().begin(), a.Pixels().end(), b.Pixels().begin());
  EXPECT_TRUE(mismatch.first == a.Pixels().end()) << "first difference at pixel " << (mismatch.first - a.Pixels().begin());
}

constexpr BMM_Color_64 Grey16(std::uint16_t v, std::uint16_t a = 65535) { return {v, v, v, a}; }

// ------------------------------------------------------------------ PNG

TEST_F(ImageIoTest, Png16BitRoundTripsExactly) {
  struct Size {
    int w, h;
  };
  for (const Size s : {Size{7, 3}, Size{1, 1}, Size{3, 7}, Size{64, 2}}) {
    SCOPED_TRACE(std::to_string(s.w) + "x" + std::to_string(s.h));
    const Bitmap original = RandomBitmap(s.w, s.h, static_cast<unsigned>(s.w * 100 + s.h));
    const std::string path = Path("deep.png");
    std::string error;
    ASSERT_TRUE(WriteImage(path, original, {16}, &error)) << error;
    Bitmap back;
    BitmapInfo info;
    ASSERT_TRUE(ReadImage(path, back, &error, &info)) << error;
    ExpectSamePixels(original, back);
    EXPECT_EQ(info.name, path);
    EXPECT_EQ(info.format, ImageFormat::Png);
    EXPECT_EQ(info.bitsPerChannel, 16);
    EXPECT_TRUE(info.hasAlpha);
  }
}

// Two rows of boundary values spread over all four channels, the second row
// reversed, so channel order and row order mistakes show too.
constexpr std::array<std::uint16_t, 8> kBoundaryIn = {0, 128, 32767, 32768, 65535, 257 * 77, 129, 65406};
constexpr std::array<std::uint16_t, 8> kBoundaryOut = {0, 0, 127 * 257, 128 * 257, 65535, 257 * 77, 257, 254 * 257};

Bitmap BoundaryBitmap(const std::array<std::uint16_t, 8>& v) {
  Bitmap bm;
  EXPECT_TRUE(bm.Create(8, 2));
  for (int x = 0; x < 8; ++x) {
    auto at = [&](int i) { return v[static_cast<std::size_t>(i % 8)]; };
    bm.SetPixel(x, 0, {at(x), at(x + 1), at(x + 2), at(x + 3)});
    bm.SetPixel(7 - x, 1, {at(x + 3), at(x + 2), at(x + 1), at(x)});
  }
  return bm;
}

TEST_F(ImageIoTest, EightBitFilesRoundToNearest) {
  for (const char* name : {"low.png", "low.tga", "LOW.TGA"}) {
    SCOPED_TRACE(name);
    std::string error;
    ASSERT_TRUE(WriteImage(Path(name), BoundaryBitmap(kBoundaryIn), {8}, &error)) << error;
    Bitmap back;
    BitmapInfo info;
    ASSERT_TRUE(ReadImage(Path(name), back, &error, &info)) << error;
    EXPECT_EQ(info.bitsPerChannel, 8);
    ExpectSamePixels(BoundaryBitmap(kBoundaryOut), back);
  }
}

TEST_F(ImageIoTest, PngKeepsPixelAspect) {
  for (float aspect : {0.75f, 2.0f, 1.0f}) {
    Bitmap bm = RandomBitmap(2, 2, 1);
    bm.SetAspect(aspect);
    Bytes png;
    std::string error;
    ASSERT_TRUE(EncodePng(bm, 8, &png, &error)) << error;
    Bitmap back;
    ASSERT_TRUE(DecodePng(png, back, &error)) << error;
    EXPECT_NEAR(back.Aspect(), aspect, 1e-5f);
  }
}

// Encodes raw rows as a PNG of any kind, to feed the reader what other
// programs write.
struct PngSpec {
  int width, height, colorType, bitDepth;
  Bytes raw;  // packed rows as stored in the file (16-bit big-endian)
  std::vector<png_color> palette = {};
  Bytes trans = {};              // palette alpha
  std::uint16_t transGray = 0;   // gray key colour when `keyed`
  bool keyed = false;
  bool interlaced = false;
};

Bytes MakePng(const PngSpec& spec) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    ADD_FAILURE() << "libpng refused the test image";
    return {};
  }
  png_set_write_fn(
      png, &out, [](png_structp p, png_bytep d, std::size_t n) { static_cast<Bytes*>(png_get_io_ptr(p))->insert(static_cast<Bytes*>(png_get_io_ptr(p))->end(), d, d + n); },
      nullptr);
  png_set_IHDR(png, info, static_cast<png_uint_32>(spec.width), static_cast<png_uint_32>(spec.height), spec.bitDepth,
               spec.colorType, spec.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!spec.palette.empty()) png_set_PLTE(png, info, spec.palette.data(), static_cast<int>(spec.palette.size()));
  if (!spec.trans.empty()) png_set_tRNS(png, info, spec.trans.data(), static_cast<int>(spec.trans.size()), nullptr);
  png_color_16 key{};
  key.gray = spec.transGray;
  if (spec.keyed) png_set_tRNS(png, info, nullptr, 0, &key);
  png_write_info(png, info);
  const std::size_t stride = spec.raw.size() / static_cast<std::size_t>(spec.height);
  Bytes raw = spec.raw;
  for (int y = 0; y < spec.height; ++y) rows.push_back(raw.data() + stride * static_cast<std::size_t>(y));
  png_set_interlace_handling(png);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

TEST(PngRead, ExpandsEveryKindTo16BitRgba) {
  struct Case {
    const char* what;
    PngSpec spec;
    std::vector<BMM_Color_64> expected;
    bool hasAlpha;
  };
  const std::vector<Case> cases = {
      {"gray 8", {2, 1, PNG_COLOR_TYPE_GRAY, 8, {0, 200}}, {Grey16(0), Grey16(200 * 257)}, false},
      {"gray 16", {1, 1, PNG_COLOR_TYPE_GRAY, 16, {0x01, 0x02}}, {Grey16(0x0102)}, false},
      {"gray 1", {3, 1, PNG_COLOR_TYPE_GRAY, 1, {0xA0}}, {Grey16(65535), Grey16(0), Grey16(65535)}, false},
      {"gray keyed", {2, 1, PNG_COLOR_TYPE_GRAY, 8, {200, 7}, {}, {}, 200, true},
       {Grey16(200 * 257, 0), Grey16(7 * 257)}, true},
      {"gray+alpha 8", {1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {10, 20}}, {Grey16(2570, 5140)}, true},
      {"rgb 8", {1, 1, PNG_COLOR_TYPE_RGB, 8, {1, 2, 3}}, {{257, 514, 771, 65535}}, false},
      {"rgb 16", {1, 1, PNG_COLOR_TYPE_RGB, 16, {0x12, 0x34, 0xAB, 0xCD, 0xFF, 0x01}}, {{0x1234, 0xABCD, 0xFF01, 65535}},
       false},
      {"rgba 16", {1, 1, PNG_COLOR_TYPE_RGB_ALPHA, 16, {0, 1, 0, 2, 0, 3, 0x80, 0}}, {{1, 2, 3, 0x8000}}, true},
      {"palette+tRNS",
       {2, 1, PNG_COLOR_TYPE_PALETTE, 8, {1, 0}, {{255, 0, 0}, {0, 0, 255}}, {128}},
       {{0, 0, 65535, 65535}, {65535, 0, 0, 128 * 257}},
       true},
      {"palette 4-bit", {3, 1, PNG_COLOR_TYPE_PALETTE, 4, {0x10, 0x20}, {{0, 0, 0}, {10, 20, 30}, {255, 255, 255}}},
       {{2570, 5140, 7710, 65535}, Grey16(0), Grey16(65535)}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Bytes png = MakePng(c.spec);
    Bitmap bm;
    BitmapInfo info;
    std::string error;
    ASSERT_TRUE(DecodePng(png, bm, &error, &info)) << error;
    ASSERT_EQ(bm.Pixels().size(), c.expected.size());
    for (std::size_t i = 0; i < c.expected.size(); ++i) EXPECT_EQ(bm.Pixels()[i], c.expected[i]) << "pixel " << i;
    EXPECT_EQ(info.hasAlpha, c.hasAlpha);
    EXPECT_EQ(info.bitsPerChannel, c.spec.bitDepth);
  }
}

TEST(PngRead, InterlacedImagesComeOutWhole) {
  PngSpec spec{5, 4, PNG_COLOR_TYPE_RGB, 8, {}};
  for (int i = 0; i < 5 * 4 * 3; ++i) spec.raw.push_back(static_cast<std::uint8_t>(i * 4));
  spec.interlaced = true;
  Bitmap bm;
  std::string error;
  ASSERT_TRUE(DecodePng(MakePng(spec), bm, &error)) << error;
  for (int i = 0; i < 5 * 4; ++i) {
    const BMM_Color_64 p = bm.Pixels()[static_cast<std::size_t>(i)];
    EXPECT_EQ(p.r, i * 3 * 4 * 257);
    EXPECT_EQ(p.b, (i * 3 + 2) * 4 * 257);
  }
}

// Signature, an IHDR chunk with a correct CRC and the start of an IDAT chunk:
// as far as a reader gets before it must decide to allocate the image.
Bytes PngHeader(std::uint32_t w, std::uint32_t h) {
  Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  for (std::uint32_t v : {w, h}) {
    for (int shift = 24; shift >= 0; shift -= 8) b.push_back(static_cast<std::uint8_t>(v >> shift));
  }
  for (std::uint8_t v : {8, 6, 0, 0, 0}) b.push_back(v);  // 8-bit RGBA, no interlace
  const uLong crc = crc32(0, b.data() + 12, 17);
  for (int shift = 24; shift >= 0; shift -= 8) b.push_back(static_cast<std::uint8_t>(crc >> shift));
  b.insert(b.end(), {0, 0, 0, 100, 'I', 'D', 'A', 'T'});
  return b;
}

TEST(PngRead, BadInputFailsCleanlyAndLeavesTheBitmapAlone) {
  Bytes good;
  std::string error;
  ASSERT_TRUE(EncodePng(RandomBitmap(7, 3, 9), 16, &good, &error));
  Bytes flipped = good;
  flipped[good.size() / 2] ^= 0x55;
  const std::string text = "this is not an image\n";

  struct Case {
    std::string what;
    Bytes bytes;
    std::string message;  // expected start of the error
  };
  std::vector<Case> cases = {
      {"empty", {}, "not a PNG file (the file is empty)"},
      {"text", Bytes(text.begin(), text.end()), "not a PNG file"},
      {"flipped byte", flipped, "corrupt PNG file"},
      {"huge sides", PngHeader(100000, 2), "image too large (100000 x 2"},
      {"huge area", PngHeader(60000, 60000), "image too large"},
      {"zero width", PngHeader(0, 5), "corrupt PNG file"},
  };
  for (std::size_t n : {std::size_t{4}, std::size_t{8}, std::size_t{20}, std::size_t{33}, good.size() / 2,
                        good.size() - 13, good.size() - 1}) {
    const std::string expected = n < 8 ? "not a PNG file" : "truncated PNG file";
    cases.push_back({"first " + std::to_string(n) + " bytes", Bytes(good.begin(), good.begin() + static_cast<long>(n)),
                     expected});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bitmap bm;
    ASSERT_TRUE(bm.Create(1, 1));
    bm.Fill(Grey16(5));
    error.clear();
    EXPECT_FALSE(DecodePng(c.bytes, bm, &error));
    EXPECT_EQ(error.rfind(c.message, 0), 0u) << error;
    EXPECT_EQ(bm.Width(), 1);
    EXPECT_EQ(bm.GetPixel(0, 0), Grey16(5));
  }
}

// ------------------------------------------------------------------ TGA

TEST(TgaWrite, HeaderDescribesTopLeftBgra) {
  Bitmap bm;
  ASSERT_TRUE(bm.Create(300, 2));
  bm.SetPixel(0, 0, {257 * 1, 257 * 2, 257 * 3, 257 * 4});
  Bytes tga;
  std::string error;
  ASSERT_TRUE(EncodeTga(bm, &tga, &error)) << error;
  ASSERT_EQ(tga.size(), 18u + 300 * 2 * 4);
  EXPECT_EQ(tga[2], 2);                      // uncompressed true colour
  EXPECT_EQ(tga[12] | (tga[13] << 8), 300);  // width, little-endian
  EXPECT_EQ(tga[14] | (tga[15] << 8), 2);
  EXPECT_EQ(tga[16], 32);
  EXPECT_EQ(tga[17], 0x28);  // top-left origin, 8 alpha bits
  EXPECT_EQ((Bytes{tga.begin() + 18, tga.begin() + 22}), (Bytes{3, 2, 1, 4}));
}

Bytes StbTga(int w, int h, int comp, const Bytes& pixels, bool rle) {
  Bytes out;
  const int saved = stbi_write_tga_with_rle;
  stbi_write_tga_with_rle = rle ? 1 : 0;
  stbi_write_tga_to_func([](void* ctx, void* data, int size) {
    auto* b = static_cast<Bytes*>(ctx);
    b->insert(b->end(), static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + size);
  }, &out, w, h, comp, pixels.data());
  stbi_write_tga_with_rle = saved;
  return out;
}

TEST(TgaRead, ReadsOtherWritersLayoutsAndRejectsTruncation) {
  // 3x2 RGB with a repeated run for the RLE encoder; stb writes rows bottom-up.
  const Bytes rgb = {10, 20, 30, 10, 20, 30, 10, 20, 30, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  for (bool rle : {false, true}) {
    SCOPED_TRACE(rle ? "rle" : "raw");
    const Bytes tga = StbTga(3, 2, 3, rgb, rle);
    Bitmap bm;
    std::string error;
    ASSERT_TRUE(DecodeImage(tga, ImageFormat::Tga, bm, &error)) << error;
    EXPECT_EQ(bm.GetPixel(2, 0), (BMM_Color_64{10 * 257, 20 * 257, 30 * 257, 65535}));
    EXPECT_EQ(bm.GetPixel(1, 1), (BMM_Color_64{4 * 257, 5 * 257, 6 * 257, 65535}));

    for (std::size_t cut : {std::size_t{1}, std::size_t{4}}) {
      error.clear();
      EXPECT_FALSE(DecodeImage(Bytes(tga.begin(), tga.end() - static_cast<long>(cut)), ImageFormat::Tga, bm, &error));
      EXPECT_EQ(error, "truncated TGA file");
    }
  }
}

// ------------------------------------------------------------------ BMP, JPEG

void Put16(Bytes& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}

// A BITMAPINFOHEADER BMP; a negative height stores rows top-down.
Bytes MakeBmp(int w, int h, int bpp, const Bytes& pixelData) {
  Bytes b(54 + pixelData.size());
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<std::uint32_t>(54 + pixelData.size()));
  Put32(b, 10, 54);
  Put32(b, 14, 40);
  Put32(b, 18, static_cast<std::uint32_t>(w));
  Put32(b, 22, static_cast<std::uint32_t>(h));
  Put16(b, 26, 1);
  Put16(b, 28, static_cast<std::uint32_t>(bpp));
  Put32(b, 34, static_cast<std::uint32_t>(pixelData.size()));
  std::copy(pixelData.begin(), pixelData.end(), b.begin() + 54);
  return b;
}

TEST_F(ImageIoTest, ReadsHandBuiltBmps) {
  // 24-bit, bottom-up, rows padded from 9 to 12 bytes; BGR order.
  const Bytes bottomUp = {
      1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0,               // bottom row
      10, 20, 30, 40, 50, 60, 70, 80, 90, 0, 0, 0,      // top row
  };
  WriteBytes(Path("rgb.bmp"), MakeBmp(3, 2, 24, bottomUp));
  Bitmap bm;
  BitmapInfo info;
  std::string error;
  ASSERT_TRUE(ReadImage(Path("rgb.bmp"), bm, &error, &info)) << error;
  EXPECT_EQ(info.format, ImageFormat::Bmp);
  EXPECT_FALSE(info.hasAlpha);
  EXPECT_EQ(bm.GetPixel(0, 0), (BMM_Color_64{30 * 257, 20 * 257, 10 * 257, 65535}));
  EXPECT_EQ(bm.GetPixel(2, 1), (BMM_Color_64{9 * 257, 8 * 257, 7 * 257, 65535}));

  // 32-bit, top-down, with alpha.
  const Bytes topDown = {0, 0, 255, 128, 255, 0, 0, 255, 1, 2, 3, 0, 9, 9, 9, 9};
  WriteBytes(Path("alpha.BMP"), MakeBmp(2, -2, 32, topDown));
  ASSERT_TRUE(ReadImage(Path("alpha.BMP"), bm, &error)) << error;
  EXPECT_EQ(bm.GetPixel(0, 0), (BMM_Color_64{65535, 0, 0, 128 * 257}));
  EXPECT_EQ(bm.GetPixel(1, 0), (BMM_Color_64{0, 0, 65535, 65535}));
  EXPECT_EQ(bm.GetPixel(0, 1), (BMM_Color_64{3 * 257, 2 * 257, 257, 0}));

  Bytes cut = MakeBmp(3, 2, 24, bottomUp);
  cut.resize(cut.size() - 3);
  WriteBytes(Path("cut.bmp"), cut);
  EXPECT_FALSE(ReadImage(Path("cut.bmp"), bm, &error));
  EXPECT_EQ(error, Path("cut.bmp") + ": truncated BMP file (75 bytes, the header calls for 78)");
}

TEST_F(ImageIoTest, ReadsJpegAndRejectsATruncatedOne) {
  // A flat colour survives JPEG almost unchanged.
  Bytes rgb;
  for (int i = 0; i < 16 * 16; ++i) rgb.insert(rgb.end(), {200, 100, 50});
  Bytes jpg;
  ASSERT_NE(stbi_write_jpg_to_func([](void* ctx, void* data, int size) {
    auto* b = static_cast<Bytes*>(ctx);
    b->insert(b->end(), static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + size);
  }, &jpg, 16, 16, 3, rgb.data(), 100), 0);
  WriteBytes(Path("flat.jpeg"), jpg);
  Bitmap bm;
  std::string error;
  ASSERT_TRUE(ReadImage(Path("flat.jpeg"), bm, &error)) << error;
  ASSERT_EQ(bm.Width(), 16);
  for (const BMM_Color_64& p : bm.Pixels()) {
    EXPECT_NEAR(p.r, 200 * 257, 2 * 257);
    EXPECT_NEAR(p.g, 100 * 257, 2 * 257);
    EXPECT_NEAR(p.b, 50 * 257, 2 * 257);
    ASSERT_EQ(p.a, 65535);
  }

  // Misnamed: a JPEG in a .png file is still read as the JPEG it is.
  WriteBytes(Path("misnamed.png"), jpg);
  EXPECT_TRUE(ReadImage(Path("misnamed.png"), bm, &error)) << error;

  jpg.resize(jpg.size() / 2);
  WriteBytes(Path("cut.jpg"), jpg);
  EXPECT_FALSE(ReadImage(Path("cut.jpg"), bm, &error));
  EXPECT_EQ(error, Path("cut.jpg") + ": truncated JPEG file (no end-of-image marker)");
}

// ------------------------------------------------------------------ files

TEST_F(ImageIoTest, FileErrorsNameTheFileAndTheProblem) {
  Bitmap bm = RandomBitmap(2, 2, 3);
  WriteBytes(Path("notes.png"), {'h', 'e', 'l', 'l', 'o'});
  WriteBytes(Path("notes.tga"), {'h', 'e', 'l', 'l', 'o'});
  fs::create_directory(Path("folder.png"));
  ASSERT_EQ(::mkfifo(Path("pipe.png").c_str(), 0600), 0);
  struct Case {
    std::string path;
    std::string message;
  };
  const std::vector<Case> reads = {
      {Path("missing.jpg"), Path("missing.jpg") + ": cannot open: No such file or directory"},
      {Path("notes.png"), Path("notes.png") + ": not a PNG file"},
      {Path("notes.tga"), Path("notes.tga") + ": not a TGA file (shorter than a TGA header)"},
      {Path("folder.png"), Path("folder.png") + ": cannot read: Is a directory"},
      // Refused, not waited on for a writer.
      {Path("pipe.png"), Path("pipe.png") + ": cannot read: not a regular file (a pipe, socket or device)"},
      {Path("pic.gif"), Path("pic.gif") + ": unknown image file extension '.gif' (use .png, .tga, .jpg, .jpeg or .bmp)"},
      {Path("README"), Path("README") + ": no file extension (use .png, .tga, .jpg, .jpeg or .bmp)"},
  };
  for (const Case& c : reads) {
    std::string error;
    EXPECT_FALSE(ReadImage(c.path, bm, &error));
    EXPECT_EQ(error, c.message);
  }
  fs::remove(Path("pipe.png"));
  EXPECT_EQ(bm.Width(), 2);

  struct WriteCase {
    std::string path;
    int bits;
    std::string message;
  };
  const std::vector<WriteCase> writes = {
      {Path("out.jpg"), 8, Path("out.jpg") + ": writing JPEG files is not supported (use .png or .tga)"},
      {Path("out.tga"), 16, Path("out.tga") + ": TGA files hold 8 bits a channel, not 16 (write a .png file for 16 bits)"},
      {Path("out.png"), 12, Path("out.png") + ": PNG files hold 8 or 16 bits a channel, not 12"},
      {Path("out.webp"), 8, Path("out.webp") + ": unknown image file extension '.webp' (use .png, .tga, .jpg, .jpeg or .bmp)"},
      {Path("no/such/dir/out.png"), 8, Path("no/such/dir/out.png") + ": cannot create file: No such file or directory"},
  };
  for (const WriteCase& c : writes) {
    std::string error;
    EXPECT_FALSE(WriteImage(c.path, bm, {c.bits}, &error));
    EXPECT_EQ(error, c.message);
  }
  std::string error;
  EXPECT_FALSE(WriteImage(Path("empty.png"), Bitmap{}, {8}, &error));
  EXPECT_EQ(error, Path("empty.png") + ": cannot write an empty image");
  EXPECT_EQ(Listing(), (std::vector<std::string>{"folder.png", "notes.png", "notes.tga"}));
}

TEST_F(ImageIoTest, FailedWritesLeaveTheOldFileAndNoLeftovers) {
  const std::string path = Path("frame.png");
  std::string error;
  ASSERT_TRUE(WriteImage(path, RandomBitmap(5, 5, 1), {16}, &error)) << error;
  ::chmod(path.c_str(), 0640);
  const Bytes before = ReadBytes(path);

  // Refused before any file is touched.
  EXPECT_FALSE(WriteImage(path, RandomBitmap(5, 5, 2), {12}, &error));
  EXPECT_EQ(ReadBytes(path), before);

  // Fails half-way: written but never committed.
  {
    AtomicFile file;
    ASSERT_TRUE(file.Open(path, &error)) << error;
    std::fputs("partial", file.File());
    EXPECT_EQ(Listing().size(), 2u);  // the temporary file sits next to the target
  }
  EXPECT_EQ(ReadBytes(path), before);
  EXPECT_EQ(Listing(), std::vector<std::string>{"frame.png"});

  // Fails at the very end: the target is a folder that cannot be replaced.
  fs::create_directories(Path("busy.png/inside"));
  EXPECT_FALSE(WriteImage(Path("busy.png"), RandomBitmap(5, 5, 3), {8}, &error));
  EXPECT_EQ(error.rfind(Path("busy.png") + ": cannot replace file: ", 0), 0u) << error;
  EXPECT_EQ(Listing(), (std::vector<std::string>{"busy.png", "frame.png"}));

  // A successful rewrite replaces the content and keeps the permissions.
  const Bitmap next = RandomBitmap(5, 5, 4);
  ASSERT_TRUE(WriteImage(path, next, {16}, &error)) << error;
  Bitmap back;
  ASSERT_TRUE(ReadImage(path, back, &error)) << error;
  ExpectSamePixels(next, back);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

// A write told to stop at any of its steps, a row or the last moment
// before the rename, leaves the old file and nothing else; told nothing,
// it reports every row in order and writes the picture.
TEST_F(ImageIoTest, AWriteStoppedAtAnyStepLeavesTheOldFile) {
  const Bitmap image = RandomBitmap(7, 5, 9);
  for (const char* name : {"frame.png", "frame.tga"}) {
    const std::string path = Path(name);
    WriteBytes(path, {'o', 'l', 'd'});
    const int steps = image.Height() + 1;
    for (int stopAt = 1; stopAt <= steps; ++stopAt) {
      int calls = 0;
      std::string error;
      const ImageWriteOptions options(8, [&](int done, int total) {
        ++calls;
        EXPECT_EQ(total, steps);
        EXPECT_EQ(done, calls) << "one report a step, in order";
        return done < stopAt;
      });
      EXPECT_FALSE(WriteImage(path, image, options, &error)) << name << " stopped at " << stopAt;
      EXPECT_EQ(error, path + ": cancelled");
      EXPECT_EQ(calls, stopAt);
      EXPECT_EQ(ReadBytes(path), (Bytes{'o', 'l', 'd'})) << name << " stopped at " << stopAt;
      EXPECT_EQ(Listing().size(), 1u) << "no temporary file left";
    }
    int calls = 0;
    std::string error;
    ASSERT_TRUE(WriteImage(path, image, ImageWriteOptions(8, [&](int, int) { return ++calls > 0; }), &error))
        << error;
    EXPECT_EQ(calls, steps);
    Bitmap back;
    ASSERT_TRUE(ReadImage(path, back, &error)) << error;
    EXPECT_EQ(back.Width(), image.Width());
    fs::remove(path);
  }
}

TEST(ImageFormat, ComesFromTheExtensionInAnyCase) {
  EXPECT_EQ(FormatFromPath("a/b/Shot0001.PNG"), ImageFormat::Png);
  EXPECT_EQ(FormatFromPath("x.Jpeg"), ImageFormat::Jpeg);
  EXPECT_EQ(FormatFromPath("x.jpg"), ImageFormat::Jpeg);
  EXPECT_EQ(FormatFromPath("x.tga"), ImageFormat::Tga);
  EXPECT_EQ(FormatFromPath("x.bmp"), ImageFormat::Bmp);
  EXPECT_EQ(FormatFromPath("renders.png/frame"), ImageFormat::Unknown);
  EXPECT_EQ(FormatFromPath(".png"), ImageFormat::Unknown);  // a hidden file, not an extension
  EXPECT_EQ(FormatFromPath("x.png.bak"), ImageFormat::Unknown);
}

}  // namespace
}  // namespace host
