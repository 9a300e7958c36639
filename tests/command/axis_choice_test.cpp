// Axis choices as users write them, and the setting values the tool reads for them.

#include "axis_choice.h"

#include <gtest/gtest.h>

#include <ostream>

#include "kestrum_settings.h"

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

TEST(AxisChoiceIds, MatchTheToolsSettingTable) {
  // Ids as the tool's settings table lists them, axis by axis.
  EXPECT_EQ(10004, ModeSettingId(0));
  EXPECT_EQ(10012, ModeSettingId(1));
  EXPECT_EQ(10020, ModeSettingId(2));
  EXPECT_EQ(10009, SideSettingId(0));
  EXPECT_EQ(10017, SideSettingId(1));
  EXPECT_EQ(10025, SideSettingId(2));
  EXPECT_EQ(10008, ModeValueId(0, AxisMode::kMinus));
  EXPECT_EQ(10014, ModeValueId(1, AxisMode::kPlus));
  EXPECT_EQ(10023, ModeValueId(2, AxisMode::kCenter));
  EXPECT_EQ(10018, SideValueId(1, AxisSide::kInside));
  EXPECT_NE(10026, SideValueId(2, AxisSide::kOutside));
}

TEST(AxisChoiceIds, ReadsStoredValuesAsTheToolDoes) {
  // Any side value but inside counts as outside; unknown modes are no choice at all.
  EXPECT_EQ((AxisChoice{AxisMode::kPlus, AxisSide::kOutside}), ChoiceFromValues(0, 10006, 4));
  EXPECT_EQ((AxisChoice{AxisMode::kPlus, AxisSide::kInside}), ChoiceFromValues(0, 10006, 10010));
  EXPECT_EQ(std::nullopt, ChoiceFromValues(1, 10006, 10018));
  EXPECT_EQ(std::nullopt, ChoiceFromValues(2, 0, 10026));
}

}  // namespace
}  // namespace kcommand
