#pragma once
// Large scenes for timing: one reference object and any number of selected objects,
// every value drawn from a seeded generator of our own, so a seed gives the same scene
// on every machine, compiler and library. The scene can be built straight into a host
// document or written as a scene file the `kestrum` command reads.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "c4d_host_abi.h"

namespace khost {
class Scene;
}

namespace kbench {

struct SceneGeneratorOptions {
  uint64_t seed = 1;
  size_t selectedObjects = 1000;
  // Selected objects sit under unselected groups of at most this many; 0 puts them at
  // the top level beside the reference.
  size_t objectsPerGroup = 0;
  // The tool settings a written scene file carries, in the file's "MODE:SIDE" form.
  std::string axisX = "plus:outside";
  std::string axisY = "minus:inside";
  std::string axisZ = "plus:inside";
};

struct GeneratedObject {
  std::string name;
  // Index of the parent in GeneratedScene::objects (always an earlier one), or kNoParent.
  size_t parent;
  HostVector position;
  HostVector rotationDegrees;
  HostVector scale;
  HostVector halfSize;
  bool selected;
};

struct GeneratedScene {
  static constexpr size_t kNoParent = static_cast<size_t>(-1);
  // Parents before their children; the reference comes first.
  std::vector<GeneratedObject> objects;
  size_t reference = 0;
  SceneGeneratorOptions options;
};

// Every value is a multiple of 1/1000, so a written file holds them exactly in short
// decimal form.
GeneratedScene GenerateScene(const SceneGeneratorOptions& options);

// The objects as new objects of `document`, in the order of `scene.objects`.
std::vector<HostObject*> BuildScene(khost::Scene& host, HostDocument* document,
                                    const GeneratedScene& scene);

// The scene in the command's scene file format, children nested under their parents,
// with the reference and the three axis choices as the tool settings.
std::string SceneFileText(const GeneratedScene& scene);

// Small deterministic generator (SplitMix64); the standard distributions differ between
// libraries, so values are derived from the raw bits here.
class SeededNumbers {
 public:
  explicit SeededNumbers(uint64_t seed) : state_(seed) {}
  uint64_t Next();
  // A multiple of 1/1000 in [low, high].
  double Thousandths(double low, double high);

 private:
  uint64_t state_;
};

}  // namespace kbench
