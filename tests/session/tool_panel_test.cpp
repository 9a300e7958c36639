// The tool's panel as every front end sets it, through the real plug-in: values read
// back as set, refusals that change nothing, a file's tool settings applied and read
// back, the one JSON form; and what a press says it did.

#include "tool_panel.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "alignment_session.h"
#include "input_error.h"
#include "kestrum_settings.h"
#include "scene_files.h"
#include "temp_folder.h"

namespace kcommand_test {
namespace {

using kcommand::LinkedObject;
using kcommand::PanelValue;

constexpr const char* kPlugin = KESTRUM_BINARY_DIR "/plugins/kestrum";

constexpr const char* kRoom = R"({ "objects": [
  { "name": "Table", "halfSize": [2, 1, 1] },
  { "name": "Vase", "position": [10, 0, 0], "halfSize": [0.5, 0.5, 0.5], "selected": true } ],
  "tool": { "reference": "Table", "x": "plus:outside" } })";

class Panel : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string path = folder.Path() + "/room.json";
    std::ofstream(path) << kRoom;
    document = kcommand::ReadSceneDocument(path, {});
    session =
        std::make_unique<kcommand::AlignmentSession>(kPlugin, document->Scene(), path, nullptr);
    panel = std::make_unique<kcommand::ToolPanel>(*session);
    panel->Apply(document->Scene().tool);
  }
  khost_test::TempFolder folder;
  std::unique_ptr<kcommand::SceneDocument> document;
  std::unique_ptr<kcommand::AlignmentSession> session;
  std::unique_ptr<kcommand::ToolPanel> panel;
};

TEST_F(Panel, ValuesReadBackAsSetAndRefusalsChangeNothing) {
  EXPECT_EQ(panel->Value(ALIGN_REFERENCE), PanelValue(LinkedObject{0}));
  EXPECT_EQ(panel->Value(ALIGN_OBJECT), PanelValue(std::monostate{}));
  const std::pair<int32_t, PanelValue> accepted[] = {
      {ALIGN_OBJECT, LinkedObject{1}},
      {ALIGN_REFERENCE, std::monostate{}},
      {ALIGN_Y_MODE, int32_t{ALIGN_Y_MODE_MINUS}},
  };
  for (const auto& [id, value] : accepted) {
    panel->Set(id, value);
    EXPECT_EQ(panel->Value(id), value) << id;
  }
  const std::tuple<int32_t, PanelValue, const char*> refused[] = {
      {ALIGN_Y_MODE, int32_t{1}, "takes one of its value ids"},
      {ALIGN_Y_MODE, true, "takes one of its value ids"},
      {ALIGN_OBJECT, int32_t{3}, "takes an object of the scene"},
      {ALIGN_SELECTED, true, "is a button: press it instead"},
      {42, true, "the panel has no control 42"},
  };
  for (const auto& [id, value, message] : refused) {
    const kcommand::ToolSettings before = panel->Current();
    try {
      panel->Set(id, value);
      ADD_FAILURE() << id << " took a value of the wrong kind";
    } catch (const kcommand::InputError& error) {
      EXPECT_NE(std::string(error.what()).find(message), std::string::npos) << error.what();
    }
    const kcommand::ToolSettings after = panel->Current();
    EXPECT_EQ(after.object, before.object);
    EXPECT_EQ(after.axes, before.axes);
  }
}

TEST_F(Panel, CurrentGivesBackWhatAFileApplied) {
  const kcommand::ToolSettings tool = panel->Current();
  EXPECT_EQ(tool.reference, "Table");
  EXPECT_EQ(tool.object, std::nullopt);
  EXPECT_EQ(tool.axes[0], document->Scene().tool.axes[0]);
  EXPECT_EQ(tool.axes[1], kcommand::AxisChoice{});
  kcommand::ToolSettings unknown;
  unknown.object = "Nobody";
  EXPECT_THROW(panel->Apply(unknown), kcommand::InputError);
}

TEST_F(Panel, JsonHasEveryControlWithItsValue) {
  const nlohmann::ordered_json json = panel->Json([](size_t index) { return index * 100; });
  size_t controls = 0;
  for (const auto& group : json["groups"])
    for (const auto& control : group["controls"]) {
      ++controls;
      const khost::DescriptionElement& element = panel->Control(control["id"].get<int32_t>());
      EXPECT_EQ(control["kind"], khost::ElementKindName(element.kind));
      EXPECT_EQ(control["values"].size(), element.values.size());
      EXPECT_EQ(control.contains("value"), element.kind != khost::ElementKind::kButton);
    }
  EXPECT_EQ(controls, panel->Layout().ElementCount());
  EXPECT_EQ(kcommand::PanelJson(panel->Layout())["groups"].size(), json["groups"].size());
  const auto reference = [&] {
    for (const auto& group : json["groups"])
      for (const auto& control : group["controls"])
        if (control["id"] == ALIGN_REFERENCE) return control["value"];
    return nlohmann::ordered_json();
  }();
  EXPECT_EQ(reference, 0);
}

TEST_F(Panel, APressSaysWhatMovedOrWhyNothingDid) {
  const auto press = [&](int32_t button) {
    return session
        ->Observe([&] { session->PressButton(button); }, false, session->WhyNothingWillMove(button))
        .summary;
  };
  EXPECT_EQ(press(HOST_COMMAND_ALIGN_OBJECT), "nothing moved: no object to align is linked");
  EXPECT_EQ(press(ALIGN_SELECTED), "1 object moved");
  EXPECT_EQ(press(ALIGN_SELECTED), "nothing moved: every object to align is already in place");
  panel->Set(ALIGN_X_MODE, int32_t{ALIGN_X_MODE_NONE});
  EXPECT_EQ(press(ALIGN_SELECTED), "nothing moved: no axis is chosen");
  panel->Set(ALIGN_REFERENCE, std::monostate{});
  EXPECT_EQ(press(ALIGN_SELECTED), "nothing moved: no reference is linked");
}

}  // namespace
}  // namespace kcommand_test
