// kestrum demo: the shipped table scene, furnished in three presses of the one-object
// button, with a picture of before and after.

#include "alignment_session.h"
#include "commands.h"
#include "input_error.h"
#include "output_files.h"
#include "plugin_locations.h"
#include "scene_reader.h"
#include "scene_writer.h"
#include "svg_picture.h"

namespace kcommand {
namespace {

struct DemoStep {
  const char* object;
  const char* what;
  std::array<const char*, 3> axes;
};

// Objects of examples/demo.json, each placed against the table.
constexpr const char* kDemoScene = "demo.json";
constexpr const char* kDemoReference = "Table";
constexpr std::array<DemoStep, 4> kDemoSteps{{
    {"Vase", "on the table, in the middle", {"center", "plus:outside", "center"}},
    {"Books", "on the table, flush with its right end", {"plus:inside", "plus:outside", "center"}},
    {"Chair",
     "against the table's front, on the floor",
     {"center", "minus:inside", "minus:outside"}},
    {"Lamp",
     "beside the table's left end, on the floor",
     {"minus:outside", "minus:inside", "center"}},
}};

}  // namespace

int RunDemo(const DemoOptions& options, std::ostream& out) {
  const std::string scenePath = ExampleScene(kDemoScene);
  if (scenePath.empty())
    throw InputError(std::string("the demo scene ") + kDemoScene +
                     " was not found beside the "
                     "command or in the source tree's examples folder");
  SceneFile scene = ReadSceneFile(scenePath);
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

}  // namespace kcommand
