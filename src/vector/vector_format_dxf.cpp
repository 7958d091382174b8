#include "vector/vector_format_dxf.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

#include "host/services/interface.h"
#include "vector/vector_number.h"

namespace pw {

namespace {

const PwVectorFormatParamsDXF kDefaults;

// Colour numbers 10..249: 24 hues 15 degrees apart, each in five shades,
// every shade full and half saturated.
std::array<PwRGB8, 256> BuildPalette() {
  std::array<PwRGB8, 256> p{};
  const PwRGB8 fixed[10] = {{0, 0, 0},       {250, 0, 0},   {250, 250, 0},   {0, 250, 0},     {0, 250, 250},
                            {0, 0, 250},     {250, 0, 250}, {250, 250, 250}, {135, 135, 135}, {203, 203, 203}};
  for (int i = 0; i < 10; ++i) p[static_cast<std::size_t>(i)] = fixed[i];
  const double values[5] = {255, 204, 153, 127, 76};
  for (int i = 10; i < 250; ++i) {
    const double hue = (i / 10 - 1) * 15.0;
    const double v = values[(i % 10) / 2];
    const double sat = (i % 2) ? 0.5 : 1.0;
    const double lo = v * (1.0 - sat);
    const int sector = static_cast<int>(hue / 60.0);
    const double f = (hue - sector * 60.0) / 60.0;
    const double rise = lo + (v - lo) * f, fall = v - (v - lo) * f;
    double r = 0, g = 0, b = 0;
    switch (sector) {
      case 0: r = v, g = rise, b = lo; break;
      case 1: r = fall, g = v, b = lo; break;
      case 2: r = lo, g = v, b = rise; break;
      case 3: r = lo, g = fall, b = v; break;
      case 4: r = rise, g = lo, b = v; break;
      default: r = v, g = lo, b = fall; break;
    }
    p[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                                      static_cast<std::uint8_t>(b)};
  }
  const std::uint8_t greys[6] = {84, 118, 152, 186, 220, 255};
  for (int i = 0; i < 6; ++i) p[static_cast<std::size_t>(250 + i)] = {greys[i], greys[i], greys[i]};
  return p;
}

const std::array<PwRGB8, 256> kPalette = BuildPalette();

bool Reserved(char c) {
  return std::strchr("()<>/\\\":?*|,='`;.", c) != nullptr && c != '\0';
}

}  // namespace

const PwRGB8* AciPalette() { return kPalette.data(); }

int NearestAciColor(PwVectorColor color) {
  const int r = color.r >> 8, g = color.g >> 8, b = color.b >> 8;
  int best = 0;
  int bestDistance = 1 << 30;
  for (int i = 0; i < 256; ++i) {
    const PwRGB8& e = kPalette[static_cast<std::size_t>(i)];
    const int dr = r - e.r, dg = g - e.g, db = b - e.b;
    const int d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}

std::string CleanLayerName(std::string_view name, bool* anyKept) {
  std::string cleaned(name);
  bool kept = false;
  for (char& c : cleaned) {
    if (std::isspace(static_cast<unsigned char>(c)) || Reserved(c))
      c = '_';
    else
      kept = true;
  }
  if (anyKept) *anyKept = kept;
  return cleaned;
}

std::string LineTypeNameDXF(std::int32_t mask) {
  char text[8];
  return std::string(text, FormatHexUpper(static_cast<unsigned>(mask), text));
}

const PwVectorFormatParamsDXF& PwVectorFormatDXF::Options() const {
  const auto* p = dynamic_cast<const PwVectorFormatParamsDXF*>(params.get());
  return p ? *p : kDefaults;
}

void PwVectorFormatDXF::SetParameters(const PwVectorFormatParams& record) { PwVectorFormat::SetParameters(record); }

bool PwVectorFormatDXF::BeginFrame(bool output, bool previewWanted, bool surfaces, bool lines) {
  const std::uint16_t bg = Options().previewLikeAutoCad ? 0 : 0xFFFF;
  backgroundColor = PwVectorColor{bg, bg, bg, 0xFFFF};
  layer_ = "0";
  return PwVectorFormat::BeginFrame(output, previewWanted, surfaces, lines);
}

bool PwVectorFormatDXF::WriteHeader() {
  const PwVectorFormatParamsDXF& o = Options();
  out.Put("0\nSECTION\n2\nHEADER");
  out.Put("\n9\n$ACADVER\n1\nAC1006");
  out.Put("\n9\n$UCSORG\n10\n0.0\n20\n0.0\n30\n0.0");
  out.Put("\n9\n$UCSXDIR\n10\n1.0\n20\n0.0\n30\n0.0");
  out.Put("\n9\n$UCSYDIR\n10\n0.0\n20\n1.0\n30\n0.0");
  out.Put("\n9\n$TILEMODE\n70\n1");
  out.Put("\n9\n$FILLMODE\n70\n1");
  out.Printf("\n9\n$EXTMIN\n10\n%f\n20\n%f\n30\n0.0", bounds[0], bounds[1]);
  out.Printf("\n9\n$EXTMAX\n10\n%f\n20\n%f\n30\n0.0", bounds[2], bounds[3]);
  out.Put("\n0\nENDSEC");
  out.Put("\n0\nSECTION\n2\nTABLES");

  // Line types: one per distinct dash mask of the library's strokes, named
  // by the mask so the entities can name their line type from the mask alone.
  tableMasks_.clear();
  std::vector<const PwVectorStroke*> entries;
  if (o.lineStyles) {
    for (const PwVectorStroke& s : frameInfo.strokes) {
      if (std::find(tableMasks_.begin(), tableMasks_.end(), s.mask) != tableMasks_.end()) continue;
      tableMasks_.push_back(s.mask);
      entries.push_back(&s);
    }
  }
  out.Printf("\n0\nTABLE\n2\nLTYPE\n70\n%d", static_cast<int>(entries.size()) + 1);
  out.Put("\n0\nLTYPE\n2\nCONTINUOUS\n70\n64\n3\nSolid\n72\n65\n73\n0\n40\n0.0");
  for (const PwVectorStroke* s : entries) {
    const std::string id = LineTypeNameDXF(s->mask);
    if (s->mask == -1) {
      out.Printf("\n0\nLTYPE\n2\n%s\n70\n64\n3\n%s\n72\n65\n73\n0\n40\n0.0", id.c_str(), s->name.c_str());
      continue;
    }
    std::string elements;
    char number[kFixed6Room];
    int count = 0;
    const auto mask = static_cast<std::uint32_t>(s->mask);
    for (int i = 0; i < 32;) {
      const bool bit = (mask >> i & 1u) != 0;
      int k = 0;
      while (i < 32 && ((mask >> i & 1u) != 0) == bit) ++i, ++k;
      elements += "\n49\n";
      elements.append(number, FormatFixed6(bit ? 0.7 * k : -0.7 * k, number));
      ++count;
    }
    out.Printf("\n0\nLTYPE\n2\n%s\n70\n64\n3\n%s\n72\n65\n73\n%d\n40\n%.6f%s", id.c_str(), s->name.c_str(), count,
               32 * 0.7, elements.c_str());
  }
  out.Put("\n0\nENDTAB");

  // Layers: each cleaned name once; "0" always exists.
  std::vector<std::string> layers;
  if (o.createLayers) {
    const auto& names = o.LayersBy() == PwDXFLayersBy::Style ? frameInfo.styleNames : frameInfo.objectNames;
    for (const std::string& name : names) {
      bool kept = false;
      std::string cleaned = CleanLayerName(name, &kept);
      if (!kept) host::WarningMessage("Layer name \"%s\" contains no valid characters.", name.c_str());
      if (cleaned == "0" || std::find(layers.begin(), layers.end(), cleaned) != layers.end()) continue;
      layers.push_back(std::move(cleaned));
    }
  }
  out.Printf("\n0\nTABLE\n2\nLAYER\n70\n%d", static_cast<int>(layers.size()) + 1);
  out.Put("\n0\nLAYER\n2\n0\n70\n0\n62\n7\n6\nCONTINUOUS");
  for (const std::string& name : layers) out.Printf("\n0\nLAYER\n2\n%s\n70\n0\n62\n7\n6\nCONTINUOUS", name.c_str());
  out.Put("\n0\nENDTAB");
  out.Put("\n0\nENDSEC");
  out.Put("\n0\nSECTION\n2\nENTITIES");
  return !out.Failed();
}

bool PwVectorFormatDXF::WriteTrailer() {
  out.Put("\n0\nENDSEC\n0\nEOF");
  return !out.Failed();
}

void PwVectorFormatDXF::BeginObject(const PwVectorObject& object) {
  const PwVectorFormatParamsDXF& o = Options();
  if (!o.createLayers) return;
  layer_ = CleanLayerName(o.LayersBy() == PwDXFLayersBy::Style ? object.styleName : object.nodeName, nullptr);
  if (layer_.empty()) layer_ = "0";
}

void PwVectorFormatDXF::PutVertex(const PwVectorPoint& p) {
  out.Printf("\n0\nVERTEX\n8\n%s\n10\n%.6f\n20\n%.6f\n30\n%.6f", layer_.c_str(), p.x, bounds[3] - p.y, 0.0);
}

PwVectorColor PwVectorFormatDXF::PreviewColor(int aci) const {
  const bool likeCad = Options().previewLikeAutoCad != 0;
  if (likeCad && aci == 0) return {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
  if (!likeCad && aci == 7) return {0, 0, 0, 0xFFFF};
  const PwRGB8& e = kPalette[static_cast<std::size_t>(aci)];
  return {static_cast<std::uint16_t>(e.r * 257), static_cast<std::uint16_t>(e.g * 257),
          static_cast<std::uint16_t>(e.b * 257), 0xFFFF};
}

int PwVectorFormatDXF::ColorNumber(PwVectorColor color) {
  if (!Options().aciColors) return 7;
  if (lastAci_ < 0 || !(color == lastAciColor_)) {
    lastAci_ = NearestAciColor(color);
    lastAciColor_ = color;
  }
  return lastAci_;
}

void PwVectorFormatDXF::DrawSegment(const PwVectorPoint& p0, const PwVectorPoint& p1) {
  const PwVectorFormatParamsDXF& o = Options();
  if (!outputOn && !previewOn) return;
  const int aci = ColorNumber(strokeColor);
  if (outputOn) {
    out.Put("\n0\nPOLYLINE\n66\n1\n70\n0");
    out.Printf("\n8\n%s", layer_.c_str());
    if (o.lineStyles) {
      // A mask no library stroke defines has no line type to refer to; such
      // a line is drawn solid rather than naming a missing table entry.
      if (std::find(tableMasks_.begin(), tableMasks_.end(), dashPattern) != tableMasks_.end())
        out.Printf("\n6\n%X", static_cast<unsigned>(dashPattern));
      else
        out.Put("\n6\nCONTINUOUS");
    }
    if (o.lineWidths) out.Printf("\n39\n%.6f\n40\n%.6f\n41\n%.6f", lineWidth, lineWidth, lineWidth);
    if (o.aciColors) out.Printf("\n62\n%d", aci);
    PutVertex(p0);
    PutVertex(p1);
    out.Put("\n0\nSEQEND");
  }
  PreviewDrawLine(p0, p1, o.lineWidths ? lineWidth : 1.0f, o.lineStyles ? dashPattern : -1, PreviewColor(aci));
}

void PwVectorFormatDXF::DrawPolygon(const PwVectorPolygon& polygon) {
  const PwVectorFormatParamsDXF& o = Options();
  strokeColor = fillColor;
  if (!outputOn && !previewOn) return;
  const int aci = ColorNumber(fillColor);
  if (outputOn) {
    out.Put("\n0\nPOLYLINE\n66\n1\n70\n1");
    out.Printf("\n8\n%s", layer_.c_str());
    if (o.aciColors) out.Printf("\n62\n%d", aci);
    for (const PwVectorPoint& p : polygon.points) PutVertex(p);
    out.Put("\n0\nSEQEND");
  }
  PreviewFillPolygon(polygon, PreviewColor(aci));
}

}  // namespace pw
