// Axis choices as users write them, and the setting values the tool reads for them.

#include "axis_choice.h"

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>

#include "containers.h"
#include "description_layout.h"
#include "host.h"
#include "json_files.h"

namespace kcommand {
namespace {

struct ChoiceText {
  const char* text;
  std::optional<AxisChoice> expected;
};
// Names the case when a test fails, instead of dumping its bytes (some of which, in
// padding and strings, were never written).
void PrintTo(const ChoiceText& value, std::ostream* out) { *out << value.text; }

class AxisChoiceText : public ::testing::TestWithParam<ChoiceText> {};

TEST_P(AxisChoiceText, ParsesOnlyModeAndOptionalSide) {
  EXPECT_EQ(GetParam().expected, ParseAxisChoice(GetParam().text)) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, AxisChoiceText,
    ::testing::Values(ChoiceText{"none", AxisChoice{AxisMode::kNone, AxisSide::kInside}},
                      ChoiceText{"plus", AxisChoice{AxisMode::kPlus, AxisSide::kInside}},
                      ChoiceText{"center:outside",
                                 AxisChoice{AxisMode::kCenter, AxisSide::kOutside}},
                      ChoiceText{"minus:outside", AxisChoice{AxisMode::kMinus, AxisSide::kOutside}},
                      ChoiceText{"minus:inside", AxisChoice{AxisMode::kMinus, AxisSide::kInside}},
                      ChoiceText{"", std::nullopt}, ChoiceText{"Plus", std::nullopt},
                      ChoiceText{"plus:", std::nullopt}, ChoiceText{"plus:out", std::nullopt},
                      ChoiceText{"plus:outside:inside", std::nullopt},
                      ChoiceText{":inside", std::nullopt}));

TEST(AxisChoiceFormat, WritesTheSideOnlyWhenTheModeUsesIt) {
  EXPECT_EQ("none", FormatAxisChoice({AxisMode::kNone, AxisSide::kOutside}));
  EXPECT_EQ("plus:outside", FormatAxisChoice({AxisMode::kPlus, AxisSide::kOutside}));
  EXPECT_EQ("minus:inside", FormatAxisChoice({AxisMode::kMinus, AxisSide::kInside}));
  EXPECT_EQ("center", FormatAxisChoice({AxisMode::kCenter, AxisSide::kOutside}));
}

// The tool's settings panel as the plug-in ships it: the ids and values the tool reads,
// each under its constant name.
const khost::DescriptionLayout& ShippedPanel() {
  static const khost::DescriptionLayout layout = [] {
    const std::string file = KESTRUM_SOURCE_DIR "/plugin/res/description/Kestrum.json";
    std::string error;
    const std::optional<std::string> text = kestrum::ReadTextFile(file, error);
    std::optional<khost::DescriptionLayout> parsed =
        text ? khost::ParseDescriptionLayout(*text, file, error) : std::nullopt;
    if (!parsed) ADD_FAILURE() << error;
    return parsed.value_or(khost::DescriptionLayout{});
  }();
  return layout;
}

// The panel's element with this constant name, or null.
const khost::DescriptionElement* PanelElement(const std::string& name) {
  for (const khost::DescriptionGroup& group : ShippedPanel().groups)
    for (const khost::DescriptionElement& element : group.elements)
      if (element.name == name) return &element;
  return nullptr;
}

// The id of the choice value with this constant name, or 0.
int32_t PanelValue(const khost::DescriptionElement& element, const std::string& name) {
  for (const khost::ChoiceValue& value : element.values)
    if (value.name == name) return value.id;
  return 0;
}

struct AxisCase {
  int axis;
  AxisMode mode;
  AxisSide side;
};

std::string ModeText(AxisMode mode) {
  static const char* names[] = {"none", "plus", "center", "minus"};
  return names[static_cast<int>(mode)];
}
std::string SideText(AxisSide side) { return side == AxisSide::kInside ? "inside" : "outside"; }
std::string Upper(std::string text) {
  for (char& letter : text) letter = static_cast<char>(std::toupper(letter));
  return text;
}
std::string AxisText(int axis) {
  return Upper(std::string(1, kAxisLetters[static_cast<size_t>(axis)]));
}

void PrintTo(const AxisCase& value, std::ostream* out) {
  *out << AxisText(value.axis) << " " << ModeText(value.mode) << ":" << SideText(value.side);
}

class EveryAxisChoice : public ::testing::TestWithParam<AxisCase> {};

// Every axis x mode x side as a user writes it: parsed, written to the tool's settings
// the way the command writes them, and read back the way the command reads them. The
// stored ids and values must be the ones the shipped panel names for that axis, mode
// and side (ALIGN_Z_MODE_MINUS for "--z minus").
TEST_P(EveryAxisChoice, IsParsedStoredAsThePanelNamesItAndReadBack) {
  const AxisCase c = GetParam();
  const std::string text = ModeText(c.mode) + ":" + SideText(c.side);
  const AxisChoice expected{c.mode, c.side};
  ASSERT_EQ(expected, ParseAxisChoice(text)) << text;
  if (c.side == AxisSide::kInside) {
    EXPECT_EQ(expected, ParseAxisChoice(ModeText(c.mode)));
  }
  // What the command prints parses back to a choice that places the same way.
  const std::optional<AxisChoice> printed = ParseAxisChoice(FormatAxisChoice(expected));
  ASSERT_TRUE(printed.has_value());
  EXPECT_EQ(c.mode, printed->mode);
  if (c.mode == AxisMode::kPlus || c.mode == AxisMode::kMinus) {
    EXPECT_EQ(c.side, printed->side);
  }

  khost::Host host;
  HostContainer* settings = host.containers().Create();
  host.containers().SetInt(settings, ModeSettingId(c.axis), ModeValueId(c.axis, c.mode));
  host.containers().SetInt(settings, SideSettingId(c.axis), SideValueId(c.axis, c.side));

  const std::string prefix = "ALIGN_" + AxisText(c.axis);
  const khost::DescriptionElement* modeElement = PanelElement(prefix + "_MODE");
  const khost::DescriptionElement* sideElement = PanelElement(prefix + "_SIDE");
  ASSERT_NE(nullptr, modeElement);
  ASSERT_NE(nullptr, sideElement);
  const int32_t storedMode = host.containers().GetInt(settings, modeElement->id, 0);
  const int32_t storedSide = host.containers().GetInt(settings, sideElement->id, 0);
  EXPECT_EQ(PanelValue(*modeElement, prefix + "_MODE_" + Upper(ModeText(c.mode))), storedMode);
  EXPECT_EQ(PanelValue(*sideElement, prefix + "_SIDE_" + Upper(SideText(c.side))), storedSide);
  EXPECT_EQ(expected, ChoiceFromValues(c.axis, storedMode, storedSide));
  // Nothing else was written.
  EXPECT_EQ(2u, host.containers().Entries(settings).size());
  host.containers().Destroy(settings);
}

std::vector<AxisCase> AllAxisCases() {
  std::vector<AxisCase> cases;
  for (int axis = 0; axis < 3; ++axis)
    for (AxisMode mode : {AxisMode::kNone, AxisMode::kPlus, AxisMode::kCenter, AxisMode::kMinus})
      for (AxisSide side : {AxisSide::kInside, AxisSide::kOutside})
        cases.push_back({axis, mode, side});
  return cases;
}

std::string CaseName(const ::testing::TestParamInfo<AxisCase>& caseInfo) {
  const AxisCase& c = caseInfo.param;
  const auto capitalised = [](std::string text) {
    text[0] = static_cast<char>(std::toupper(text[0]));
    return text;
  };
  return AxisText(c.axis) + capitalised(ModeText(c.mode)) + capitalised(SideText(c.side));
}

INSTANTIATE_TEST_SUITE_P(AxisModeSide, EveryAxisChoice, ::testing::ValuesIn(AllAxisCases()),
                         CaseName);

TEST(AxisChoiceIds, ReadsStoredValuesAsTheToolDoes) {
  // Any side value but inside counts as outside; unknown modes are no choice at all.
  EXPECT_EQ((AxisChoice{AxisMode::kPlus, AxisSide::kOutside}), ChoiceFromValues(0, 10006, 4));
  EXPECT_EQ((AxisChoice{AxisMode::kPlus, AxisSide::kInside}), ChoiceFromValues(0, 10006, 10010));
  EXPECT_EQ(std::nullopt, ChoiceFromValues(1, 10006, 10018));
  EXPECT_EQ(std::nullopt, ChoiceFromValues(2, 0, 10026));
}

}  // namespace
}  // namespace kcommand
