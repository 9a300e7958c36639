#include "axis_choice.h"

#include "kestrum_settings.h"

namespace kcommand {
namespace {

constexpr std::array<std::string_view, 4> kModeNames{"none", "plus", "center", "minus"};
constexpr std::array<std::string_view, 2> kSideNames{"inside", "outside"};

constexpr std::array<std::array<int32_t, 4>, 3> kModeValues{{
    {ALIGN_X_MODE_NONE, ALIGN_X_MODE_PLUS, ALIGN_X_MODE_CENTER, ALIGN_X_MODE_MINUS},
    {ALIGN_Y_MODE_NONE, ALIGN_Y_MODE_PLUS, ALIGN_Y_MODE_CENTER, ALIGN_Y_MODE_MINUS},
    {ALIGN_Z_MODE_NONE, ALIGN_Z_MODE_PLUS, ALIGN_Z_MODE_CENTER, ALIGN_Z_MODE_MINUS},
}};
constexpr std::array<std::array<int32_t, 2>, 3> kSideValues{{
    {ALIGN_X_SIDE_INSIDE, ALIGN_X_SIDE_OUTSIDE},
    {ALIGN_Y_SIDE_INSIDE, ALIGN_Y_SIDE_OUTSIDE},
    {ALIGN_Z_SIDE_INSIDE, ALIGN_Z_SIDE_OUTSIDE},
}};
constexpr std::array<int32_t, 3> kModeIds{ALIGN_X_MODE, ALIGN_Y_MODE, ALIGN_Z_MODE};
constexpr std::array<int32_t, 3> kSideIds{ALIGN_X_SIDE, ALIGN_Y_SIDE, ALIGN_Z_SIDE};

template <typename Names>
std::optional<size_t> IndexOf(const Names& names, std::string_view text) {
  for (size_t i = 0; i < names.size(); ++i)
    if (names[i] == text) return i;
  return std::nullopt;
}

}  // namespace

std::optional<AxisChoice> ParseAxisChoice(std::string_view text) {
  const size_t colon = text.find(':');
  const std::optional<size_t> mode = IndexOf(kModeNames, text.substr(0, colon));
  if (!mode) return std::nullopt;
  AxisChoice choice{static_cast<AxisMode>(*mode), AxisSide::kInside};
  if (colon != std::string_view::npos) {
    const std::optional<size_t> side = IndexOf(kSideNames, text.substr(colon + 1));
    if (!side) return std::nullopt;
    choice.side = static_cast<AxisSide>(*side);
  }
  return choice;
}

std::string FormatAxisChoice(const AxisChoice& choice) {
  std::string text(kModeNames[static_cast<size_t>(choice.mode)]);
  if (choice.mode == AxisMode::kPlus || choice.mode == AxisMode::kMinus) {
    text += ':';
    text += kSideNames[static_cast<size_t>(choice.side)];
  }
  return text;
}

int32_t ModeSettingId(int axis) { return kModeIds[static_cast<size_t>(axis)]; }
int32_t SideSettingId(int axis) { return kSideIds[static_cast<size_t>(axis)]; }

int32_t ModeValueId(int axis, AxisMode mode) {
  return kModeValues[static_cast<size_t>(axis)][static_cast<size_t>(mode)];
}

int32_t SideValueId(int axis, AxisSide side) {
  return kSideValues[static_cast<size_t>(axis)][static_cast<size_t>(side)];
}

std::optional<AxisChoice> ChoiceFromValues(int axis, int32_t modeValue, int32_t sideValue) {
  const auto& modes = kModeValues[static_cast<size_t>(axis)];
  for (size_t i = 0; i < modes.size(); ++i) {
    if (modes[i] == modeValue) {
      const bool inside = sideValue == kSideValues[static_cast<size_t>(axis)][0];
      return AxisChoice{static_cast<AxisMode>(i), inside ? AxisSide::kInside : AxisSide::kOutside};
    }
  }
  return std::nullopt;
}

}  // namespace kcommand
