// kestrum demo: the shipped table scene, furnished in four presses of the one-object
// button and a stack of three books on the books, with a picture of before and after.

#include <memory>

#include "alignment_session.h"
#include "input_error.h"
#include "output_files.h"
#include "plugin_locations.h"
#include "press_report.h"
#include "scene_reader.h"
#include "scene_writer.h"
#include "shared_options.h"
#include "subcommand.h"

namespace kcommand {
namespace {

struct DemoOptions {
  std::string picture = "kestrum-demo.svg";
  std::optional<std::string> output;
  std::string plugin;
};

struct DemoStep {
  const char* object;
  const char* what;
  std::array<const char*, 3> axes;
};

// Objects of examples/demo.json, each placed against the table's box in world axes (the
// default frame): the table is turned, and each object keeps its own turn.
constexpr const char* kDemoScene = "demo.json";
constexpr const char* kDemoReference = "Table";
constexpr std::array<DemoStep, 4> kDemoSteps{{
    {"Vase", "on the table, in the middle", {"center", "plus:outside", "center"}},
    {"Books",
     "on the table, flush with the right of its box",
     {"plus:inside", "plus:outside", "center"}},
    {"Chair",
     "in front of the table's box, on the floor",
     {"center", "minus:inside", "minus:outside"}},
    {"Lamp",
     "beside the left of the table's box, on the floor",
     {"minus:outside", "minus:inside", "center"}},
}};

// A pile of books on the books already on the table: each on the one before.
constexpr const char* kPileBase = "Books";
constexpr std::array<const char*, 3> kPile{"BookRed", "BookGreen", "BookBlue"};
constexpr std::array<const char*, 3> kPileAxes{"center", "plus:outside", "center"};

int RunDemo(const DemoOptions& options, std::ostream& out) {
  for (const std::optional<std::string>& output : {options.output, std::optional(options.picture)})
    if (output) CheckCanWrite(*output);
  const std::string scenePath = ExampleScene(kDemoScene);
  SceneModel scene = ReadSceneFile(scenePath);
  const std::vector<ObjectEntry> entries = ListObjects(scene);

  out << "kestrum demo: " << scenePath << "\nconsole:\n";
  AlignmentSession session(options.plugin, scene, scenePath, &out);
  const std::vector<HostPlacement> before = session.objects().Placements();
  const size_t reference = ResolveObject(entries, kDemoReference);
  for (const DemoStep& step : kDemoSteps) {
    AlignmentPress press{reference, ResolveObject(entries, step.object), {}};
    for (int axis = 0; axis < 3; ++axis)
      press.axes[static_cast<size_t>(axis)] =
          AxisOption(axis, step.axes[static_cast<size_t>(axis)]);
    session.Press(press);
    out << "pressed 'align object' for " << step.object << ": " << step.what << " (x "
        << step.axes[0] << ", y " << step.axes[1] << ", z " << step.axes[2] << ")\n";
  }
  std::vector<size_t> pile;
  for (const char* book : kPile) pile.push_back(ResolveObject(entries, book));
  std::array<AxisChoice, 3> pileAxes{};
  for (int axis = 0; axis < 3; ++axis)
    pileAxes[static_cast<size_t>(axis)] = AxisOption(axis, kPileAxes[static_cast<size_t>(axis)]);
  session.Stack(ResolveObject(entries, kPileBase), pile, pileAxes);
  out << "stacked " << kPile[0] << ", " << kPile[1] << " and " << kPile[2] << " on " << kPileBase
      << ", each on the one before: a pile of books, in one undo step (x " << kPileAxes[0] << ", y "
      << kPileAxes[1] << ", z " << kPileAxes[2] << ")\n";
  const std::vector<HostPlacement> after = session.objects().Placements();
  out << "what moved:\n";
  WriteMovedTable(out, session.objects(), before, after);
  const std::string picture = DrawPicture("kestrum demo: furnishing the table",
                                          PictureBoxes(session.objects(), before, reference),
                                          PictureBoxes(session.objects(), after, reference));
  session.Finish();

  OutputFiles files;
  if (options.output) files.Stage(*options.output, SceneToText(scene));
  files.Stage(options.picture, picture);
  files.Commit();
  if (options.output) out << "aligned scene written to " << *options.output << "\n";
  out << "picture written to " << options.picture << "\n";
  return kExitSuccess;
}

}  // namespace

Subcommand AddDemoCommand(CLI::App& kestrum, const std::string& plugin) {
  auto options = std::make_shared<DemoOptions>();
  options->plugin = plugin;
  CLI::App* command = kestrum.add_subcommand(
      "demo", "Furnish the shipped example table scene and draw it before and after");
  command->add_option("--picture", options->picture, "Where to write the picture")
      ->default_str(options->picture);
  command->add_option("-o,--output", options->output, "Also write the aligned scene here");
  AddPluginOption(*command, options->plugin);
  return {command, [options](Console& console) { return RunDemo(*options, console.Result()); }};
}

}  // namespace kcommand
