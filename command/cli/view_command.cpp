// kestrum view: the scene and the tool's panel in a browser, served from 127.0.0.1 until
// SIGINT or SIGTERM, every action going to the plug-in through the host as align's do.

#include <memory>
#include <optional>
#include <string>

#include "input_error.h"
#include "scene_files.h"
#include "shared_options.h"
#include "subcommand.h"

#ifdef KESTRUM_VIEW
#include <pthread.h>
#include <signal.h>

#include <thread>

#include "gltf_meshes.h"
#include "plugin_loading.h"
#include "plugin_thread.h"
#include "view_server.h"
#include "view_state.h"
#endif

namespace kcommand {
namespace {

struct ViewOptions {
  std::string scene;
  std::optional<std::string> output;  // where Save writes; unset: over the scene file
  int port = 0;                       // 0: any free port
  SceneReadOptions read;              // --gltf-scene, --box
  std::string plugin;
};

#ifdef KESTRUM_VIEW
// The scene the view serves, read through its format's reader, with its meshes; the
// writer Save writes it back with.
struct ViewedScene {
  SceneModel scene;
  GltfMeshes meshes;
  SceneTextWriter writer;
};

ViewedScene ReadViewedScene(const ViewOptions& options, Console& console) {
  if (IsStandardStream(options.scene))
    throw InputError("view: give a scene file, not standard input: Save writes the scene back");
  if (options.output) CheckCanWrite(*options.output);
  // The scene format's reader and writer: the view knows the file only through these.
  std::shared_ptr<SceneDocument> document = ReadSceneDocument(options.scene, options.read);
  for (const std::string& note : document->Notes()) console.AddNote(note);
  if (options.output) CheckOutputFormat(*document, *options.output);
  ViewedScene viewed{document->Scene(), {}, {}};
  // Read once: the page fetches each mesh once and draws it for every node that uses it.
  if (const GltfFile* gltf = document->Gltf()) viewed.meshes = ReadGltfMeshes(*gltf);
  if (viewed.meshes.compressedPrimitives > 0)
    console.AddNote(document->FileName() +
                    ": note: " + std::to_string(viewed.meshes.compressedPrimitives) +
                    " compressed primitive(s) (Draco or meshopt) are not decoded by the view: "
                    "their boxes stand for them");
  viewed.writer = [document](const SceneModel& file, const std::string& path) {
    document->Scene() = file;
    return document->Serialise(path);
  };
  return viewed;
}

// Serves until SIGINT or SIGTERM; the first line written is the address to open.
int RunView(const ViewOptions& options, Console& console) {
  std::ostream& out = console.Result();
  ViewedScene viewed = ReadViewedScene(options, console);
  SceneModel& scene = viewed.scene;
  const GltfMeshes& meshes = viewed.meshes;
  const SceneTextWriter& writer = viewed.writer;

  // Every thread started from here on inherits the blocked signals, so only sigwait
  // below sees them and the shutdown runs in order on this thread.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  PluginThread thread;
  std::unique_ptr<ViewState> state;
  // The host is made, used and ended on the plug-in thread only.
  const auto end = [&] {
    return thread.Run([&] {
      std::vector<std::string> problems = state ? state->Finish() : std::vector<std::string>{};
      state.reset();
      return problems;
    });
  };
  std::string token = NewViewToken();
  std::unique_ptr<ViewServer> server;
  int port = 0;
  try {
    thread.Run([&] {
      state = std::make_unique<ViewState>(options.plugin, std::move(scene), options.scene,
                                          options.output, writer);
      state->SetObjectMeshes(meshes.meshOfObject);
    });
    server = std::make_unique<ViewServer>(thread, *state, token, meshes);
    port = server->Bind(options.port);
  } catch (...) {
    end();
    throw;
  }
  std::thread listener([&] { server->Listen(); });
  out << "http://127.0.0.1:" << port << "/?token=" << token << std::endl;

  int received = 0;
  sigwait(&stopSignals, &received);
  server->Stop();
  listener.join();
  server.reset();
  const std::vector<std::string> problems = end();
  out << "stopped (" << (received == SIGINT ? "SIGINT" : "SIGTERM") << "): server closed, "
      << "plug-in ended and unloaded\n";
  RequireCleanFinish(options.plugin, problems);
  out << "unloaded: nothing left allocated, no misuse recorded\n";
  return kExitSuccess;
}

#endif

}  // namespace

Subcommand AddViewCommand(CLI::App& kestrum, const std::string& plugin) {
  auto options = std::make_shared<ViewOptions>();
  options->plugin = plugin;
#ifdef KESTRUM_VIEW
  CLI::App* command = kestrum.add_subcommand(
      "view", "Show the scene and the tool's panel in a browser, served from 127.0.0.1");
  command->add_option("SCENE", options->scene, "Scene file (JSON or glTF)")->required();
  command->add_option("-o,--output", options->output,
                      "Where Save writes (default: over SCENE, after a confirmation)");
  command->add_option("--port", options->port, "Port to listen on (default: a free one)")
      ->check(CLI::Range(1, 65535));
  AddGltfSceneOption(*command, options->read.gltfScene);
  AddBoxOption(*command, options->read.boxes);
  AddPluginOption(*command, options->plugin);
  return {command, [options](Console& console) { return RunView(*options, console); }};
#else
  CLI::App* command =
      kestrum.add_subcommand("view", "Not in this build (it needs cpp-httplib for this target)");
  command->allow_extras();
  return {command, [](Console&) -> int {
            throw InputError(
                "view: this kestrum was built without the view (it needs cpp-httplib "
                "for this target; 32-bit builds have none)");
          }};
#endif
}

}  // namespace kcommand
