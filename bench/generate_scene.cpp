// Writes a generated scene file for timing the `kestrum` command:
//   kestrum_generate_scene --objects 100000 --seed 12 --output big.json
#include <CLI/CLI.hpp>
#include <cstdio>
#include <fstream>

#include "axis_choice.h"
#include "scene_generator.h"

int main(int argc, char** argv) {
  kbench::SceneGeneratorOptions options;
  std::string output;
  CLI::App app{"Write a deterministic scene with many selected objects and one reference"};
  app.add_option("--objects", options.selectedObjects, "Selected objects")->required();
  app.add_option("--seed", options.seed, "Seed of the generator")->capture_default_str();
  app.add_option("--per-group", options.objectsPerGroup,
                 "Selected objects per unselected group (0: all at the top level)")
      ->capture_default_str();
  // Refused here, as align would refuse the file.
  const CLI::Validator axisChoice(
      [](const std::string& text) -> std::string {
        if (kcommand::ParseAxisChoice(text)) return {};
        return "'" + text +
               "' is not MODE[:SIDE] (MODE none, plus, center or minus; SIDE inside or outside)";
      },
      "MODE[:SIDE]");
  app.add_option("--x", options.axisX, "Tool setting for X")
      ->capture_default_str()
      ->check(axisChoice);
  app.add_option("--y", options.axisY, "Tool setting for Y")
      ->capture_default_str()
      ->check(axisChoice);
  app.add_option("--z", options.axisZ, "Tool setting for Z")
      ->capture_default_str()
      ->check(axisChoice);
  app.add_option("--output", output, "Scene file to write")->required();
  CLI11_PARSE(app, argc, argv);

  std::ofstream file(output, std::ios::binary);
  file << kbench::SceneFileText(kbench::GenerateScene(options));
  if (!file.flush()) {
    std::fprintf(stderr, "kestrum_generate_scene: cannot write %s\n", output.c_str());
    return 1;
  }
  return 0;
}
