// kestrum: align scene files with the Kestrum plug-in, loaded into the substitute host
// through its entry point and registration record, as the host application would.

#include <CLI/CLI.hpp>
#include <iostream>

#include "check.h"
#include "commands.h"
#include "input_error.h"
#include "plugin_locations.h"
#include "validation.h"

namespace {

void AddPluginOption(CLI::App& command, std::string& folder) {
  command.add_option("--plugin", folder, "Plug-in folder to load (holds kestrum.cdl)")
      ->default_str(folder);
}

void AddAxisOptions(CLI::App& command, std::array<std::optional<std::string>, 3>& axes,
                    const char* what) {
  const char* names[3] = {"--x", "--y", "--z"};
  for (size_t axis = 0; axis < 3; ++axis)
    command.add_option(names[axis], axes[axis], what)->type_name("MODE[:SIDE]");
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kcommand;
  CLI::App app{
      "kestrum: align objects of a scene against a reference object's bounding box,\n"
      "with the Kestrum plug-in loaded into a substitute host."};
  app.require_subcommand(1);
  const std::string defaultPlugin = DefaultPluginFolder();

  AlignOptions align;
  align.plugin = defaultPlugin;
  CLI::App* alignCommand = app.add_subcommand(
      "align", "Align objects of a scene file and write the aligned scene or list what moved");
  alignCommand
      ->add_option("SCENE", align.scenes,
                   "Scene file: JSON (docs/scene-format.md) or glTF 2.0 (.gltf, .glb); several "
                   "files are aligned alike into the folder -o names")
      ->required();
  alignCommand->add_option("--scene", align.gltfScene,
                           "Which scene of a glTF file (default: the file's own)");
  alignCommand->add_option("--reference", align.reference,
                           "Object to align against: a name, or a path such as Table/Top "
                           "(default: the scene's tool settings)");
  CLI::Option* selected =
      alignCommand->add_flag("--selected", align.selected, "Align every selected object");
  CLI::Option* object = alignCommand->add_option("--object", align.object,
                                                 "Align this one object instead of the selection");
  CLI::Option* select = alignCommand->add_option(
      "--select", align.select,
      "Select this object (repeatable; a pattern with * ? [ matches paths), replacing the "
      "file's selection, and align the selection");
  // One name per --select, so scene files may follow it.
  select->allow_extra_args(false);
  selected->excludes(object);
  select->excludes(object);
  AddAxisOptions(*alignCommand, align.axes,
                 "Placement on the axis: none, plus, center or minus, with :inside (default) or "
                 ":outside");
  alignCommand->add_option("-o,--output", align.output,
                           "Write the aligned scene here (written whole or not at all); a "
                           "folder (ending in /) for several scenes");
  alignCommand->add_option("--picture", align.picture,
                           "Write an SVG picture of before and after here");
  alignCommand->add_flag("--undo", align.undo,
                         "Also check that one undo puts every object back exactly");
  AddPluginOption(*alignCommand, align.plugin);

  ResetOptions reset;
  reset.plugin = defaultPlugin;
  CLI::App* resetCommand =
      app.add_subcommand("reset", "Press the tool's reset button and show the settings it wrote");
  AddAxisOptions(*resetCommand, reset.axes, "Hold this placement before the reset");
  AddPluginOption(*resetCommand, reset.plugin);

  std::string helpPlugin = defaultPlugin;
  CLI::App* helpCommand = app.add_subcommand(
      "help", "Press the tool's help button: the page it opens, or the message it shows");
  AddPluginOption(*helpCommand, helpPlugin);

  std::string infoPlugin = defaultPlugin;
  CLI::App* infoCommand = app.add_subcommand(
      "info", "Load the plug-in, show its banner and registered tool, unload and check for leaks");
  AddPluginOption(*infoCommand, infoPlugin);

  SceneFileOptions list;
  CLI::App* listCommand = app.add_subcommand(
      "list", "List a scene's objects: paths, world positions and half sizes, to find names");
  listCommand->add_option("SCENE", list.scene, "Scene file (JSON or glTF)")->required();
  listCommand->add_option("--scene", list.gltfScene, "Which scene of a glTF file");

  SceneFileOptions convert;
  std::string convertOutput;
  CLI::App* convertCommand = app.add_subcommand(
      "convert", "Write a scene in another format: JSON scene <-> glTF (.gltf or .glb)");
  convertCommand->add_option("IN", convert.scene, "Scene file to read")->required();
  convertCommand->add_option("OUT", convertOutput, "File to write; its extension picks the format")
      ->required();
  convertCommand->add_option("--scene", convert.gltfScene, "Which scene of a glTF file");

  DemoOptions demo;
  demo.plugin = defaultPlugin;
  CLI::App* demoCommand = app.add_subcommand(
      "demo", "Furnish the shipped example table scene and draw it before and after");
  demoCommand->add_option("--picture", demo.picture, "Where to write the picture")
      ->default_str(demo.picture);
  demoCommand->add_option("-o,--output", demo.output, "Also write the aligned scene here");
  AddPluginOption(*demoCommand, demo.plugin);

#ifdef KESTRUM_VIEW
  ViewOptions view;
  view.plugin = defaultPlugin;
  CLI::App* viewCommand = app.add_subcommand(
      "view", "Show the scene and the tool's panel in a browser, served from 127.0.0.1");
  viewCommand->add_option("SCENE", view.scene, "Scene file (JSON, see docs/scene-format.md)")
      ->required();
  viewCommand->add_option("-o,--output", view.output,
                          "Where Save writes (default: over SCENE, after a confirmation)");
  viewCommand->add_option("--port", view.port, "Port to listen on (default: a free one)")
      ->check(CLI::Range(1, 65535));
  AddPluginOption(*viewCommand, view.plugin);
#else
  CLI::App* viewCommand =
      app.add_subcommand("view", "Not in this build (it needs cpp-httplib for this target)");
  viewCommand->allow_extras();
#endif

  khost::validator::ValidationOptions validate;
  validate.pluginFolder = defaultPlugin;
  uint64_t validateSeed = 0;
  CLI::App* validateCommand = app.add_subcommand(
      "validate",
      "Check the plug-in as a developer would before a release: exports, lifecycle, record,\n"
      "hostile arguments, undo, call order, and a seeded random run against a model");
  AddPluginOption(*validateCommand, validate.pluginFolder);
  CLI::Option* seedOption = validateCommand->add_option("--seed", validateSeed,
                                                        "Seed of the random run (default: fresh)");
  validateCommand
      ->add_option("--repeat", validate.repeat, "Load-to-unload cycles; scales the random run")
      ->check(CLI::Range(1, 1000))
      ->default_str(std::to_string(validate.repeat));
  validateCommand->add_flag("--json", validate.json, "Write the results as JSON");
  std::vector<std::string> checkNames;
  for (const khost::validator::Check& check : khost::validator::AllChecks())
    checkNames.push_back(check.name);
  // A misspelt name must not run nothing and report success.
  validateCommand->add_option("--check", validate.only, "Run only the named checks")
      ->check(CLI::IsMember(checkNames));

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int status = app.exit(error);
    return status == 0 ? kExitSuccess : kExitInputError;
  }

