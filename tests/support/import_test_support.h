// Helpers shared by the importer tests: temporary files, captured warnings,
// and walking what an import made.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/services/interface.h"
#include "host/scene/node.h"
#include "host/scene/object_tri.h"
#include "host/scene/scene_model.h"

namespace pwtest {

inline std::string MeshPath(const char* name) { return std::string(PW_TESTDATA_DIR) + "/" + name; }

// A fresh folder per test, removed afterwards; warnings are captured
// instead of printed, and the process-wide state is restored.
class ImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = host::TheInterfaceState();
    host::InterfaceState& s = host::TheInterfaceState();
    s.networkRender = true;
    s.logSink = [this](std::string_view text) { warnings.emplace_back(text); };
    s.logFile.clear();
    dir = std::filesystem::temp_directory_path() / ("pw_import_" + std::to_string(getpid()) + "_" +
                                                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
  }
  void TearDown() override {
    host::TheInterfaceState() = saved_;
    std::filesystem::remove_all(dir);
  }

  std::string Write(const std::string& name, const std::string& text) {
    const std::filesystem::path p = dir / name;
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
  }

  // The warnings containing `part`.
  int WarningsWith(const std::string& part) const {
    int n = 0;
    for (const std::string& w : warnings) n += w.find(part) != std::string::npos ? 1 : 0;
    return n;
  }
  std::string AllWarnings() const {
    std::string all;
    for (const std::string& w : warnings) all += w + "\n";
    return all;
  }

  std::filesystem::path dir;
  std::vector<std::string> warnings;

 private:
  host::InterfaceState saved_;
};

// Every node below root, depth first.
inline std::vector<host::INode*> AllNodes(host::INode* root) {
  std::vector<host::INode*> out;
  for (int i = 0; i < root->NumberOfChildren(); ++i) {
    host::INode* child = root->GetChildNode(i);
    out.push_back(child);
    for (host::INode* n : AllNodes(child)) out.push_back(n);
  }
  return out;
}

inline host::Mesh* MeshOf(host::INode* node) {
  auto* tri = dynamic_cast<host::TriObject*>(node ? node->GetObjectRef() : nullptr);
  return tri ? &tri->mesh : nullptr;
}

inline int TotalFaces(host::INode* root) {
  int n = 0;
  for (host::INode* node : AllNodes(root))
    if (host::Mesh* m = MeshOf(node)) n += m->getNumFaces();
  return n;
}

}  // namespace pwtest
