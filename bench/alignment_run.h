#pragma once
// One plug-in session on a generated scene, driven as a host drives the tool: the
// module is loaded from the built plug-in folder, reached through c4d_main and the
// registration record, and the align button (10001) is pressed with all three axes in
// a face mode. A benchmark's fixture over PluginSession rather than the session layer:
// the scene is generated straight into the host's document, never read from a file,
// so that what is timed is the press alone.

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "host.h"
#include "plugin_session.h"
#include "scene_generator.h"

namespace kestrum_bench {

class AlignmentRun {
 public:
  // Opens the session and builds the scene; aborts with a message when the plug-in
  // folder cannot be opened, since no benchmark could run.
  explicit AlignmentRun(const kbench::SceneGeneratorOptions& options);
  ~AlignmentRun();
  AlignmentRun(const AlignmentRun&) = delete;
  AlignmentRun& operator=(const AlignmentRun&) = delete;

  // One press of the align button; true when the host noticed no misuse.
  bool PressAlign();
  bool Undo();
  bool Redo();
  // Drops what the host keeps for tests and history between timed presses: the object
  // messages and the steps of the undo history.
  void ForgetHistory();

  size_t SelectedObjects() const { return options_.selectedObjects; }
  khost::Host& host() { return host_; }

 private:
  kbench::SceneGeneratorOptions options_;
  khost::Host host_;
  khost::PluginSession session_{host_};
  HostDocument* document_ = nullptr;
  HostContainer* settings_ = nullptr;
};

// The host calls of one press, by operation name, from the call trace.
std::map<std::string, size_t> CallsOfOnePress(size_t selectedObjects);

// Blocks the host's memory service handed out during one press.
size_t HostBlocksOfOnePress(size_t selectedObjects);

// The options every alignment benchmark uses for a size.
kbench::SceneGeneratorOptions BenchOptions(size_t selectedObjects);

}  // namespace kestrum_bench
