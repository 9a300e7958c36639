// kestrum list: a scene file's objects as the host holds them, to find the names to give
// align. It does not load the plug-in.

#include <cstdio>
#include <memory>

#include "input_error.h"
#include "json_number_text.h"
#include "progress.h"
#include "scene.h"
#include "scene_files.h"
#include "scene_in_host.h"
#include "shared_options.h"
#include "subcommand.h"

namespace kcommand {
namespace {

struct ListOptions {
  std::string scene;
  std::optional<size_t> gltfScene;
};

std::string Triple(const HostVector& v) {
  char text[96];
  std::snprintf(text, sizeof text, "(%g, %g, %g)", WithoutNegativeZero(v.x),
                WithoutNegativeZero(v.y), WithoutNegativeZero(v.z));
  return text;
}

int RunList(const ListOptions& options, Console& console) {
  const Progress progress(console);
  console.Step("reading " + options.scene);
  const std::unique_ptr<SceneDocument> document =
      ReadSceneDocument(options.scene, {options.gltfScene});
  if (const std::string notes = document->Notes(); !notes.empty()) console.Note() << notes << "\n";
  std::ostream& out = console.Result();
  khost::Scene host;
  SceneInHost objects(host, document->Scene(), document->FileName());
  const std::vector<HostPlacement> placements = objects.Placements();
  out << document->FileName() << ": " << FormatName(document->Format()) << ", " << objects.Count()
      << " objects (path, alias, world position, half sizes, * selected)\n";
  for (size_t i = 0; i < objects.Count(); ++i) {
    const ObjectEntry& entry = objects.Entries()[i];
    out << (entry.object->selected ? "* " : "  ") << entry.path;
    if (entry.object->alias && *entry.object->alias != entry.object->name)
      out << "  " << *entry.object->alias;
    out << "  at " << Triple(placements[i].world.offset) << "  half "
        << Triple(placements[i].halfSizes) << "\n";
  }
  return kExitSuccess;
}

}  // namespace

Subcommand AddListCommand(CLI::App& kestrum) {
  auto options = std::make_shared<ListOptions>();
  CLI::App* command = kestrum.add_subcommand(
      "list", "List a scene's objects: paths, world positions and half sizes, to find names");
  command->add_option("SCENE", options->scene, "Scene file (JSON or glTF), - for standard input")
      ->required();
  AddGltfSceneOption(*command, options->gltfScene);
  return {command, [options](Console& console) { return RunList(*options, console); }};
}

}  // namespace kcommand
