#pragma once
// glTF files for the tests: the sample models of Debian's assimp-testmodels, the .glb
// framing, and the built kestrum program run on them with the Khronos validator's
// verdict on what it wrote.

#include <gtest/gtest.h>

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
