// Damaged input files, made by cutting, flipping and editing real ones:
// every variant must load or fail with a message saying what and where;
// none may crash, hang, or fail without a word. Kept small enough to run in
// seconds; the sanitizer build runs the same variants.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "host/refs/class_desc.h"
#include "program/program_classes.h"
#include "scene_io/scene_input.h"
#include "support/import_test_support.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Values that have broken readers before: not numbers, out of every range,
// too large for their type, negative indices.
const char* const kNastyValues[] = {"nan",        "-nan", "inf",   "-1",         "1e400",  "-1e400",
                                    "1e38",       "-0",   "abc",   "4294967296", "65536",  "2147483648",
                                    "-2147483649", "0",   "1e-45", "\"\"",       "\"/\"",  "[]",
                                    "{}",         "null", "99999999999999999999"};

// Makes `count` variants of `text`: cuts, bit flips and edits of its
// numbers and lines, the same ones every run.
class Mutator {
 public:
  Mutator(std::string text, unsigned seed) : text_(std::move(text)), rng_(seed) {}

  std::vector<std::string> Variants(int count) {
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) {
      switch (i % 4) {
        case 0: out.push_back(text_.substr(0, Pick(text_.size()))); break;
        case 1: out.push_back(Flipped()); break;
        case 2: out.push_back(NumberEdited()); break;
        default: out.push_back(LineEdited()); break;
      }
    }
    return out;
  }

 private:
  std::size_t Pick(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(rng_() % n); }

  std::string Flipped() {
    std::string s = text_;
    const int flips = 1 + static_cast<int>(Pick(3));
    for (int f = 0; f < flips && !s.empty(); ++f) s[Pick(s.size())] ^= static_cast<char>(1u << Pick(8));
    return s;
  }

  // A number of the text (a run of digits, with its sign and exponent)
  // replaced by one of the nasty values.
  std::string NumberEdited() {
    std::string s = text_;
    for (int tries = 0; tries < 50; ++tries) {
      std::size_t at = Pick(s.size());
      if (!std::isdigit(static_cast<unsigned char>(s[at]))) continue;
      std::size_t begin = at, end = at;
      auto part = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == 'e' || c == '-' || c == '+'; };
      while (begin > 0 && part(s[begin - 1])) --begin;
      while (end < s.size() && part(s[end])) ++end;
      s.replace(begin, end - begin, kNastyValues[Pick(std::size(kNastyValues))]);
      return s;
    }
    return s;
  }

  // A line deleted, doubled, or swapped with another.
  std::string LineEdited() {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text_.size()) {
      std::size_t end = text_.find('\n', start);
      if (end == std::string::npos) end = text_.size();
      lines.push_back(text_.substr(start, end - start));
      start = end + 1;
    }
    if (lines.size() < 2) return NumberEdited();
    const std::size_t a = Pick(lines.size()), b = Pick(lines.size());
    switch (Pick(3)) {
      case 0: lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(a)); break;
      case 1: lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(a), lines[b]); break;
      default: std::swap(lines[a], lines[b]); break;
    }
    std::string s;
    for (const std::string& l : lines) s += l + "\n";
    return s;
  }

  std::string text_;
  std::mt19937 rng_;
};

class InputMutation : public pwtest::ImportTest {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(pw::RegisterProgramClasses()); }

  void SetUp() override {
    pwtest::ImportTest::SetUp();
    // The examples and test meshes beside every variant, for the files they name.
    for (const fs::path& from : {fs::path(PW_SOURCE_DIR) / "examples", fs::path(PW_TESTDATA_DIR)})
      for (const auto& e : fs::directory_iterator(from))
        if (e.is_regular_file()) fs::copy_file(e.path(), dir / e.path().filename(), fs::copy_options::skip_existing);
  }

  // Loads every variant as `name`; counts the ones that loaded.
  int Run(const std::string& name, const std::vector<std::string>& variants,
          const std::function<bool(const std::string&, std::string*)>& load) {
    const auto start = std::chrono::steady_clock::now();
    int loaded = 0;
    for (std::size_t i = 0; i < variants.size(); ++i) {
      const std::string path = Write(name, variants[i]);
      std::string error;
      if (load(path, &error)) {
        ++loaded;
        continue;
      }
      // Says something beyond the file's name, and names the file or a
      // place in it.
      EXPECT_GT(error.size(), path.size() + 4) << "variant " << i << ": '" << error << "'";
      EXPECT_NE(error.back(), ' ') << "variant " << i << ": '" << error << "'";
      EXPECT_NE(error.find(name), std::string::npos) << "variant " << i << ": '" << error << "'";
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 60.0) << name << ": " << variants.size() << " variants";
    return loaded;
  }

  static bool LoadInput(const std::string& path, std::string* error) {
    host::Scene scene;
    return host::LoadSceneInput(path, scene, error);
  }
};

