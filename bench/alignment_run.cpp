#include "alignment_run.h"

#include <cstdio>
#include <cstdlib>

#include "containers.h"
#include "kestrum_settings.h"
#include "memory.h"
#include "scene.h"

namespace kestrum_bench {

kbench::SceneGeneratorOptions BenchOptions(size_t selectedObjects) {
  kbench::SceneGeneratorOptions options;
  options.seed = 12;
  options.selectedObjects = selectedObjects;
  // Matches the settings written below.
  options.axisX = "plus:outside";
  options.axisY = "minus:inside";
  options.axisZ = "plus:inside";
  return options;
}

AlignmentRun::AlignmentRun(const kbench::SceneGeneratorOptions& options) : options_(options) {
  if (!session_.Open(KESTRUM_PLUGIN_FOLDER, KESTRUM_PLUGIN_ID)) {
    std::fprintf(stderr, "kestrum_bench: %s\n", session_.Error().c_str());
    std::exit(2);
  }
  khost::Scene& scene = host_.scene();
  document_ = scene.NewDocument("bench");
  const kbench::GeneratedScene generated = kbench::GenerateScene(options_);
  const std::vector<HostObject*> objects = kbench::BuildScene(scene, document_, generated);

  khost::Containers& containers = host_.containers();
  settings_ = session_.Settings(document_);
  containers.SetLink(settings_, ALIGN_REFERENCE, scene.IdOf(objects[generated.reference]));
  containers.SetInt(settings_, ALIGN_X_MODE, ALIGN_X_MODE_PLUS);
  containers.SetInt(settings_, ALIGN_X_SIDE, ALIGN_X_SIDE_OUTSIDE);
  containers.SetInt(settings_, ALIGN_Y_MODE, ALIGN_Y_MODE_MINUS);
  containers.SetInt(settings_, ALIGN_Y_SIDE, ALIGN_Y_SIDE_INSIDE);
  containers.SetInt(settings_, ALIGN_Z_MODE, ALIGN_Z_MODE_PLUS);
  containers.SetInt(settings_, ALIGN_Z_SIDE, ALIGN_Z_SIDE_INSIDE);
}

AlignmentRun::~AlignmentRun() { session_.Close(); }

bool AlignmentRun::PressAlign() {
  session_.Press(document_, settings_, ALIGN_SELECTED);
  return host_.misuse().Empty();
}

bool AlignmentRun::Undo() { return host_.scene().Undo(document_); }
bool AlignmentRun::Redo() { return host_.scene().Redo(document_); }

void AlignmentRun::ForgetHistory() {
  host_.scene().ClearMessages();
  host_.scene().ClearUndoHistory(document_);
}

std::map<std::string, size_t> CallsOfOnePress(size_t selectedObjects) {
  AlignmentRun run(BenchOptions(selectedObjects));
  run.host().trace().Enable(true);
  run.PressAlign();
  run.host().trace().Enable(false);
  std::map<std::string, size_t> calls;
  for (const std::string& call : run.host().trace().Calls())
    ++calls[call.substr(0, call.find('('))];
  return calls;
}

size_t HostBlocksOfOnePress(size_t selectedObjects) {
  AlignmentRun run(BenchOptions(selectedObjects));
  const size_t before = run.host().memory().AllocationsMade();
  run.PressAlign();
  return run.host().memory().AllocationsMade() - before;
}

}  // namespace kestrum_bench
