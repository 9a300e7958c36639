#include "axis_choice.h"

#include "kestrum_axis_ids.h"

namespace kcommand {
namespace {

constexpr std::array<std::string_view, 4> kModeNames{"none", "plus", "center", "minus"};
constexpr std::array<std::string_view, 2> kSideNames{"inside", "outside"};

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

int32_t ModeSettingId(int axis) { return kKestrumAxes[static_cast<size_t>(axis)].modeSetting; }
int32_t SideSettingId(int axis) { return kKestrumAxes[static_cast<size_t>(axis)].sideSetting; }

int32_t ModeValueId(int axis, AxisMode mode) {
  return kKestrumAxes[static_cast<size_t>(axis)].modes[static_cast<size_t>(mode)];
}

int32_t SideValueId(int axis, AxisSide side) {
  const KestrumAxisIds& ids = kKestrumAxes[static_cast<size_t>(axis)];
  return side == AxisSide::kInside ? ids.inside : ids.outside;
}

std::optional<AxisChoice> ChoiceFromValues(int axis, int32_t modeValue, int32_t sideValue) {
  const KestrumAxisIds& ids = kKestrumAxes[static_cast<size_t>(axis)];
  for (size_t i = 0; i < ids.modes.size(); ++i) {
    if (ids.modes[i] == modeValue) {
      const bool inside = sideValue == ids.inside;
      return AxisChoice{static_cast<AxisMode>(i), inside ? AxisSide::kInside : AxisSide::kOutside};
    }
  }
  return std::nullopt;
}

}  // namespace kcommand
