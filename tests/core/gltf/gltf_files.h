#pragma once
// glTF files for the tests: the sample models of Debian's assimp-testmodels, the .glb
// framing, and the built kestrum program run on them with the Khronos validator's
// verdict on what it wrote.

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "command_runner.h"
#include "temp_folder.h"

namespace kcommand_test {

namespace fs = std::filesystem;
using khost_test::Contents;
using khost_test::Outcome;
using khost_test::Quoted;
using nlohmann::json;

inline const std::string kModels = "/usr/share/assimp/models/glTF2/";
inline const std::string kEngine = kModels + "2CylinderEngine-glTF-Binary/2CylinderEngine.glb";
inline const std::string kValidator =
    KESTRUM_SOURCE_DIR "/node_modules/gltf-validator/package.json";

// A GLB's JSON chunk, parsed, and the bytes after it.
inline std::pair<json, std::string> SplitGlb(const std::string& bytes) {
  uint32_t length = 0;
  std::memcpy(&length, bytes.data() + 12, 4);
  return {json::parse(bytes.substr(20, length)), bytes.substr(20 + length)};
}

// A node's local matrix computed from its JSON alone, apart from the command's own
// transform code (row r, column c; the last row is 0 0 0 1).
using Affine = std::array<std::array<double, 4>, 3>;

inline Affine NodeLocal(const json& node) {
  Affine m{};
  if (node.contains("matrix")) {
    for (size_t c = 0; c < 4; ++c)
      for (size_t r = 0; r < 3; ++r) m[r][c] = node["matrix"][c * 4 + r].get<double>();
    return m;
  }
  const json t = node.value("translation", json{0, 0, 0});
  const json q = node.value("rotation", json{0, 0, 0, 1});
  const json s = node.value("scale", json{1, 1, 1});
  const double x = q[0], y = q[1], z = q[2], w = q[3];
  const double rotation[3][3] = {
      {1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
      {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
      {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}};
  for (size_t r = 0; r < 3; ++r) {
    for (size_t c = 0; c < 3; ++c) m[r][c] = rotation[r][c] * s[c].get<double>();
    m[r][3] = t[r];
  }
  return m;
}

class GltfScene : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kEngine))
      GTEST_SKIP() << "assimp-testmodels is not installed (scripts/install-deps.sh installs it)";
  }
  Outcome Run(const std::string& program, const std::vector<std::string>& arguments) {
    return khost_test::RunIn(folder.Path(), program, arguments);
  }
  Outcome Kestrum(const std::vector<std::string>& arguments) {
    return Run(khost_test::BuiltProgramWords(KESTRUM_COMMAND), arguments);
  }
  // The validator's report on a written file; no errors, and no warning whose code the
  // input's report did not already have.
  void ExpectValid(const std::string& written, const std::string& input) {
    if (!fs::exists(kValidator)) {
      std::cout << "notice: gltf-validator is not installed (npm ci); " << written
                << " not validated\n";
      return;
    }
    const std::string script = Quoted(KESTRUM_SOURCE_DIR "/tools/validate-gltf.js");
    const Outcome out = Run("node " + script, {written});
    ASSERT_NE(2, out.status) << out.err;
    const json report = json::parse(out.out);
    EXPECT_EQ(0, report["numErrors"]) << written << ": " << out.out;
    std::set<std::string> known;
    if (!input.empty()) {
      const json inputReport = json::parse(Run("node " + script, {input}).out);
      for (const json& issue : inputReport["messages"])
        known.insert(issue["code"].get<std::string>());
    }
    for (const json& issue : report["messages"]) {
      if (issue["severity"] == 1) {
        EXPECT_TRUE(known.count(issue["code"].get<std::string>())) << written << ": " << issue;
      }
    }
  }
  std::string Path(const std::string& name) const { return folder.Path() + "/" + name; }

  khost_test::TempFolder folder;
};

}  // namespace kcommand_test
