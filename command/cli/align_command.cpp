// kestrum align: one press of an align button on a scene file, or on each of several
// files in one plug-in run.

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <sstream>

#include "alignment_session.h"
#include "batch_outputs.h"
#include "input_error.h"
#include "json_report.h"
#include "nothing_moved.h"
#include "object_names.h"
#include "output_files.h"
#include "press_report.h"
#include "progress.h"
#include "scene_files.h"
#include "shared_options.h"
#include "subcommand.h"

namespace kcommand {
namespace {

struct AlignOptions {
  // One scene, or several aligned in one run into the folder `output` names.
  std::vector<std::string> scenes;
  SceneReadOptions read;  // --gltf-scene, --box
  std::optional<std::string> reference;
  std::optional<std::string> object;
  bool selected = false;
  std::vector<std::string> select;        // replaces the file's selection when given
  std::vector<std::string> stack;         // --stack: the objects, in order, each on the one before
  bool asGroup = false;                   // the selection moves as one rigid body
  std::optional<std::string> distribute;  // --distribute x|y|z: even spacing of the selection
  std::string frame = "world";            // --frame: how the boxes are shown to the tool
  std::optional<std::string> gap;         // --gap G or X,Y,Z
  bool explain = false;                   // why each object ended where it did
  AxisTexts axes;
  std::optional<std::string> output;
  std::optional<std::string> picture;
  bool undo = false;
  bool check = false;        // only say whether anything would move
  bool json = false;         // one JSON document on stdout
  bool keepFolders = false;  // a batch keeps the scenes' folders under the output folder
  std::string plugin;
};

// --gap's text as gaps per axis; throws InputError naming the option.
AxisGaps GapOption(const std::string& text) {
  if (const std::optional<AxisGaps> gaps = ParseGap(text)) return *gaps;
  throw InputError("--gap: '" + text + "' is not a finite number G or three, X,Y,Z");
}

// A scene read and the press the options ask for on it.
struct PreparedScene {
  std::unique_ptr<SceneDocument> document;
  AlignmentPress press;
  std::vector<size_t> stack;      // --stack, resolved: the objects in order
  std::optional<int> distribute;  // --distribute's axis
  std::optional<double> distributeGap;
  std::string whyIdle;  // why the press will move nothing, when its settings say so
};

// The scene's entry in the --json document's "files", or nullptr without --json. Valid
// until the next entry is added.
nlohmann::ordered_json* FileEntry(Console& console, const std::string& path) {
  nlohmann::ordered_json* json = console.Json();
  if (!json) return nullptr;
  (*json)["files"].push_back({{"path", path}, {"notes", nlohmann::ordered_json::array()}});
  return &(*json)["files"].back();
}

PreparedScene Prepare(const AlignOptions& options, const std::string& path,
                      const std::array<std::optional<AxisChoice>, 3>& cliAxes, Console& console,
                      nlohmann::ordered_json* fileJson) {
  console.Step("reading " + path);
  const auto start = std::chrono::steady_clock::now();
  PreparedScene prepared{ReadSceneDocument(path, options.read), {}, {}, {}, {}, {}};
  // Counting a million objects is a walk through all of them: only when it is shown.
  if (console.Verbose())
    console.Detail() << "read " << prepared.document->FileName() << " ("
                     << FormatName(prepared.document->Format()) << ", "
                     << CountObjects(prepared.document->Scene()) << " objects)" << TakenSince(start)
                     << "\n";
  for (const std::string& note : prepared.document->Notes()) console.AddNote(note, fileJson);
  // What messages call the scene ("standard input" for "-").
  const std::string& name = prepared.document->FileName();
  if (fileJson) {
    (*fileJson)["path"] = name;
    (*fileJson)["format"] = FormatName(prepared.document->Format());
  }
  SceneModel& scene = prepared.document->Scene();
  ToolSettings& tool = scene.tool;
  if (options.reference) tool.reference = options.reference;
  if (!tool.reference && !options.distribute)
    throw InputError(name +
                     ": no reference object: give --reference NAME or set \"reference\" in the "
                     "scene's \"tool\" settings");
  if (options.object)
    tool.object = options.object;
  else if (options.selected || !options.select.empty() || !options.stack.empty() || options.asGroup)
    tool.object.reset();
  for (size_t axis = 0; axis < 3; ++axis)
    if (cliAxes[axis]) tool.axes[axis] = cliAxes[axis];

  // Every path is listed only when something asks for paths or a name needs explaining.
  ObjectNames names(scene, name);
  if (!options.select.empty()) {
    for (const ObjectEntry& entry : names.Entries()) entry.object->selected = false;
    for (const std::string& object : options.select)
      for (const size_t index : names.Matching("--select", object))
        names.Entries()[index].object->selected = true;
  }
  AlignmentPress& press = prepared.press;
  if (tool.reference)
    press.reference =
        names.Reference(options.reference ? "--reference" : "/tool/reference", *tool.reference);
  press.placement.frame = *ParseFrame(options.frame);
  if (options.gap) press.placement.gap = GapOption(*options.gap);
  for (const std::string& object : options.stack)
    for (const size_t index : names.Matching("--stack", object)) prepared.stack.push_back(index);
  if (tool.object)
    press.object = names.One(options.object ? "--object" : "/tool/object", *tool.object);
  for (size_t axis = 0; axis < 3; ++axis) press.axes[axis] = tool.axes[axis].value_or(AxisChoice{});
  if (options.distribute) {
    prepared.distribute = static_cast<int>(std::string("xyz").find((*options.distribute)[0]));
    if (options.gap)
      prepared.distributeGap = press.placement.gap[static_cast<size_t>(*prepared.distribute)];
    press.placement.gap = {};
    return prepared;
  }
  // A stack moves its objects, not the selection.
  prepared.whyIdle = WhyNothingWillMove(*prepared.document, press, !prepared.stack.empty());
  return prepared;
}

// One scene aligned in a run: its document with the new placements, and what the
// report needs.
struct AlignedScene {
  std::unique_ptr<SceneDocument> document;
  size_t moved = 0;
  size_t objects = 0;
  std::string table;        // with `table`: the objects that moved, before and after
  std::string picture;      // with --picture
  std::string explanation;  // with --explain
  std::string whyIdle;      // when nothing moved: why
};

// The one pipeline of every prepared file: press, check the undo step when asked, read
// the placements back. The run stays open for the next file.
AlignedScene AlignScene(khost::PluginSession& run, PreparedScene prepared,
                        const AlignOptions& options, const std::string& path, bool table,
                        Console& console, nlohmann::ordered_json* fileJson) {
  console.Step("aligning " + path);
  const auto start = std::chrono::steady_clock::now();
  const AlignmentPress& press = prepared.press;
  // Only the undo check reads the undo steps.
  KeepUndo(run, options.undo);
  AlignmentSession session(run, prepared.document->Scene(), path);
  SceneInHost& objects = session.objects();
  // Without a table, picture or undo check only the count of moved objects is needed,
  // which fingerprints give without a copy of every placement (a million take 120 MB).
  const bool placements = options.undo || options.picture || table || fileJson;
  std::vector<HostPlacement> before;
  std::vector<uint64_t> fingerprints;
  if (placements)
    before = objects.Placements();
  else
    fingerprints = objects.PlacementFingerprints();
  const size_t stepsBefore = run.host().scene().UndoSteps(objects.Document());
  session.Explain(options.explain);
  const char* pressed = press.object ? "align object" : "align selected";
  Distribution distribution;
  if (prepared.distribute) {
    const std::vector<size_t> selection = session.Selection();
    distribution = session.Distribute(selection, *prepared.distribute, prepared.distributeGap);
    pressed = "align object for each object spaced";
    if (distribution.order.empty())
      prepared.whyIdle = "nothing to space: --distribute needs three objects or more, and " +
                         std::to_string(selection.size()) +
                         (selection.size() == 1 ? " is selected" : " are selected");
  } else if (!prepared.stack.empty()) {
    session.Stack(press.reference, prepared.stack, press.axes, press.placement);
    pressed = "align object for each object of the stack";
  } else if (options.asGroup) {
    pressed = "align object for the group";
    switch (
        session.PressAsGroup(press.reference, session.Selection(), press.axes, press.placement)) {
      case GroupPress::kNoMembers:
        prepared.whyIdle = "--as-group: no object is selected, so there is no group to move";
        break;
      case GroupPress::kPlainPress:
        pressed = "align object for the group's one object";
        break;
      case GroupPress::kGroup:
        break;
    }
  } else {
    session.Press(press);
  }
  console.Detail() << "pressed '" << pressed << "' on " << path << TakenSince(start) << "\n";

  AlignedScene aligned;
  std::vector<HostPlacement> after;
  if (placements) after = objects.Placements();
  if (options.undo) session.CheckOneUndoStep(stepsBefore, before, after);
  if (table) {
    std::ostringstream moves;
    aligned.moved = WriteMovedTable(moves, objects, before, after);
    aligned.table = moves.str();
  } else if (placements) {
    for (size_t i = 0; i < before.size(); ++i)
      aligned.moved += SamePlacement(before[i], after[i]) ? 0 : 1;
  } else {
    // Given up as counted: writing the scene needs the room.
    aligned.moved = objects.CountMoved(std::exchange(fingerprints, {}));
  }
  const std::optional<size_t> drawnReference =
      press.reference == kSelectionBox || prepared.distribute
          ? std::nullopt
          : std::optional<size_t>(press.reference);
  if (options.picture)
    aligned.picture =
        DrawPicture("kestrum align " + path, PictureBoxes(objects, before, drawnReference),
                    PictureBoxes(objects, after, drawnReference));
  if (options.explain) {
    std::ostringstream explained;
    if (prepared.distribute)
      WriteDistribution(explained, objects, *prepared.distribute, distribution);
    else
      explained << "frame: " << FrameName(press.placement.frame) << " ("
                << FrameKeeps(press.placement.frame) << ")\n";
    WriteExplanations(explained, session.Explanations());
    aligned.explanation = explained.str();
  }
  aligned.objects = objects.Count();
  if (fileJson) {
    (*fileJson)["frame"] = prepared.distribute ? "world" : FrameName(press.placement.frame);
    (*fileJson)["objects"] = aligned.objects;
    (*fileJson)["moved"] = aligned.moved;
    (*fileJson)["movedObjects"] = MovedObjectsJson(objects, before, after);
    if (options.explain) (*fileJson)["explanations"] = ExplanationsJson(session.Explanations());
  }
  if (aligned.moved == 0 && prepared.whyIdle.empty() && prepared.stack.empty() &&
      !options.asGroup && !prepared.distribute && press.placement.frame != PlacementFrame::kTool &&
      press.reference != kSelectionBox) {
    // Outside the tool's frame the reference stays where it is.
    if (press.object == press.reference)
      prepared.whyIdle = kObjectIsTheReference;
    else if (!press.object && session.Selection() == std::vector<size_t>{press.reference})
      prepared.whyIdle = kOnlyTheReferenceSelected;
  }
  if (aligned.moved == 0)
    aligned.whyIdle = prepared.whyIdle.empty() ? kAlreadyInPlace : prepared.whyIdle;
  session.Finish();
  aligned.document = std::move(prepared.document);
  return aligned;
}

void WriteStandardOutput(Console& console, const std::string& bytes) {
  if (bytes.empty()) return;
  std::ostream& out = console.Output();
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.flush();
  if (!out) throw InputError(std::string(kStandardOutputName) + ": cannot write the output");
}

// A run that moved nothing succeeds, and says why.
void NoteWhyIdle(Console& console, const std::string& name, const AlignedScene& aligned,
                 nlohmann::ordered_json* fileJson) {
  if (aligned.moved == 0)
    console.AddNote(name + ": note: nothing moved: " + aligned.whyIdle, fileJson);
}

void ReportUndo(std::ostream& out, const AlignOptions& options, size_t objects) {
  const char* what = !options.stack.empty() ? "the stack"
                     : options.asGroup      ? "the group press"
                     : options.distribute   ? "the spacing"
                                            : "the press";
  out << "undo: " << what << " made one undo step; undoing it put all " << objects
      << " objects back exactly, and redoing it restored the aligned placement\n";
}

int AlignOne(const AlignOptions& options, const std::array<std::optional<AxisChoice>, 3>& cliAxes,
             Console& console) {
  // Where the outputs go is checked before any work, the format once the scene is read.
  for (const std::optional<std::string>& output : {options.output, options.picture})
    if (output && !IsStandardStream(*output)) CheckCanWrite(*output);
  nlohmann::ordered_json* fileJson = FileEntry(console, options.scenes.front());
  PreparedScene prepared = Prepare(options, options.scenes.front(), cliAxes, console, fileJson);
  const std::string name = prepared.document->FileName();
  if (options.output) CheckOutputFormat(*prepared.document, *options.output);
  const std::unique_ptr<khost::PluginSession> loaded = LoadPlugin(options.plugin, nullptr);
  khost::PluginSession& run = *loaded;
  // With an output file only the count of moved objects is shown.
  AlignedScene aligned =
      AlignScene(run, std::move(prepared), options, name, !options.output, console, fileJson);
  // A plug-in that left anything behind fails the run before a file is written.
  FinishCleanly(run);

  // Every output is written beside its place first and renamed only once all are:
  // a run writes all of its files or none. Standard output gets its bytes last.
  console.Step("writing");
  const auto writing = std::chrono::steady_clock::now();
  OutputFiles files;
  std::string standardOutput;
  if (options.output && IsStandardStream(*options.output))
    standardOutput = aligned.document->Serialise(kStandardOutputName);
  else if (options.output)
    files.Stage(*options.output,
                [&](const ByteSink& sink) { aligned.document->Write(*options.output, sink); });
  if (options.picture && IsStandardStream(*options.picture))
    standardOutput = aligned.picture;
  else if (options.picture)
    files.Stage(*options.picture, aligned.picture);
  files.Commit();
  WriteStandardOutput(console, standardOutput);
  console.Detail() << "wrote the outputs" << TakenSince(writing) << "\n";
  const auto shown = [](const std::string& path) {
    return IsStandardStream(path) ? std::string(kStandardOutputName) : path;
  };
  if (options.output)
    console.Status() << "aligned scene written to " << shown(*options.output) << " ("
                     << aligned.moved << " of " << aligned.objects << " objects moved)\n";
  else
    console.Result() << aligned.table;
  console.Result() << aligned.explanation;
  if (options.undo) ReportUndo(console.Result(), options, aligned.objects);
  NoteWhyIdle(console, name, aligned, fileJson);
  if (fileJson) {
    (*fileJson)["output"] =
        options.output ? nlohmann::ordered_json(shown(*options.output)) : nullptr;
    (*fileJson)["picture"] =
        options.picture ? nlohmann::ordered_json(shown(*options.picture)) : nullptr;
    (*fileJson)["undoChecked"] = options.undo;
  }
  if (options.picture) console.Status() << "picture written to " << shown(*options.picture) << "\n";
  return kExitSuccess;
}

bool NamesFolder(const std::optional<std::string>& output) {
  std::error_code ignored;
  return output && (output->back() == '/' || std::filesystem::is_directory(*output, ignored));
}

// Every file with the same settings in one plug-in run; a file that fails is reported
// and leaves no output, and the others go on.
int AlignMany(const AlignOptions& options, const std::array<std::optional<AxisChoice>, 3>& cliAxes,
              Console& console) {
  namespace fs = std::filesystem;
  if (!options.output) throw InputError("several scenes: give -o FOLDER/ for the aligned files");
  if (options.picture)
    throw InputError("--picture: draws one scene; give one scene file to use it");
  const fs::path folder(*options.output);
  const std::vector<fs::path> targets = BatchOutputs(options.scenes, folder, options.keepFolders);
  std::error_code error;
  fs::create_directories(folder, error);
  if (!fs::is_directory(folder, error))
    throw InputError(*options.output + ": cannot make the output folder");
  CheckCanWriteInto(folder.string());

  const std::unique_ptr<khost::PluginSession> loaded = LoadPlugin(options.plugin, nullptr);
  khost::PluginSession& run = *loaded;
  size_t written = 0;
  size_t failed = 0;
  bool hostFailed = false;
  for (size_t i = 0; i < options.scenes.size(); ++i) {
    const std::string& path = options.scenes[i];
    const fs::path& target = targets[i];
    console.StepContext("file " + std::to_string(i + 1) + " of " +
                        std::to_string(options.scenes.size()) + ": ");
    nlohmann::ordered_json* fileJson = FileEntry(console, path);
    const auto failedWith = [&](const char* kind, const std::string& message) {
      if (fileJson) (*fileJson)["errors"].push_back({{"kind", kind}, {"message", message}});
      ++failed;
    };
    try {
      AlignedScene aligned = AlignScene(run, Prepare(options, path, cliAxes, console, fileJson),
                                        options, path, false, console, fileJson);
      if (target.has_parent_path() && !fs::is_directory(target.parent_path(), error)) {
        fs::create_directories(target.parent_path(), error);
        if (error)
          throw InputError(target.parent_path().string() +
                           ": cannot make the folder: " + error.message());
      }
      OutputFiles file;
      file.Stage(target.string(),
                 [&](const ByteSink& sink) { aligned.document->Write(target.string(), sink); });
      file.Commit();
      console.Status() << path << ": written to " << target.string() << " (" << aligned.moved
                       << " of " << aligned.objects << " objects moved)\n";
      console.Result() << aligned.explanation;
      NoteWhyIdle(console, path, aligned, fileJson);
      if (fileJson) (*fileJson)["output"] = target.string();
      ++written;
    } catch (const InputError& problem) {
      console.Error() << "kestrum: " << problem.what() << "\n";
      failedWith("input", problem.what());
    } catch (const HostFailure& problem) {
      console.Error() << "kestrum: failure: " << path << ": " << problem.what() << "\n";
      failedWith("failure", path + ": " + problem.what());
      hostFailed = true;
    }
  }
  FinishCleanly(run);
  console.Status() << "aligned " << written << " of " << options.scenes.size() << " files, "
                   << failed << " failed\n";
  if (failed == 0) return kExitSuccess;
  return hostFailed ? kExitFailure : kExitInputError;
}

// --check: whether the press would move anything in each scene; nothing is written.
int CheckScenes(const AlignOptions& options,
                const std::array<std::optional<AxisChoice>, 3>& cliAxes, Console& console) {
  const std::unique_ptr<khost::PluginSession> loaded = LoadPlugin(options.plugin, nullptr);
  khost::PluginSession& run = *loaded;
  bool wouldMove = false;
  for (const std::string& path : options.scenes) {
    nlohmann::ordered_json* fileJson = FileEntry(console, path);
    PreparedScene prepared = Prepare(options, path, cliAxes, console, fileJson);
    const std::string name = prepared.document->FileName();
    const AlignedScene aligned =
        AlignScene(run, std::move(prepared), options, name, false, console, fileJson);
    if (fileJson) (*fileJson)["output"] = nullptr;
    if (aligned.moved == 0) {
      console.Result() << name << ": nothing would move: " << aligned.whyIdle << "\n";
    } else {
      console.Result() << name << ": " << aligned.moved << " of " << aligned.objects
                       << " objects would move\n";
      wouldMove = true;
    }
    console.Result() << aligned.explanation;
  }
  FinishCleanly(run);
  return wouldMove ? kExitFailure : kExitSuccess;
}

// "-" reads standard input once and writes standard output with one thing.
void CheckStandardStreams(const AlignOptions& options) {
  const size_t fromInput = static_cast<size_t>(
      std::count_if(options.scenes.begin(), options.scenes.end(), IsStandardStream));
  if (fromInput > 1)
    throw InputError("-: standard input is given " + std::to_string(fromInput) +
                     " times; it holds one scene");
  if (fromInput == 1 && options.scenes.size() > 1)
    throw InputError(
        "-: standard input cannot be one of several scenes, whose outputs are named after "
        "their files");
  const bool outputToStream = options.output && IsStandardStream(*options.output);
  if (outputToStream && options.picture && IsStandardStream(*options.picture))
    throw InputError("-o - and --picture -: standard output can take one of them");
  if (outputToStream && options.scenes.size() > 1)
    throw InputError("-o -: several scenes are written to a folder, not to standard output");
}

int RunAlign(const AlignOptions& options, Console& console) {
  CheckStandardStreams(options);
  const bool pictureToStream = options.picture && IsStandardStream(*options.picture);
  if (options.json && ((options.output && IsStandardStream(*options.output)) || pictureToStream))
    throw InputError(std::string("--json: standard output holds the JSON document; write the ") +
                     (pictureToStream ? "picture" : "scene") + " to a file");
  if (options.json) {
    console.WriteJson("align");
    (*console.Json())["check"] = options.check;
    (*console.Json())["files"] = nlohmann::ordered_json::array();
  }
  const Progress progress(console);
  const std::array<std::optional<AxisChoice>, 3> cliAxes = AxisOptions(options.axes);
  if (options.gap) GapOption(*options.gap);
  if (options.frame == "tool" && options.gap)
    throw InputError(
        "--gap: needs --frame world or reference; the tool's own frame has no box "
        "of its own to grow");
  if (options.distribute && options.frame != "world")
    throw InputError("--distribute: spaces boxes in world axes; --frame " + options.frame +
                     " does not apply to it");
  if (options.distribute && std::any_of(cliAxes.begin(), cliAxes.end(),
                                        [](const auto& axis) { return axis.has_value(); }))
    throw InputError("--distribute: places along its own axis; --x, --y and --z do not apply");
  if ((options.output && IsStandardStream(*options.output)) ||
      (options.picture && IsStandardStream(*options.picture)))
    console.KeepOutputForFile();
  if (options.check) return CheckScenes(options, cliAxes, console);
  if (options.scenes.size() > 1 || NamesFolder(options.output))
    return AlignMany(options, cliAxes, console);
  return AlignOne(options, cliAxes, console);
}

}  // namespace

Subcommand AddAlignCommand(CLI::App& kestrum, const std::string& plugin) {
  auto options = std::make_shared<AlignOptions>();
  options->plugin = plugin;
  CLI::App* command = kestrum.add_subcommand(
      "align", "Align objects of a scene file and write the aligned scene or list what moved");
  command
      ->add_option("SCENE", options->scenes,
                   "Scene file: JSON (docs/scene-format.md) or glTF 2.0 (.gltf, .glb), - for "
                   "standard input; several files are aligned alike into the folder -o names")
      ->required();
  AddGltfSceneOption(*command, options->read.gltfScene);
  AddBoxOption(*command, options->read.boxes);
  command->add_option("--reference", options->reference,
                      "Object to align against: a name, or a path such as Table/Top, or "
                      "@selection for the union of the selected objects' boxes (default: the "
                      "scene's tool settings)");
  CLI::Option* selected =
      command->add_flag("--selected", options->selected, "Align every selected object");
  CLI::Option* object = command->add_option("--object", options->object,
                                            "Align this one object instead of the selection");
  CLI::Option* select = command->add_option(
      "--select", options->select,
      "Select this object, replacing the file's selection, and align the selection "
      "(repeatable). A pattern (* ? [) without / matches names as a plain name does, "
      "anywhere (Box*); with / it matches whole paths, * crossing / (Engine/* reaches "
      "Engine/Block/Bolt)");
  // One name per --select, so scene files may follow it.
  select->allow_extra_args(false);
  CLI::Option* stack = command->add_option(
      "--stack", options->stack,
      "Stack these objects, in the order given: the first against the reference, each next "
      "one against the one before, with the one-object button and the same axes, in one "
      "undo step. Names or patterns as --select takes them, a pattern's matches in list "
      "order; give the scene before --stack, or end its list with --");
  CLI::Option* asGroup = command->add_flag(
      "--as-group", options->asGroup,
      "Move the selection as one rigid body: the union of its boxes is aligned as one "
      "object and every selected object keeps its place in it");
  command->add_flag("--explain", options->explain,
                    "Also say, for every object a press moved and every axis, the mode and "
                    "side, the half sizes the tool read, the distance it set and the position "
                    "before and after, and what it did to the rotation (from the host's call "
                    "trace)");
  command
      ->add_option("--frame", options->frame,
                   "How objects are placed: world (default; each object moved by its box in "
                   "world axes, its rotation and scale kept, the reference never moved), "
                   "reference (boxes along the reference's axes; the object takes its "
                   "orientation, keeps its scale) or tool (the tool's own frames: positions in "
                   "parent frames, the reference's rotation and scale taken)")
      ->check(CLI::IsMember({"world", "reference", "tool"}));
  command->add_option("--gap", options->gap,
                      "Space to leave, G for every axis or X,Y,Z: outside, the faces are G "
                      "apart; inside, the face is G in from the reference's; center, shifted "
                      "by G (made by growing the reference's box)");
  CLI::Option* distribute =
      command
          ->add_option("--distribute", options->distribute,
                       "Space the selected objects evenly along x, y or z: sorted by their "
                       "box's low face, the two outermost stay and the gaps between "
                       "neighbours come out equal; with --gap the lowest stays and each next "
                       "one sits G after the one before. One undo step; no reference needed")
          ->check(CLI::IsMember({"x", "y", "z"}));
  selected->excludes(object);
  distribute->excludes(object)->excludes(stack)->excludes(asGroup);
  select->excludes(object);
  stack->excludes(object)->excludes(selected)->excludes(select)->excludes(asGroup);
  asGroup->excludes(object);
  AddAxisOptions(*command, options->axes,
                 "Placement on the axis: none, plus, center or minus, with :inside (default) or "
                 ":outside");
  CLI::Option* output =
      command->add_option("-o,--output", options->output,
                          "Write the aligned scene here (written whole or not at all), - for "
                          "standard output (the report then goes to stderr); a folder (ending "
                          "in /) for several scenes");
  CLI::Option* picture =
      command->add_option("--picture", options->picture,
                          "Write an SVG picture of before and after here (- for standard output)");
  command->add_flag("--keep-folders", options->keepFolders,
                    "With several scenes, keep their folders (below the one they share) under "
                    "the output folder");
  command->add_flag("--json", options->json,
                    "Write one JSON document on stdout instead of the report: what was read and "
                    "each moved object (docs/command-output.schema.json)");
  CLI::Option* check =
      command->add_flag("--check", options->check,
                        "Write nothing; exit 0 when nothing would move, 1 when something would");
  command->add_flag("--undo", options->undo,
                    "Also check that one undo puts every object back exactly");
  AddPluginOption(*command, options->plugin);
  check->excludes(output)->excludes(picture);
  return {command, [options](Console& console) { return RunAlign(*options, console); }};
}

}  // namespace kcommand
