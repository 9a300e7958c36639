#pragma once
// One axis of the tool's settings as the user writes it, "plus:outside", and the
// setting ids and values the tool reads for it.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kcommand {

enum class AxisMode { kNone, kPlus, kCenter, kMinus };
enum class AxisSide { kInside, kOutside };

struct AxisChoice {
  AxisMode mode = AxisMode::kNone;
  AxisSide side = AxisSide::kInside;
  bool operator==(const AxisChoice&) const = default;
};

// "MODE" or "MODE:SIDE"; the side defaults to inside, as the tool's defaults do.
// nullopt when the text is neither.
std::optional<AxisChoice> ParseAxisChoice(std::string_view text);
// "plus:outside"; the side only where the mode reads it (plus and minus).
std::string FormatAxisChoice(const AxisChoice& choice);

// Axis 0, 1, 2 for X, Y, Z.
constexpr std::array<char, 3> kAxisLetters{'x', 'y', 'z'};
int32_t ModeSettingId(int axis);
int32_t SideSettingId(int axis);
int32_t ModeValueId(int axis, AxisMode mode);
int32_t SideValueId(int axis, AxisSide side);
// The choice a pair of stored values stands for, as the tool reads them: any side value
// but inside counts as outside; nullopt for a mode value the tool does not know.
std::optional<AxisChoice> ChoiceFromValues(int axis, int32_t modeValue, int32_t sideValue);

}  // namespace kcommand