  try {
    if (alignCommand->parsed()) return RunAlign(align, std::cout, std::cerr);
    if (listCommand->parsed()) return RunList(list, std::cout, std::cerr);
    if (convertCommand->parsed()) return RunConvert(convert, convertOutput, std::cout, std::cerr);
    if (resetCommand->parsed()) return RunReset(reset, std::cout);
    if (helpCommand->parsed()) return RunHelpButton(helpPlugin, std::cout);
    if (infoCommand->parsed()) return RunInfo(infoPlugin, std::cout);
    if (demoCommand->parsed()) return RunDemo(demo, std::cout);
#ifdef KESTRUM_VIEW
    if (viewCommand->parsed()) return RunView(view, std::cout);
#else
    if (viewCommand->parsed())
      throw InputError(
          "view: this kestrum was built without the view (it needs cpp-httplib "
          "for this target; 32-bit builds have none)");
#endif
    if (validateCommand->parsed()) {
      if (seedOption->count() > 0) validate.seed = validateSeed;
      return khost::validator::RunValidation(validate, std::cout);
    }
  } catch (const InputError& error) {
    std::cout.flush();
    std::cerr << "kestrum: " << error.what() << "\n";
    return kExitInputError;
  } catch (const HostFailure& error) {
    std::cout.flush();
    std::cerr << "kestrum: failure: " << error.what() << "\n";
    return kExitFailure;
  } catch (const std::exception& error) {
    std::cout.flush();
    std::cerr << "kestrum: failure: " << error.what() << "\n";
    return kExitFailure;
  }
  return kExitInputError;
}
