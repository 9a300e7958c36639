// kestrum align: one press of an align button on a scene file, or on each of several
// files in one plug-in run.

#include <fnmatch.h>

#include <filesystem>
#include <sstream>

#include "alignment_session.h"
#include "commands.h"
#include "input_error.h"
#include "output_files.h"
#include "scene_document.h"
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

// A scene read and the press the options ask for on it.
struct PreparedScene {
  std::unique_ptr<SceneDocument> document;
  AlignmentPress press;
};

PreparedScene Prepare(const AlignOptions& options, const std::string& path,
                      const std::array<std::optional<AxisChoice>, 3>& cliAxes, std::ostream& err) {
  PreparedScene prepared{ReadSceneDocument(path, {options.gltfScene}), {}};
  if (const std::string notes = prepared.document->Notes(); !notes.empty()) err << notes << "\n";
  SceneFile& scene = prepared.document->Scene();
  ToolSettings& tool = scene.tool;
  if (options.reference) tool.reference = options.reference;
  if (!tool.reference)
    throw InputError(path +
                     ": no reference object: give --reference NAME or set \"reference\" in the "
                     "scene's \"tool\" settings");
  if (options.object)
    tool.object = options.object;
  else if (options.selected || !options.select.empty())
    tool.object.reset();
  for (size_t axis = 0; axis < 3; ++axis)
    if (cliAxes[axis]) tool.axes[axis] = cliAxes[axis];

  // Every path is listed only when something asks for paths or a name needs explaining.
  std::vector<ObjectEntry> entries;
  const auto resolve = [&](const char* option, const std::string& name) {
    if (const std::optional<size_t> found = FindByName(scene, name)) return *found;
    if (entries.empty()) entries = ListObjects(scene);
    return ResolveOption(entries, option, name, path);
  };
  if (!options.select.empty()) {
    entries = ListObjects(scene);
    for (const ObjectEntry& entry : entries) entry.object->selected = false;
    for (const std::string& name : options.select) {
      if (name.find_first_of("*?[") == std::string::npos) {
        entries[ResolveOption(entries, "--select", name, path)].object->selected = true;
        continue;
      }
      // A pattern selects every path it matches ('*' also crosses '/').
      size_t matches = 0;
      for (const ObjectEntry& entry : entries)
        if (fnmatch(name.c_str(), entry.path.c_str(), 0) == 0) {
          entry.object->selected = true;
          ++matches;
        }
      if (matches == 0)
        throw InputError(path + ": --select: no object's path matches '" + name + "'");
    }
  }
  AlignmentPress& press = prepared.press;
  press.reference = resolve(options.reference ? "--reference" : "/tool/reference", *tool.reference);
  if (tool.object)
    press.object = resolve(options.object ? "--object" : "/tool/object", *tool.object);
  for (size_t axis = 0; axis < 3; ++axis) press.axes[axis] = tool.axes[axis].value_or(AxisChoice{});
  return prepared;
}

int AlignOne(const AlignOptions& options, const std::array<std::optional<AxisChoice>, 3>& cliAxes,
             std::ostream& out, std::ostream& err) {
  const std::string& path = options.scenes.front();
  PreparedScene prepared = Prepare(options, path, cliAxes, err);
  if (options.output) CheckOutputFormat(*prepared.document, *options.output);
  const AlignmentPress& press = prepared.press;

  AlignmentSession session(options.plugin, prepared.document->Scene(), path, nullptr);
  khost::Scene& host = session.run().host().scene();
  // With an output file only the count of moved objects is shown; the placements are
  // gathered only for what needs them all (a million objects take 120 MB).
  const bool table = !options.output;
  const bool placements = options.undo || options.picture || table;
  std::vector<HostPlacement> before;
  std::vector<uint64_t> fingerprints;
  if (placements)
    before = session.objects().Placements();
  else
    fingerprints = session.objects().PlacementFingerprints();
  const size_t stepsBefore = host.UndoSteps(session.objects().Document());
  session.Press(press);

  std::vector<HostPlacement> after;
  if (placements) after = session.objects().Placements();
  if (options.undo) session.CheckOneUndoStep(stepsBefore, before, after);
  std::ostringstream moves;
  size_t moved = 0;
  if (table)
    moved = WriteMovedTable(moves, session.objects(), before, after);
  else if (placements)
    for (size_t i = 0; i < before.size(); ++i) moved += SamePlacement(before[i], after[i]) ? 0 : 1;
  else
    moved = session.objects().CountMoved(fingerprints);
  std::string picture;
  if (options.picture)
    picture = DrawPicture("kestrum align " + path,
                          PictureBoxes(session.objects(), before, press.reference),
                          PictureBoxes(session.objects(), after, press.reference));
  session.Finish();

  // Every output is written beside its place first and renamed only once all are:
  // a run writes all of its files or none.
  OutputFiles files;
  if (options.output)
    files.Stage(*options.output,
                [&](const ByteSink& sink) { prepared.document->Write(*options.output, sink); });
  if (options.picture) files.Stage(*options.picture, picture);
  files.Commit();
  if (options.output)
    out << "aligned scene written to " << *options.output << " (" << moved << " of "
        << session.objects().Count() << " objects moved)\n";
  else
    out << moves.str();
  if (options.undo)
    out << "undo: the press made one undo step; undoing it put all " << session.objects().Count()
        << " objects back exactly, and redoing it restored the aligned placement\n";
  if (options.picture) out << "picture written to " << *options.picture << "\n";
  return kExitSuccess;
}

