// Drives the built kestrum.cdl through a host with random scenes and random sequences of
// setting changes, links, selections, button presses, undo and redo. After every press
// the host must have seen no misuse, no undo group may be open and no object array
// alive; at the end, undoing every step must put every object back bit for bit.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "containers.h"
#include "host.h"
#include "kestrum_settings.h"
#include "plugin_session.h"
#include "scene.h"
#include "scene_object_arrays.h"

namespace {

// Reads the fuzz input front to back; zeros once it is used up.
class Bytes {
 public:
  Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Empty() const { return position_ >= size_; }
  uint8_t Next() { return position_ < size_ ? data_[position_++] : 0; }
  // A small, exactly representable number in [-64, 63.75].
  double Coordinate() { return (static_cast<int>(Next()) - 128) / 2.0 + Next() % 4 / 4.0; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};

struct Run {
  khost::Host host;
  khost::PluginSession session{host};
  int iterations = 0;
};

// Kept for the whole fuzzing process and never destroyed at exit, where the host's own
// static state may already be gone.
Run* run = nullptr;

void Fail(const char* why) {
  std::fprintf(stderr, "module commands fuzz: %s\n", why);
  for (const std::string& entry : run->host.misuse().Entries())
    std::fprintf(stderr, "  misuse: %s\n", entry.c_str());
  std::abort();
}

Run& CurrentRun() {
  // A fresh host and plug-in now and then keeps the scene's memory bounded.
  if (run && run->iterations++ > 500) {
    if (!run->session.Close().Clean()) Fail("the module left values behind");
    delete run;
    run = nullptr;
  }
  if (!run) {
    run = new Run;
    if (!run->session.Open(KESTRUM_DEFAULT_PLUGIN_DIR, KESTRUM_PLUGIN_ID)) Fail("cannot open");
  }
  return *run;
}

// A reference aligned against itself takes the square of its matrix, so repeated presses
// can blow a parent's scale up to infinity; the host then cannot place its children and
// says so. That is the scene's arithmetic running out, not the module misusing the host.
bool OnlyDegenerateParents(const khost::MisuseLog& log) {
  for (const std::string& entry : log.Entries())
    if (entry.find("cannot be inverted") == std::string::npos) return false;
  return true;
}

constexpr int32_t kModeIds[] = {ALIGN_X_MODE, ALIGN_Y_MODE, ALIGN_Z_MODE};
constexpr int32_t kSideIds[] = {ALIGN_X_SIDE, ALIGN_Y_SIDE, ALIGN_Z_SIDE};
constexpr int32_t kButtons[] = {
    ALIGN_SELECTED, HOST_COMMAND_ALIGN_OBJECT, HOST_COMMAND_ALIGN_OBJECT_ALT, HOST_COMMAND_RESET, 0,
    10029};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Run& current = CurrentRun();
  khost::Host& host = current.host;
  khost::Scene& scene = host.scene();
  Bytes bytes(data, size);

  HostDocument* document = scene.NewDocument("fuzz");
  HostContainer* settings = host.containers().Create();
  current.session.WriteDefaultSettings(document, settings);

  std::vector<HostObject*> objects;
  const int count = 1 + bytes.Next() % 8;
  for (int i = 0; i < count; ++i) {
    HostObject* parent = i > 0 && bytes.Next() % 3 == 0 ? objects[bytes.Next() % i] : nullptr;
    HostObject* object = scene.NewObject(document, "object", parent);
    scene.SetPosition(object, {bytes.Coordinate(), bytes.Coordinate(), bytes.Coordinate()});
    scene.SetRotation(object, {bytes.Next() / 64.0, bytes.Next() / 64.0, bytes.Next() / 64.0});
    scene.SetScale(object, {1 + bytes.Next() % 4 / 2.0, 1 + bytes.Next() % 4 / 2.0, 1.0});
    scene.SetHalfSizes(object, {bytes.Next() / 8.0, bytes.Next() / 8.0, bytes.Next() / 8.0});
    scene.SetSelected(object, bytes.Next() % 2 == 0);
    objects.push_back(object);
  }
  // A deleted object that links may still name.
  HostObject* deleted = scene.NewObject(document, "deleted");
  scene.DeleteObject(deleted);

  std::vector<HostMatrix> before;
  for (HostObject* object : objects) before.push_back(scene.WorldMatrix(object));

  while (!bytes.Empty()) {
    const uint8_t operation = bytes.Next() % 7;
    const uint8_t argument = bytes.Next();
    switch (operation) {
      case 0:
        host.containers().SetInt(
            settings, kModeIds[argument % 3],
            argument % 11 == 0 ? 0 : kModeIds[argument % 3] + 1 + argument / 3 % 4);
        break;
      case 1:
        host.containers().SetInt(settings, kSideIds[argument % 3],
                                 kSideIds[argument % 3] + 1 + argument / 3 % 2);
        break;
      case 2:
      case 3: {
        const int32_t id = operation == 2 ? ALIGN_REFERENCE : ALIGN_OBJECT;
        HostObject* target = argument % 9 == 8 ? deleted : objects[argument % objects.size()];
        host.containers().SetLink(settings, id, argument % 7 == 6 ? 0 : scene.IdOf(target));
        break;
      }
      case 4:
        scene.SetSelected(objects[argument % objects.size()], argument % 2 == 0);
        break;
      case 5:
        current.session.Press(document, settings, kButtons[argument % 6]);
        if (!OnlyDegenerateParents(host.misuse())) Fail("the host saw misuse");
        host.misuse().Clear();
        if (!scene.CheckNoUndoGroupOpen()) Fail("an undo group was left open");
        if (scene.arrays().Live() != 0) Fail("an object array was left alive");
        break;
      case 6:
        if (argument % 2 == 0)
          scene.Undo(document);
        else
          scene.Redo(document);
        break;
    }
  }

  while (scene.Undo(document)) {
  }
  for (size_t i = 0; i < objects.size(); ++i) {
    const HostMatrix after = scene.WorldMatrix(objects[i]);
    if (std::memcmp(&before[i], &after, sizeof after) != 0) Fail("undo did not restore an object");
  }
  for (HostObject* object : objects)
    if (scene.Parent(object) == nullptr) scene.DeleteObject(object);
  host.containers().Destroy(settings);
  return 0;
}
