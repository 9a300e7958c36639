// The streaming scan of glTF JSON: every number means exactly what its text says, in the
// nodes it reads and in the document it keeps.

#include "gltf_json_scan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace kcommand {
namespace {

TEST(GltfJsonScan, ReadsEveryNumberAsTheDoubleItsTextMeans) {
  const struct {
    std::string text;
    double value;
  } cases[] = {{"0." + std::string(60, '0'), 0.0},  // once read as 5.6e-163
               {"1e-400", 0.0},
               {"-0", 0.0},
               {"0.1", 0.1},
               {"2.2250738585072011e-308", 2.2250738585072011e-308},
               {"18446744073709551616", 18446744073709551616.0},
               {"-9223372036854775809", -9223372036854775809.0}};
  for (const auto& c : cases) {
    const std::string json = R"({"asset": {"version": "2.0"}, "extras": )" + c.text +
                             R"(, "nodes": [{"translation": [)" + c.text + R"(, 0, 0]}]})";
    const std::optional<GltfJsonScan> scan = ScanGltfJson(json, "scan.gltf", false);
    ASSERT_TRUE(scan) << c.text;
    EXPECT_EQ(c.value, scan->nodes.at(0).local[0][0]) << c.text;
    EXPECT_EQ(c.value, scan->rest.at("extras").get<double>()) << c.text;
  }
}

}  // namespace
}  // namespace kcommand
