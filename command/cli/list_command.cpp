// kestrum list: a scene file's objects as the host holds them, to find the names to give
// align. It does not load the plug-in.

#include <cstdio>
#include <memory>

#include "gltf_reader.h"
#include "input_error.h"
#include "json_number_text.h"
#include "json_report.h"
#include "progress.h"
#include "scene_files.h"
#include "scene_in_host.h"
#include "shared_options.h"
#include "subcommand.h"

namespace kcommand {
namespace {

struct ListOptions {
  std::string scene;
  SceneReadOptions read;  // --gltf-scene, --box
  bool json = false;
};

std::string Triple(const HostVector& v) {
  char text[96];
  std::snprintf(text, sizeof text, "(%g, %g, %g)", WithoutNegativeZero(v.x),
                WithoutNegativeZero(v.y), WithoutNegativeZero(v.z));
  return text;
}

// The scene's entry in the --json document: every object as the host holds it.
nlohmann::ordered_json MeshJson(const SceneDocument& document, size_t object) {
  const GltfFile* gltf = document.Gltf();
  const std::string mesh = gltf ? MeshNameOf(*gltf, object) : "";
  return mesh.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(mesh);
}

nlohmann::ordered_json ListJson(const SceneDocument& document, const SceneInHost& objects,
                                const std::vector<HostPlacement>& placements,
                                const std::vector<std::string>& notes) {
  nlohmann::ordered_json listed = nlohmann::ordered_json::array();
  for (size_t i = 0; i < objects.Count(); ++i) {
    const ObjectEntry& entry = objects.Entries()[i];
    const SceneObject& object = *entry.object;
    listed.push_back({{"path", entry.path},
                      {"alias", object.alias ? nlohmann::ordered_json(*object.alias) : nullptr},
                      {"selected", object.selected},
                      {"world", WorldPlacementJson(placements[i].world)},
                      {"halfSize", VectorJson(placements[i].halfSizes)},
                      {"mesh", MeshJson(document, i)}});
  }
  return {{"path", document.FileName()},
          {"notes", notes},
          {"format", FormatName(document.Format())},
          {"objects", objects.Count()},
          {"listed", std::move(listed)}};
}

int RunList(const ListOptions& options, Console& console) {
  if (options.json) console.WriteJson("list");
  const Progress progress(console);
  console.Step("reading " + options.scene);
  const std::unique_ptr<SceneDocument> document = ReadSceneDocument(options.scene, options.read);
  const std::vector<std::string> notes = document->Notes();
  for (const std::string& note : notes) console.ShowNote(note);
  std::ostream& out = console.Result();
  SceneWithoutPlugin placed(document->Scene(), document->FileName());
  SceneInHost& objects = placed.objects();
  const std::vector<HostPlacement> placements = objects.Placements();
  if (nlohmann::ordered_json* json = console.Json()) {
    (*json)["files"] = {ListJson(*document, objects, placements, notes)};
    return kExitSuccess;
  }
  out << document->FileName() << ": " << FormatName(document->Format()) << ", " << objects.Count()
      << " objects (path, alias, world position of the box centre, half sizes, mesh, * "
         "selected)\n";
  const GltfFile* gltf = document->Gltf();
  for (size_t i = 0; i < objects.Count(); ++i) {
    const ObjectEntry& entry = objects.Entries()[i];
    out << (entry.object->selected ? "* " : "  ") << entry.path;
    if (entry.object->alias && *entry.object->alias != entry.object->name)
      out << "  " << *entry.object->alias;
    out << "  at " << Triple(placements[i].world.offset) << "  half "
        << Triple(placements[i].halfSizes);
    if (const std::string mesh = gltf ? MeshNameOf(*gltf, i) : ""; !mesh.empty())
      out << "  mesh " << mesh;
    out << "\n";
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
  AddGltfSceneOption(*command, options->read.gltfScene);
  AddBoxOption(*command, options->read.boxes);
  command->add_flag("--json", options->json,
                    "Write the objects as one JSON document (docs/command-output.schema.json)");
  return {command, [options](Console& console) { return RunList(*options, console); }};
}

}  // namespace kcommand