TEST_F(InputMutation, ObjFiles) {
  const auto variants = Mutator(ReadAll(pwtest::MeshPath("bevelcube.obj")), 11).Variants(300);
  const int loaded = Run("bevelcube_m.obj", variants, LoadInput);
  EXPECT_GT(loaded, 0) << "some edits leave a readable file";
}

TEST_F(InputMutation, MtlFiles) {
  // The model is whole; its material library is damaged.
  std::string obj = ReadAll(pwtest::MeshPath("bevelcube.obj"));
  obj.replace(obj.find("mtllib bevelcube.mtl"), 20, "mtllib damaged.mtl");
  const std::string model = Write("model.obj", obj);
  const auto variants = Mutator(ReadAll(pwtest::MeshPath("bevelcube.mtl")), 12).Variants(300);
  int loaded = 0;
  for (const std::string& v : variants) {
    Write("damaged.mtl", v);
    std::string error;
    host::Scene scene;
    // A damaged library costs warnings, never the model.
    EXPECT_TRUE(host::LoadSceneInput(model, scene, &error)) << error;
    ++loaded;
  }
  EXPECT_EQ(loaded, 300);
}

TEST_F(InputMutation, GltfFiles) {
  std::string text = ReadAll(fs::path(PW_SOURCE_DIR) / "tests/data/scenes/painted_triangle.gltf");
  // Lights and a camera too, so their indices get edited as well.
  text.insert(text.rfind('}'), R"(, "extensionsUsed": ["KHR_lights_punctual"],
"extensions": {"KHR_lights_punctual": {"lights": [{"type": "spot", "spot": {"outerConeAngle": 0.5}}]}},
"cameras": [{"type": "perspective", "perspective": {"yfov": 0.8, "znear": 0.1}}])");
  const std::string nodes = R"("nodes": [{"name": "T", "mesh": 0}])";
  text.replace(text.find(nodes), nodes.size(),
               R"("nodes": [{"name": "T", "mesh": 0, "children": [1, 2]},
{"camera": 0, "translation": [0, 0, 5]},
{"extensions": {"KHR_lights_punctual": {"light": 0}}}])");
  {
    std::string error;
    ASSERT_TRUE(LoadInput(Write("whole.gltf", text), &error)) << error;
  }
  std::vector<std::string> variants = Mutator(text, 13).Variants(300);
  // The named file a folder, and an index that went negative.
  std::string folder = text;
  folder.replace(folder.find("data:"), folder.find('"', folder.find("data:")) - folder.find("data:"), "/");
  variants.push_back(folder);
  std::string light = text;
  light.replace(light.find(R"("light": 0)"), 10, R"("light": -1)");
  variants.push_back(light);
  Run("mutated.gltf", variants, LoadInput);
}

TEST_F(InputMutation, GlbFiles) {
  const auto variants = Mutator(ReadAll(pwtest::MeshPath("bevelcube.glb")), 14).Variants(240);
  Run("mutated.glb", variants, LoadInput);
}

TEST_F(InputMutation, JsonScenes) {
  const std::string text = ReadAll(fs::path(PW_SOURCE_DIR) / "examples/scene.json");
  {
    std::string error;
    ASSERT_TRUE(LoadInput(Write("whole.json", text), &error)) << error;
  }
  const int loaded = Run("mutated.json", Mutator(text, 15).Variants(300), LoadInput);
  EXPECT_GT(loaded, 0);
}

TEST_F(InputMutation, BinarySceneFiles) {
  host::Scene scene;
  std::string error;
  ASSERT_TRUE(host::LoadSceneInput((dir / "scene.json").string(), scene, &error)) << error;
  const host::SceneSaveResult saved = scene.SaveToBytes();
  ASSERT_TRUE(saved.ok()) << saved.error;
  const std::string bytes(saved.bytes.begin(), saved.bytes.end());
  // Cuts and flips only: the format has no text to edit, and every number
  // in it may be damaged by a flip.
  std::vector<std::string> variants;
  Mutator m(bytes, 16);
  for (const std::string& v : m.Variants(600))
    if (variants.size() < 300 && (v.size() < bytes.size() || v != bytes)) variants.push_back(v);
  int loaded = 0;
  const auto start = std::chrono::steady_clock::now();
  for (std::size_t i = 0; i < variants.size(); ++i) {
    const std::vector<std::uint8_t> b(variants[i].begin(), variants[i].end());
    host::Scene back;
    std::string why;
    if (host::Scene::LoadFromBytes(b, host::ClassRegistry::Global(), &back, &why)) {
      ++loaded;
    } else {
      EXPECT_GT(why.size(), 8u) << "variant " << i << ": '" << why << "'";
    }
  }
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 60.0);
  EXPECT_LT(loaded, static_cast<int>(variants.size())) << "cuts cannot all load";
  EXPECT_GT(loaded, 0) << "a flip inside a value may still load";
}

}  // namespace
