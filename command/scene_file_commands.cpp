// kestrum list and kestrum convert: a scene file's objects as the host holds them, and
// the same objects in another format. Neither loads the plug-in.

#include <cstdio>

#include "commands.h"
#include "input_error.h"
#include "output_files.h"
#include "scene.h"
#include "scene_document.h"
#include "scene_in_host.h"

namespace kcommand {
namespace {

std::string Triple(const HostVector& v) {
  char text[96];
  std::snprintf(text, sizeof text, "(%g, %g, %g)", v.x == 0 ? 0.0 : v.x, v.y == 0 ? 0.0 : v.y,
                v.z == 0 ? 0.0 : v.z);
  return text;
}

}  // namespace

int RunList(const SceneFileOptions& options, std::ostream& out, std::ostream& err) {
  const std::unique_ptr<SceneDocument> document =
      ReadSceneDocument(options.scene, {options.gltfScene});
  if (const std::string notes = document->Notes(); !notes.empty()) err << notes << "\n";
  khost::Scene host;
  SceneInHost objects(host, document->Scene(), options.scene);
  const std::vector<HostPlacement> placements = objects.Placements();
  out << options.scene << ": " << FormatName(document->Format()) << ", " << objects.Count()
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

int RunConvert(const SceneFileOptions& options, const std::string& output, std::ostream& out,
               std::ostream& err) {
  const std::optional<SceneFormat> format = FormatFromExtension(output);
  if (!format)
    throw InputError(output +
                     ": give the output a .json, .gltf or .glb name; the name "
                     "chooses the format");
  const std::unique_ptr<SceneDocument> document =
      ReadSceneDocument(options.scene, {options.gltfScene});
  if (const std::string notes = document->Notes(); !notes.empty()) err << notes << "\n";
  const bool fromGltf = document->Format() != SceneFormat::kJson;
  const bool toGltf = *format != SceneFormat::kJson;
  std::string bytes;
  if (*format == document->Format())
    bytes = document->Serialise(output);
  else if (fromGltf && toGltf)
    throw InputError(output +
                     ": converting between .gltf and .glb is left to glTF tools; "
                     "kestrum converts between its JSON scenes and glTF");
  else
    bytes = SerialiseNewScene(document->Scene(), *format, output);
  OutputFiles file;
  file.Stage(output, bytes);
  file.Commit();
  out << "converted " << options.scene << " (" << FormatName(document->Format()) << ") to "
      << output << " (" << FormatName(*format) << ", " << CountObjects(document->Scene())
      << " objects)\n";
  return kExitSuccess;
}

}  // namespace kcommand
