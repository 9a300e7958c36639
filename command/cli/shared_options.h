#pragma once
// Options several subcommands take alike: the plug-in folder, and a placement per axis.

#include <CLI/CLI.hpp>
#include <array>
#include <optional>
#include <string>

#include "axis_choice.h"
#include "scene_model.h"

namespace kcommand {

using AxisTexts = std::array<std::optional<std::string>, 3>;

void AddPluginOption(CLI::App& command, std::string& folder);
// --gltf-scene N: which scene of a glTF file (--scene, its first name, is still taken).
void AddGltfSceneOption(CLI::App& command, std::optional<size_t>& scene);
// --box geometry|origin: how the host is shown each object's box (BoxPlacement).
void AddBoxOption(CLI::App& command, BoxPlacement& boxes);
// --x, --y and --z, each "MODE[:SIDE]", described by `what`.
void AddAxisOptions(CLI::App& command, AxisTexts& axes, const char* what);

// "--x" and its text as an axis choice; throws InputError naming the option.
AxisChoice AxisOption(int axis, const std::string& text);
// The axes given, each read as AxisOption reads it.
std::array<std::optional<AxisChoice>, 3> AxisOptions(const AxisTexts& texts);

}  // namespace kcommand
