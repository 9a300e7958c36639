// --json: one document on stdout that follows docs/command-output.schema.json, for list,
// align (one scene, several, --check, a failure), reset and info.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <valijson/adapters/nlohmann_json_adapter.hpp>
#include <valijson/schema.hpp>
#include <valijson/schema_parser.hpp>
#include <valijson/validation_results.hpp>
#include <valijson/validator.hpp>

#include "cli/command_run.h"

namespace kcommand_test {
namespace {

using nlohmann::json;

// The schema's complaints about `document`; empty when it follows the schema.
std::string SchemaProblems(const json& document) {
  static const json text =
      json::parse(std::ifstream(KESTRUM_SOURCE_DIR "/docs/command-output.schema.json"));
  valijson::Schema schema;
  valijson::SchemaParser parser;
  valijson::adapters::NlohmannJsonAdapter schemaAdapter(text);
  parser.populateSchema(schemaAdapter, schema);
  valijson::Validator validator;
  valijson::ValidationResults results;
  valijson::adapters::NlohmannJsonAdapter adapter(document);
  if (validator.validate(schema, adapter, &results)) return "";
  std::string problems;
  valijson::ValidationResults::Error error;
  while (results.popError(error)) {
    for (const std::string& step : error.context) problems += step;
    problems += ": " + error.description + "\n";
  }
  return problems;
}

TEST_F(CommandRun, JsonOutputFollowsItsSchema) {
  folder.Write("shelf.json", kShelfScene);
  folder.Write("bad.json", "{");
  // The tool's own frame: the half sizes it reads are the objects' own.
  const std::vector<std::string> align = {"align",        "--reference", "Shelf", "--x",
                                          "plus:outside", "--frame",     "tool",  "--json"};
  const auto with = [&](std::vector<std::string> more) {
    std::vector<std::string> line = align;
    line.insert(line.begin() + 1, more.begin(), more.end());
    return line;
  };
  struct Case {
    std::vector<std::string> arguments;
    int status;
  };
  const Case cases[] = {
      {{"list", "shelf.json", "--json"}, 0},
      {with({"shelf.json"}), 0},
      {with({"shelf.json", "-o", "out.json", "--undo", "--picture", "p.svg"}), 0},
      {with({"shelf.json", "--check"}), 1},
      {with({"shelf.json", "bad.json", "-o", "many/"}), 2},
      {with({"shelf.json", "--object", "Nobody"}), 2},
      {{"reset", "--x", "plus", "--json"}, 0},
      {{"info", "--json"}, 0},
      {with({"shelf.json", "--stack", "Box", "Other", "--explain"}), 0},
      {with({"shelf.json", "--select", "Box", "--select", "Other", "--as-group", "--explain"}), 0},
      {{"align", "shelf.json", "--select", "Box", "--select", "Other", "--reference", "@selection",
        "--y", "minus", "--json", "--explain"},
       0},
  };
  std::vector<json> documents;
  for (const Case& each : cases) {
    const Outcome run = Kestrum(each.arguments);
    EXPECT_EQ(each.status, run.status) << each.arguments[1] << ": " << run.err;
    const json document = json::parse(run.out);
    EXPECT_EQ("", SchemaProblems(document)) << run.out;
    EXPECT_EQ(each.status, document["status"]);
    documents.push_back(document);
  }
  // The moved box, before and after: x 10 + 4 + 1; turned 90 degrees about Y before.
  const json& moved = documents[1]["files"][0]["movedObjects"];
  ASSERT_EQ(1u, moved.size()) << moved;
  EXPECT_EQ("Box", moved[0]["path"]);
  EXPECT_EQ(json({15, 7, 1.5}), moved[0]["after"]["position"]);
  EXPECT_NEAR(90.0, moved[0]["before"]["rotation"][1].get<double>(), 1e-9);
  EXPECT_EQ("out.json", documents[2]["files"][0]["output"]);
  // One entry per file of a batch, the failed one with its error.
  const json& batch = documents[4]["files"];
  ASSERT_EQ(2u, batch.size());
  EXPECT_EQ(1, batch[0]["moved"]);
  EXPECT_EQ("input", batch[1]["errors"][0]["kind"]);
  EXPECT_EQ("shelf.json: --object: no object is named 'Nobody'",
            documents[5]["errors"][0]["message"]);
  EXPECT_EQ("plus:inside", documents[6]["reset"]["before"]["x"]["choice"]);
  // The stack's explanations: Box on the shelf, then Other on Box, as the tool read
  // them: the shelf's half size 4 and the box's own (local) 1, outside: 5 from the shelf.
  const json& stacked = documents[8]["files"][0]["explanations"];
  ASSERT_EQ(2u, stacked.size()) << stacked;
  EXPECT_EQ("Box", stacked[0]["object"]);
  EXPECT_EQ("Shelf", stacked[0]["reference"]);
  EXPECT_EQ(json({{"axis", "x"},
                  {"mode", "plus"},
                  {"side", "outside"},
                  {"referenceHalfSize", 4},
                  {"objectHalfSize", 1},
                  {"distance", 5},
                  {"before", -3},
                  {"after", 15}}),
            stacked[0]["axes"][0]);
  EXPECT_EQ("Shelf", stacked[0]["rotation"]["frameFrom"]);
  EXPECT_EQ("Box", stacked[1]["reference"]);
  EXPECT_EQ("group of 2 objects", documents[9]["files"][0]["explanations"][0]["object"]);
  EXPECT_EQ("@selection", documents[10]["files"][0]["explanations"][0]["reference"]);

  // Standard output cannot hold both the document and a picture.
  const Outcome both = Kestrum(with({"shelf.json", "--picture", "-"}));
  EXPECT_EQ(2, both.status);
  EXPECT_EQ("", both.out);
  EXPECT_NE(std::string::npos, both.err.find("kestrum: --json: standard output holds")) << both.err;
}

// A moved object's world rotation in --json is about X, then Y, then Z, as the scene
// format gives it: in the tool's frame the box takes the reference's three angles.
TEST_F(CommandRun, JsonGivesEachRotationAngleOnItsAxis) {
  folder.Write("turned.json", R"({ "objects": [
    { "name": "Ref", "rotation": [10, 20, 30], "halfSize": [1, 1, 1] },
    { "name": "Box", "position": [5, 0, 0], "halfSize": [1, 1, 1], "selected": true } ] })");
  const Outcome run = Kestrum(
      {"align", "turned.json", "--reference", "Ref", "--x", "center", "--frame", "tool", "--json"});
  ASSERT_EQ(0, run.status) << run.err;
  const json rotation = json::parse(run.out)["files"][0]["movedObjects"][0]["after"]["rotation"];
  ASSERT_EQ(3u, rotation.size()) << rotation;
  for (size_t axis = 0; axis < 3; ++axis)
    EXPECT_NEAR(10.0 * static_cast<double>(axis + 1), rotation[axis].get<double>(), 1e-9) << axis;
}

}  // namespace
}  // namespace kcommand_test