bool NamesFolder(const std::optional<std::string>& output) {
  std::error_code ignored;
  return output && (output->back() == '/' || std::filesystem::is_directory(*output, ignored));
}

// Every file with the same settings in one plug-in run; a file that fails is reported
// and leaves no output, and the others go on.
int AlignMany(const AlignOptions& options, const std::array<std::optional<AxisChoice>, 3>& cliAxes,
              std::ostream& out, std::ostream& err) {
  namespace fs = std::filesystem;
  if (!options.output) throw InputError("several scenes: give -o FOLDER/ for the aligned files");
  if (options.picture)
    throw InputError("--picture: draws one scene; give one scene file to use it");
  const fs::path folder(*options.output);
  std::error_code error;
  fs::create_directories(folder, error);
  if (!fs::is_directory(folder, error))
    throw InputError(*options.output + ": cannot make the output folder");

  PluginRun run(options.plugin, nullptr);
  size_t written = 0;
  size_t failed = 0;
  bool hostFailed = false;
  std::vector<fs::path> outputs;
  for (const std::string& path : options.scenes) {
    const fs::path target = folder / fs::path(path).filename();
    try {
      PreparedScene prepared = Prepare(options, path, cliAxes, err);
      AlignmentSession session(run, prepared.document->Scene(), path);
      const std::vector<uint64_t> fingerprints = session.objects().PlacementFingerprints();
      std::vector<HostPlacement> before;
      if (options.undo) before = session.objects().Placements();
      const size_t stepsBefore = run.host().scene().UndoSteps(session.objects().Document());
      session.Press(prepared.press);
      if (options.undo)
        session.CheckOneUndoStep(stepsBefore, before, session.objects().Placements());
      const size_t moved = session.objects().CountMoved(fingerprints);
      session.Finish();
      for (const fs::path& earlier : outputs)
        if (earlier == target)
          throw InputError(path + ": an earlier input was written to " + target.string() +
                           "; give the inputs different file names");
      OutputFiles file;
      file.Stage(target.string(),
                 [&](const ByteSink& sink) { prepared.document->Write(target.string(), sink); });
      file.Commit();
      outputs.push_back(target);
      out << path << ": written to " << target.string() << " (" << moved << " of "
          << session.objects().Count() << " objects moved)\n";
      ++written;
    } catch (const InputError& problem) {
      err << "kestrum: " << problem.what() << "\n";
      ++failed;
    } catch (const HostFailure& problem) {
      err << "kestrum: failure: " << path << ": " << problem.what() << "\n";
      ++failed;
      hostFailed = true;
    }
  }
  run.Finish();
  out << "aligned " << written << " of " << options.scenes.size() << " files, " << failed
      << " failed\n";
  if (failed == 0) return kExitSuccess;
  return hostFailed ? kExitFailure : kExitInputError;
}

}  // namespace

int RunAlign(const AlignOptions& options, std::ostream& out, std::ostream& err) {
  std::array<std::optional<AxisChoice>, 3> cliAxes;
  for (int axis = 0; axis < 3; ++axis)
    if (const auto& text = options.axes[static_cast<size_t>(axis)])
      cliAxes[static_cast<size_t>(axis)] = AxisOption(axis, *text);
  if (options.scenes.size() > 1 || NamesFolder(options.output))
    return AlignMany(options, cliAxes, out, err);
  return AlignOne(options, cliAxes, out, err);
}

}  // namespace kcommand
