#pragma once
// The built kestrum program run as a user runs it, in a folder of its own: for the tests
// of the subcommands.

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "command_runner.h"
#include "temp_folder.h"

namespace kcommand_test {

using khost_test::Contents;
using khost_test::Outcome;
using khost_test::Quoted;

inline std::string Example(const std::string& name) {
  return KESTRUM_SOURCE_DIR "/examples/" + name;
}

class CommandRun : public ::testing::Test {
 protected:
  // `input`: a file given to the program as its standard input.
  Outcome Kestrum(const std::vector<std::string>& arguments, const std::string& input = "") {
    return khost_test::RunIn(folder.Path(), khost_test::BuiltProgramWords(KESTRUM_COMMAND),
                             arguments, input);
  }
  std::string Path(const std::string& name) const { return folder.Path() + "/" + name; }

  khost_test::TempFolder folder;
};

// A shelf, a turned box (the selection) and an object far from both.
inline constexpr const char* kShelfScene = R"({ "objects": [
  { "name": "Shelf", "position": [10, 20, 30], "halfSize": [4, 5, 6] },
  { "name": "Box", "position": [-3, 7, 1.5], "rotation": [0, 90, 0], "halfSize": [1, 2, 0.5], "selected": true },
  { "name": "Other", "position": [50, 50, 50], "halfSize": [1, 1, 1] } ] })";

// The numbers of a polygon's points attribute, in the panel's scene units.
inline std::vector<std::pair<double, double>> PolygonPoints(const std::string& svg,
                                                            const std::string& view,
                                                            const std::string& state,
                                                            const std::string& object) {
  const std::string panel = "data-view=\"" + view + "\" data-state=\"" + state + "\"";
  const size_t start = svg.find(panel);
  const size_t end = svg.find("</g>\n</g>", start);
  const std::string inside = svg.substr(start, end - start);
  const std::regex polygon("data-object=\"" + object + "\"[^>]*points=\"([^\"]*)\"");
  std::smatch match;
  std::vector<std::pair<double, double>> points;
  if (!std::regex_search(inside, match, polygon)) return points;
  std::istringstream numbers(match[1].str());
  double u = 0;
  double v = 0;
  char comma = 0;
  while (numbers >> u >> comma >> v) points.emplace_back(u, v);
  return points;
}

}  // namespace kcommand_test
