#include "shared_options.h"

#include <map>

#include "input_error.h"

namespace kcommand {

void AddPluginOption(CLI::App& command, std::string& folder) {
  command.add_option("--plugin", folder, "Plug-in folder to load (holds kestrum.cdl)")
      ->default_str(folder);
}

void AddGltfSceneOption(CLI::App& command, std::optional<size_t>& scene) {
  command.add_option("--gltf-scene,--scene", scene,
                     "Which scene of a glTF file, by index (default: the file's own)");
}

void AddBoxOption(CLI::App& command, BoxPlacement& boxes) {
  const std::map<std::string, BoxPlacement> names{{"geometry", BoxPlacement::kGeometry},
                                                  {"origin", BoxPlacement::kOrigin}};
  command
      .add_option("--box", boxes,
                  "Boxes to place: geometry (each object's own box, where its geometry is) or "
                  "origin (centred on each object's origin, as large as it must be to hold the "
                  "geometry; a gap may appear beside off-centre geometry). --frame says along "
                  "which axes they are measured")
      ->transform(CLI::CheckedTransformer(names))
      ->default_str("geometry");
}

void AddAxisOptions(CLI::App& command, AxisTexts& axes, const char* what) {
  const char* names[3] = {"--x", "--y", "--z"};
  for (size_t axis = 0; axis < 3; ++axis)
    command.add_option(names[axis], axes[axis], what)->type_name("MODE[:SIDE]");
}

AxisChoice AxisOption(int axis, const std::string& text) {
  if (const std::optional<AxisChoice> choice = ParseAxisChoice(text)) return *choice;
  throw InputError(std::string("--") + kAxisLetters[static_cast<size_t>(axis)] + ": '" + text +
                   "' is not MODE[:SIDE] (MODE none, plus, center or minus; SIDE inside or "
                   "outside)");
}

std::array<std::optional<AxisChoice>, 3> AxisOptions(const AxisTexts& texts) {
  std::array<std::optional<AxisChoice>, 3> axes;
  for (int axis = 0; axis < 3; ++axis)
    if (const std::optional<std::string>& text = texts[static_cast<size_t>(axis)])
      axes[static_cast<size_t>(axis)] = AxisOption(axis, *text);
  return axes;
}

}  // namespace kcommand
