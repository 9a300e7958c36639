// The view's state without HTTP: a refused request changes nothing, and what a press or
// a workflow did is said in words.

#include "view_state.h"

#include <gtest/gtest.h>

#include <fstream>

#include "kestrum_settings.h"
#include "scene_files.h"
#include "temp_folder.h"

namespace kcommand_test {
namespace {

using nlohmann::json;

constexpr const char* kPlugin = KESTRUM_BINARY_DIR "/plugins/kestrum";

class ViewStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string path = folder.Path() + "/room.json";
    std::ofstream(path) << R"({ "objects": [
      { "name": "Table", "halfSize": [2, 1, 1] },
      { "name": "Vase", "position": [10, 0, 0], "halfSize": [0.5, 0.5, 0.5], "selected": true },
      { "name": "Lamp", "position": [0, 9, 0], "halfSize": [1, 1, 1], "selected": true } ],
      "tool": { "reference": "Table" } })";
    document = kcommand::ReadSceneDocument(path, {});
    state = std::make_unique<kcommand::ViewState>(
        kPlugin, document->Scene(), path, std::nullopt,
        [](const kcommand::SceneModel&, const std::string&) { return std::string(); });
    state->Scene();
  }
  json Summary() { return state->State()["lastPress"]["summary"]; }

  khost_test::TempFolder folder;
  std::unique_ptr<kcommand::SceneDocument> document;
  std::unique_ptr<kcommand::ViewState> state;
};

TEST_F(ViewStateTest, ARefusedRequestChangesNothing) {
  const json before = state->State();
  const std::pair<std::function<void()>, const char*> refused[] = {
      {[&] {
         state->Set({{"control", ALIGN_Y_MODE}, {"value", 1}});
       },
       "takes one of its value"},
      {[&] {
         state->Set({{"control", ALIGN_REFERENCE}, {"value", true}});
       },
       "takes an object"},
      {[&] {
         state->Set({{"control", 4242}, {"value", 1}});
       },
       "the panel has no control 4242"},
      {[&] {
         state->Press({{"control", ALIGN_Y_MODE}});
       },
       "is not a button"},
      {[&] {
         state->Stack({{"objects", json::array({0, 0})}});
       },
       "the scene has no object"},
      {[&] { state->Save(json::object()); }, "send \"confirm\": true"},
      {[&] {
         state->SetPlacement({{"frame", "sideways"}});
       },
       "\"frame\" is not"},
      {[&] {
         state->SetPlacement({{"frame", "tool"}, {"gap", 1}});
       },
       "a gap needs the world"},
      {[&] {
         state->SetPlacement({{"gap", json::array({1, 2})}});
       },
       "\"gap\" is not"},
      {[&] {
         state->Distribute({{"axis", "w"}});
       },
       "\"axis\" is not"},
  };
  for (const auto& [request, message] : refused) {
    try {
      request();
      ADD_FAILURE() << message << ": not refused";
    } catch (const kcommand::ViewRequestError& error) {
      EXPECT_NE(std::string(error.what()).find(message), std::string::npos) << error.what();
    }
    EXPECT_EQ(state->State(), before) << message;
  }
}

TEST_F(ViewStateTest, APressAndAWorkflowSayWhatTheyMoved) {
  state->Press({{"control", ALIGN_SELECTED}});
  EXPECT_EQ(Summary(), "nothing moved: no axis is chosen");
  state->Set({{"control", ALIGN_X_MODE}, {"value", ALIGN_X_MODE_PLUS}});
  state->Press({{"control", ALIGN_SELECTED}});
  EXPECT_EQ(Summary(), "2 objects moved");
  state->Undo();
  state->Group(json::object());
  EXPECT_EQ(Summary(), "2 objects moved");
  EXPECT_EQ(state->State()["lastPress"]["workflow"], "group");
  // With no axis chosen the world frame presses nothing and records no step: the
  // group's step replaced the undone press's.
  EXPECT_EQ(state->State()["undoSteps"], 1);
  EXPECT_EQ(state->State()["redoSteps"], 0);
  // The placement beside the panel: what every later press uses, and even spacing.
  state->SetPlacement({{"frame", "reference"}, {"gap", 2}});
  EXPECT_EQ(state->State()["placement"], json({{"frame", "reference"}, {"gap", {2, 2, 2}}}));
  state->Distribute({{"axis", "x"}});
  EXPECT_EQ(Summary(), "nothing moved: nothing to space: even spacing needs three objects or more");
}

// A full reload is where the page starts again: the next answer holds only what changed
// after it, not what the reload already showed.
TEST_F(ViewStateTest, AnAnswerAfterAReloadHoldsOnlyWhatChangedSinceIt) {
  state->Set({{"control", ALIGN_X_MODE}, {"value", ALIGN_X_MODE_PLUS}});
  const json moved = state->Press({{"control", ALIGN_SELECTED}}).head["moved"];
  ASSERT_EQ(moved.size(), 2u);
  state->Scene();
  const json vase = state->State()["objects"][1]["id"];
  const kcommand::ViewFrame unchanged = state->Select({{"objects", {vase}}, {"add", true}});
  EXPECT_EQ(unchanged.head["moved"], json::array());
  EXPECT_EQ(unchanged.head["selected"], json::array());
  EXPECT_EQ(unchanged.head["deselected"], json::array());
  state->Scene();
  EXPECT_EQ(state->Undo().head["moved"], moved);
}

}  // namespace
}  // namespace kcommand_test
