#include "render_args.h"

#include <charconv>
#include <filesystem>
#include <system_error>

#include "host/imaging/bitmap.h"
#include "vector_options.h"

namespace pw::cli {

namespace {

bool Fail(std::string* error, std::string message) {
  if (error) *error = std::move(message);
  return false;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

// An integer at the front of text (an optional '-', then digits); the rest
// is left in text.
std::optional<int> TakeInteger(std::string_view& text) {
  int value = 0;
  const char* begin = text.data();
  const auto [end, ec] = std::from_chars(begin, begin + text.size(), value);
  if (ec != std::errc() || end == begin) return std::nullopt;
  text.remove_prefix(static_cast<std::size_t>(end - begin));
  return value;
}

// Two spellings of one file: the same path once made absolute and tidied,
// whether or not the file exists yet.
bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec1, ec2;
  const auto pa = std::filesystem::weakly_canonical(std::filesystem::absolute(a, ec1), ec1);
  const auto pb = std::filesystem::weakly_canonical(std::filesystem::absolute(b, ec2), ec2);
  if (ec1 || ec2) return a == b;
  return pa == pb;
}

// A whole number given for `option`.
bool TakeOptionInteger(const std::string& text, const char* option, int* out, std::string* error) {
  const std::optional<int> v = ParseInteger(text);
  if (!v) return Fail(error, std::string(option) + ": " + Quoted(text) + " is not a whole number");
  *out = *v;
  return true;
}

bool CheckSize(const RenderArgs& args, RenderPlan* plan, std::string* error) {
  auto check = [&](bool given, const std::string& text, const char* option, std::optional<int>* out) {
    if (!given) return true;
    int value = 0;
    if (!TakeOptionInteger(text, option, &value, error)) return false;
    if (value < 1 || value > host::Bitmap::kMaxSide)
      return Fail(error, std::string(option) + ": " + std::to_string(value) + " is not a size in pixels (1 to " +
                             std::to_string(host::Bitmap::kMaxSide) + ")");
    *out = value;
    return true;
  };
  if (!check(args.widthGiven, args.width, "--width", &plan->width) ||
      !check(args.heightGiven, args.height, "--height", &plan->height))
    return false;
  if (plan->width && plan->height && !host::Bitmap::ValidSize(*plan->width, *plan->height))
    return Fail(error, "--width/--height: " + std::to_string(*plan->width) + " x " + std::to_string(*plan->height) +
                           " pixels is more than a picture can hold");
  return true;
}

bool CheckFrames(const RenderArgs& args, RenderPlan* plan, std::string* error) {
  if (args.framesGiven && args.frameGiven) return Fail(error, "--frame and --frames cannot be used together");
  if (args.frameGiven) {
    int frame = 0;
    if (!TakeOptionInteger(args.frame, "--frame", &frame, error)) return false;
    plan->frameChoice = FrameChoice::One;
    plan->frames = {frame, frame};
  } else if (args.framesGiven) {
    const std::optional<FrameRange> range = ParseFrameRange(args.frames, error);
    if (!range) return false;
    plan->frameChoice = FrameChoice::Range;
    plan->frames = *range;
  }
  return true;
}

bool CheckOutputs(const RenderArgs& args, RenderPlan* plan, std::string* error) {
  if (args.output.empty()) return Fail(error, "-o/--output: no output file given");
  if (!CheckVectorOutput(args, plan, error)) return false;
  if (IsVectorPlan(*plan)) {
    plan->outputPath = args.output;
    if (!args.linesOut.empty() || !args.surfacesOut.empty())
      return Fail(error, "--lines-out/--surfaces-out: a vector render draws no picture layers");
    return true;
  }
  const std::optional<host::ImageFormat> format = OutputFormatOf(args.output, "-o/--output", error);
  if (!format) return false;
  plan->outputPath = args.output;
  plan->format = *format;
  const std::optional<int> depth = ParseInteger(args.depth);
  if (depth != 8 && depth != 16)
    return Fail(error, "--depth: " + Quoted(args.depth) + " is not a depth (8 or 16 bits a channel)");
  if (depth == 16 && plan->format != host::ImageFormat::Png)
    return Fail(error, "--depth 16: " + Quoted(args.output) + " is a TGA file, which holds 8 bits a channel; use .png");
  plan->bitsPerChannel = *depth;
  plan->keepAlpha = args.transparent;

  if (!args.linesOut.empty() && !OutputFormatOf(args.linesOut, "--lines-out", error)) return false;
  if (!args.surfacesOut.empty() && !OutputFormatOf(args.surfacesOut, "--surfaces-out", error)) return false;
  plan->linesOut = args.linesOut;
  plan->surfacesOut = args.surfacesOut;

  const std::pair<const char*, const std::string*> files[] = {
      {"-o/--output", &plan->outputPath}, {"--lines-out", &plan->linesOut}, {"--surfaces-out", &plan->surfacesOut}};
  for (std::size_t i = 0; i < std::size(files); ++i)
    for (std::size_t j = i + 1; j < std::size(files); ++j)
      if (!files[i].second->empty() && !files[j].second->empty() && SameFile(*files[i].second, *files[j].second))
        return Fail(error, std::string(files[i].first) + " and " + files[j].first + " name the same file " +
                               Quoted(*files[i].second));
  return true;
}

}  // namespace

std::optional<int> ParseInteger(std::string_view text) {
  text = Trimmed(text);
  std::optional<int> value = TakeInteger(text);
  if (!value || !text.empty()) return std::nullopt;
  return value;
}

std::optional<FrameRange> ParseFrameRange(std::string_view text, std::string* error) {
  std::string_view rest = Trimmed(text);
  const std::optional<int> first = TakeInteger(rest);
  std::optional<int> last = first;
  if (first && !rest.empty()) {
    last.reset();
    if (rest.front() == '-') {
      rest.remove_prefix(1);
      last = TakeInteger(rest);
    }
  }
  if (!first || !last || !rest.empty()) {
    Fail(error, "--frames: " + Quoted(text) + " is not a range of frames (FIRST-LAST, e.g. 0-47)");
    return std::nullopt;
  }
  if (*first > *last) {
    Fail(error, "--frames: " + Quoted(text) + ": the first frame comes after the last");
    return std::nullopt;
  }
  return FrameRange{*first, *last};
}

std::optional<host::Color> ParseBackground(std::string_view text, std::string* error) {
  float rgb[3] = {};
  std::string_view rest = text;
  bool ok = true;
  for (int i = 0; i < 3 && ok; ++i) {
    if (i > 0) {
      rest = Trimmed(rest);
      ok = !rest.empty() && rest.front() == ',';
      if (ok) rest.remove_prefix(1);
    }
    rest = Trimmed(rest);
    const char* end = rest.data() + rest.size();
    const auto [ptr, ec] = std::from_chars(rest.data(), end, rgb[i]);
    ok = ok && ec == std::errc() && rgb[i] >= 0.0f && rgb[i] <= 1.0f;
    if (ok) rest.remove_prefix(static_cast<std::size_t>(ptr - rest.data()));
  }
  if (!ok || !Trimmed(rest).empty()) {
    Fail(error, "--background: " + Quoted(text) + " is not a colour (R,G,B from 0 to 1, e.g. 1,1,1 for white)");
    return std::nullopt;
  }
  return host::Color(rgb[0], rgb[1], rgb[2]);
}

std::optional<PixelRegion> ParseRegion(std::string_view text, std::string* error) {
  int values[4] = {};
  std::string_view rest = text;
  bool ok = true;
  for (int i = 0; i < 4 && ok; ++i) {
    if (i > 0) {
      rest = Trimmed(rest);
      ok = !rest.empty() && rest.front() == ',';
      if (ok) rest.remove_prefix(1);
    }
    rest = Trimmed(rest);
    const std::optional<int> v = ok ? TakeInteger(rest) : std::nullopt;
    ok = ok && v.has_value();
    if (ok) values[i] = *v;
  }
  if (!ok || !Trimmed(rest).empty()) {
    Fail(error, "--region: " + Quoted(text) + " is not a region (x0,y0,x1,y1 in pixels, e.g. 10,10,99,79)");
    return std::nullopt;
  }
  const PixelRegion r{values[0], values[1], values[2], values[3]};
  if (r.x0 < 0 || r.y0 < 0) {
    Fail(error, "--region: " + Quoted(text) + ": a corner lies left of or above the picture");
    return std::nullopt;
  }
  if (r.x0 > r.x1 || r.y0 > r.y1) {
    Fail(error, "--region: " + Quoted(text) + ": x0,y0 is the top left corner and must not lie right of or below x1,y1");
    return std::nullopt;
  }
  return r;
}

std::optional<SettingAssignment> ParseSettingAssignment(std::string_view text, std::string* error) {
  const std::size_t eq = text.find('=');
  const std::string_view name = eq == std::string_view::npos ? std::string_view() : Trimmed(text.substr(0, eq));
  if (name.empty()) {
    Fail(error, "--set: " + Quoted(text) + " is not FIELD=VALUE (e.g. linesOn=false)");
    return std::nullopt;
  }
  return SettingAssignment{std::string(name), std::string(Trimmed(text.substr(eq + 1)))};
}

std::optional<host::ImageFormat> OutputFormatOf(std::string_view path, std::string_view option, std::string* error) {
  const host::ImageFormat format = host::FormatFromPath(path);
  if (format == host::ImageFormat::Png || format == host::ImageFormat::Tga) return format;
  const std::string ext = std::filesystem::path(path).extension().string();
  Fail(error, std::string(option) + ": " + Quoted(path) + (ext.empty() ? " has no extension" : ": " + Quoted(ext) +
                                                               " is not an image format penwright writes") +
                  " (use .png or .tga)");
  return std::nullopt;
}

bool ParseRenderArgs(const RenderArgs& args, RenderPlan* plan, std::string* error) {
  RenderPlan out;
  out.scenePath = args.scene;
  out.camera = args.camera;
  if (!CheckOutputs(args, &out, error) || !CheckSize(args, &out, error) || !CheckFrames(args, &out, error) ||
      !CheckStyleOptions(args.styling, error))
    return false;
  out.styling = args.styling;
  if (args.regionGiven) {
    out.region = ParseRegion(args.region, error);
    if (!out.region) return false;
  }
  if (args.backgroundGiven) {
    out.background = ParseBackground(args.background, error);
    if (!out.background) return false;
  }
  for (const std::string& s : args.settings) {
    std::optional<SettingAssignment> a = ParseSettingAssignment(s, error);
    if (!a) return false;
    out.settings.push_back(std::move(*a));
  }
  *plan = std::move(out);
  return true;
}

}  // namespace pw::cli
