// kestrum align: one press of an align button on a scene file.

#include <sstream>

#include "alignment_session.h"
#include "commands.h"
#include "input_error.h"
#include "output_files.h"
#include "scene_reader.h"
#include "scene_writer.h"
#include "svg_picture.h"

namespace kcommand {

AxisChoice AxisOption(int axis, const std::string& text) {
  if (const std::optional<AxisChoice> choice = ParseAxisChoice(text)) return *choice;
  throw InputError(std::string("--") + kAxisLetters[static_cast<size_t>(axis)] + ": '" + text +
                   "' is not MODE[:SIDE] (MODE none, plus, center or minus; SIDE inside or "
                   "outside)");
}

namespace {

size_t ResolveOption(const std::vector<ObjectEntry>& objects, const std::string& option,
                     const std::string& name, const std::string& fileName) {
  try {
    return ResolveObject(objects, name);
  } catch (const InputError& error) {
    throw InputError(fileName + ": " + option + ": " + error.what());
  }
}

}  // namespace

int RunAlign(const AlignOptions& options, std::ostream& out) {
  std::array<std::optional<AxisChoice>, 3> cliAxes;
  for (int axis = 0; axis < 3; ++axis)
    if (const auto& text = options.axes[static_cast<size_t>(axis)])
      cliAxes[static_cast<size_t>(axis)] = AxisOption(axis, *text);

  SceneFile scene = ReadSceneFile(options.scene);
  ToolSettings& tool = scene.tool;
  if (options.reference) tool.reference = options.reference;
  if (!tool.reference)
    throw InputError(options.scene +
                     ": no reference object: give --reference NAME or set \"reference\" in the "
                     "scene's \"tool\" settings");
  if (options.object)
    tool.object = options.object;
  else if (options.selected)
    tool.object.reset();
  for (size_t axis = 0; axis < 3; ++axis)
    if (cliAxes[axis]) tool.axes[axis] = cliAxes[axis];

  const std::vector<ObjectEntry> entries = ListObjects(scene);
  AlignmentPress press{ResolveOption(entries, options.reference ? "--reference" : "/tool/reference",
                                     *tool.reference, options.scene),
                       std::nullopt,
                       {}};
  if (tool.object)
    press.object = ResolveOption(entries, options.object ? "--object" : "/tool/object",
                                 *tool.object, options.scene);
  for (size_t axis = 0; axis < 3; ++axis) press.axes[axis] = tool.axes[axis].value_or(AxisChoice{});

  AlignmentSession session(options.plugin, scene, options.scene, nullptr);
  khost::Scene& host = session.run().host().scene();
  const std::vector<HostPlacement> before = session.objects().Placements();
  const size_t stepsBefore = host.UndoSteps(session.objects().Document());
  session.Press(press);
  const std::vector<HostPlacement> after = session.objects().Placements();
  if (options.undo) session.CheckOneUndoStep(stepsBefore, before, after);

  std::ostringstream table;
  const size_t moved = WriteMovedTable(table, session.objects(), before, after);
  std::string picture;
  if (options.picture)
    picture = DrawPicture("kestrum align " + options.scene,
                          PictureBoxes(session.objects(), before, press.reference),
                          PictureBoxes(session.objects(), after, press.reference));
  session.Finish();

  // Every output is written beside its place first and renamed only once all are:
  // a run writes all of its files or none.
  OutputFiles files;
  if (options.output) files.Stage(*options.output, SceneToText(scene));
  if (options.picture) files.Stage(*options.picture, picture);
  files.Commit();
  if (options.output)
    out << "aligned scene written to " << *options.output << " (" << moved << " of "
        << session.objects().Count() << " objects moved)\n";
  else
    out << table.str();
  if (options.undo)
    out << "undo: the press made one undo step; undoing it put all " << session.objects().Count()
        << " objects back exactly, and redoing it restored the aligned placement\n";
  if (options.picture) out << "picture written to " << *options.picture << "\n";
  return kExitSuccess;
}

}  // namespace kcommand
