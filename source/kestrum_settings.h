#pragma once
// Ids of the Kestrum tool's settings and buttons, and their values and defaults.
// Choices hold the id of the chosen value.

#include <cstdint>

#include "c4d_host_abi.h"  // the host-defined commands and flags the tool reacts to

constexpr int32_t ALIGN_SELECTED = 10001;   // button: align every selected object
constexpr int32_t ALIGN_REFERENCE = 10002;  // link: the object the others are aligned against
constexpr int32_t ALIGN_OBJECT = 10003;     // link: the one object commands 701 and 704 move

constexpr int32_t ALIGN_X_MODE = 10004;
constexpr int32_t ALIGN_X_MODE_NONE = 10005;
constexpr int32_t ALIGN_X_MODE_PLUS = 10006;
constexpr int32_t ALIGN_X_MODE_CENTER = 10007;
constexpr int32_t ALIGN_X_MODE_MINUS = 10008;
constexpr int32_t ALIGN_X_SIDE = 10009;  // any value but the inside value means outside
constexpr int32_t ALIGN_X_SIDE_INSIDE = 10010;

constexpr int32_t ALIGN_Y_MODE = 10012;
constexpr int32_t ALIGN_Y_MODE_NONE = 10013;
constexpr int32_t ALIGN_Y_MODE_PLUS = 10014;
constexpr int32_t ALIGN_Y_MODE_CENTER = 10015;
constexpr int32_t ALIGN_Y_MODE_MINUS = 10016;
constexpr int32_t ALIGN_Y_SIDE = 10017;
constexpr int32_t ALIGN_Y_SIDE_INSIDE = 10018;

constexpr int32_t ALIGN_Z_MODE = 10020;
constexpr int32_t ALIGN_Z_MODE_NONE = 10021;
constexpr int32_t ALIGN_Z_MODE_PLUS = 10022;
constexpr int32_t ALIGN_Z_MODE_CENTER = 10023;
constexpr int32_t ALIGN_Z_MODE_MINUS = 10024;
constexpr int32_t ALIGN_Z_SIDE = 10025;
constexpr int32_t ALIGN_Z_SIDE_INSIDE = 10026;

constexpr int32_t ALIGN_HELP = 10028;  // button: open the help page

// The outside choice as the tool's description offers it; the tool itself treats every
// value other than the inside value as outside.
constexpr int32_t ALIGN_X_SIDE_OUTSIDE = 10011;
constexpr int32_t ALIGN_Y_SIDE_OUTSIDE = 10019;
constexpr int32_t ALIGN_Z_SIDE_OUTSIDE = 10027;

// Plug-in id, and the plug-in's string resource ids (a numbering of their own).
constexpr int32_t KESTRUM_PLUGIN_ID = 1029646;
constexpr int32_t KESTRUM_STRING_NAME = 10000;
constexpr int32_t KESTRUM_STRING_HELP_LINE = 10001;
constexpr int32_t KESTRUM_STRING_HELP_MISSING = 10002;
