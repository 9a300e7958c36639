// kestrum convert: a scene file's objects in another format. It does not load the
// plug-in.

#include <memory>

#include "input_error.h"
#include "output_files.h"
#include "progress.h"
#include "scene_files.h"
#include "shared_options.h"
#include "subcommand.h"

namespace kcommand {
namespace {

struct ConvertOptions {
  std::string scene;
  std::string output;
  std::optional<size_t> gltfScene;
};

int RunConvert(const ConvertOptions& options, Console& console) {
  const std::string& output = options.output;
  const std::optional<SceneFormat> format = FormatFromExtension(output);
  if (!format)
    throw InputError(output +
                     ": give the output a .json, .gltf or .glb name; the name "
                     "chooses the format");
  CheckCanWrite(output);
  const Progress progress(console);
  console.Step("converting " + options.scene);
  const std::unique_ptr<SceneDocument> document =
      ReadSceneDocument(options.scene, {options.gltfScene});
  for (const std::string& note : document->Notes()) console.AddNote(note);
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
  console.Status() << "converted " << document->FileName() << " (" << FormatName(document->Format())
                   << ") to " << output << " (" << FormatName(*format) << ", "
                   << CountObjects(document->Scene()) << " objects)\n";
  return kExitSuccess;
}

}  // namespace

Subcommand AddConvertCommand(CLI::App& kestrum) {
  auto options = std::make_shared<ConvertOptions>();
  CLI::App* command = kestrum.add_subcommand(
      "convert", "Write a scene in another format: JSON scene <-> glTF (.gltf or .glb)");
  command->add_option("IN", options->scene, "Scene file to read, - for standard input")->required();
  command->add_option("OUT", options->output, "File to write; its extension picks the format")
      ->required();
  AddGltfSceneOption(*command, options->gltfScene);
  return {command, [options](Console& console) { return RunConvert(*options, console); }};
}

}  // namespace kcommand
