#pragma once
// The command's subcommands. Each writes its report to `out` and returns the exit
// status; input errors and host failures leave as InputError and HostFailure.

#include <array>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "axis_choice.h"

namespace kcommand {

struct AlignOptions {
  // One scene, or several aligned in one run into the folder `output` names.
  std::vector<std::string> scenes;
  std::optional<size_t> gltfScene;
  std::optional<std::string> reference;
  std::optional<std::string> object;
  bool selected = false;
  std::vector<std::string> select;                 // replaces the file's selection when given
  std::array<std::optional<std::string>, 3> axes;  // "MODE[:SIDE]" for x, y, z
  std::optional<std::string> output;
  std::optional<std::string> picture;
  bool undo = false;
  std::string plugin;
};
// Notes and, for several scenes, each failed file's message go to `err`.
int RunAlign(const AlignOptions& options, std::ostream& out, std::ostream& err);

struct SceneFileOptions {
  std::string scene;
  std::optional<size_t> gltfScene;
};
// Every object of a scene: path, world position, half sizes, selection.
int RunList(const SceneFileOptions& options, std::ostream& out, std::ostream& err);
// A scene in another format, chosen by the output's extension.
int RunConvert(const SceneFileOptions& options, const std::string& output, std::ostream& out,
               std::ostream& err);

struct ResetOptions {
  std::array<std::optional<std::string>, 3> axes;  // settings to hold before the reset
  std::string plugin;
};
int RunReset(const ResetOptions& options, std::ostream& out);

int RunHelpButton(const std::string& plugin, std::ostream& out);
int RunInfo(const std::string& plugin, std::ostream& out);

struct DemoOptions {
  std::string picture = "kestrum-demo.svg";
  std::optional<std::string> output;
  std::string plugin;
};
int RunDemo(const DemoOptions& options, std::ostream& out);

struct ViewOptions {
  std::string scene;
  std::optional<std::string> output;  // where Save writes; unset: over the scene file
  int port = 0;                       // 0: any free port
  std::string plugin;
};
// Serves the scene and the tool's panel on 127.0.0.1 until SIGINT or SIGTERM; the first
// line written is the address to open.
int RunView(const ViewOptions& options, std::ostream& out);

// "--x" and its text as an axis choice; throws InputError naming the option.
AxisChoice AxisOption(int axis, const std::string& text);

}  // namespace kcommand
