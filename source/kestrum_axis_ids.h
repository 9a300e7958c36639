#pragma once
// The ids that steer each axis, X, Y and Z in that order: one table for every program
// that drives the tool (the command, the validator, benchmarks and tests). The module
// keeps its own, next to the arithmetic it steers.

#include <array>
#include <cstdint>

#include "kestrum_settings.h"

struct KestrumAxisIds {
  int32_t modeSetting;
  // Mode values in the order none, plus, center, minus.
  std::array<int32_t, 4> modes;
  int32_t sideSetting;
  int32_t inside;
  // The outside value the panel offers; the tool reads every value but inside so.
  int32_t outside;
};

constexpr std::array<KestrumAxisIds, 3> kKestrumAxes{{
    {ALIGN_X_MODE,
     {ALIGN_X_MODE_NONE, ALIGN_X_MODE_PLUS, ALIGN_X_MODE_CENTER, ALIGN_X_MODE_MINUS},
     ALIGN_X_SIDE,
     ALIGN_X_SIDE_INSIDE,
     ALIGN_X_SIDE_OUTSIDE},
    {ALIGN_Y_MODE,
     {ALIGN_Y_MODE_NONE, ALIGN_Y_MODE_PLUS, ALIGN_Y_MODE_CENTER, ALIGN_Y_MODE_MINUS},
     ALIGN_Y_SIDE,
     ALIGN_Y_SIDE_INSIDE,
     ALIGN_Y_SIDE_OUTSIDE},
    {ALIGN_Z_MODE,
     {ALIGN_Z_MODE_NONE, ALIGN_Z_MODE_PLUS, ALIGN_Z_MODE_CENTER, ALIGN_Z_MODE_MINUS},
     ALIGN_Z_SIDE,
     ALIGN_Z_SIDE_INSIDE,
     ALIGN_Z_SIDE_OUTSIDE},
}};
