// A glTF node's transform and the host's local matrix, both ways.

#include "gltf_transform.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "alignment_session.h"
#include "gltf/gltf_files.h"
#include "gltf_meshes.h"
#include "scene_files.h"
#include "transform.h"

namespace kcommand_test {
namespace {

// glTF node transforms: what decomposes and what glTF cannot hold.
TEST(GltfTransform, DecomposesRotationsAndScalesAndRefusesShear) {
  const double s = std::sqrt(0.5);
  for (const kcommand::Trs& trs : {kcommand::Trs{{1, 2, 3}, {0, 0, 0, 1}, {1, 1, 1}},
                                   kcommand::Trs{{-4, 0, 9}, {0, s, 0, s}, {2, 3, 0.5}},
                                   kcommand::Trs{{0, 0, 0}, {0.5, 0.5, 0.5, 0.5}, {1, 1, -2}},
                                   kcommand::Trs{{5, 5, 5}, {1, 0, 0, 0}, {1e-2, 1e3, 7}},
                                   kcommand::Trs{{0, 0, 0}, {0, 0, 0, 1}, {-1, 1, 1}},
                                   kcommand::Trs{{0, 0, 0}, {0, s, 0, s}, {1, -3, 1}}}) {
    const kcommand::LocalMatrix m = kcommand::MatrixFromTrs(trs);
    const std::optional<kcommand::Trs> back = kcommand::DecomposeTrs(m);
    ASSERT_TRUE(back.has_value());
    const kcommand::LocalMatrix again = kcommand::MatrixFromTrs(*back);
    for (size_t c = 0; c < 4; ++c)
      for (size_t i = 0; i < 3; ++i) EXPECT_NEAR(m[c][i], again[c][i], 1e-12 * 1e3);
    // A mirror stays on its axis, not moved to another with a half turn.
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(trs.scale[i] < 0, back->scale[i] < 0) << i;
  }
  const kcommand::LocalMatrix sheared{
      kcommand::Vector3{0, 0, 0}, {1, 0, 0}, {0.3, 1, 0}, {0, 0, 1}};
  EXPECT_FALSE(kcommand::DecomposeTrs(sheared).has_value());
  const kcommand::LocalMatrix flat{kcommand::Vector3{0, 0, 0}, {1, 0, 0}, {0, 0, 0}, {0, 0, 1}};
  EXPECT_FALSE(kcommand::DecomposeTrs(flat).has_value());
}

}  // namespace
}  // namespace kcommand_test
