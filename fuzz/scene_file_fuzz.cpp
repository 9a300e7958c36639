// Fuzzes the scene file reader: any text is either a scene or an input error that names
// the file; anything else thrown, or a crash, is a finding. A scene that reads must
// also survive being written and read back. The quick reader and the checking reader
// must agree on every text: the same scene, or the same message.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "input_error.h"
#include "scene_read_objects.h"
#include "scene_reader.h"
#include "scene_writer.h"

namespace {
[[noreturn]] void Finding(const char* what, const std::string& detail) {
  std::fprintf(stderr, "scene file fuzz: %s: %s\n", what, detail.c_str());
  std::abort();
}

// The scene as written text, or the message.
std::string Outcome(const std::string& text, kcommand::SceneReading reading) {
  try {
    return kcommand::SceneToText(kcommand::ParseSceneText(text, "scene.json", reading));
  } catch (const kcommand::InputError& error) {
    return std::string("error: ") + error.what();
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  kcommand::SceneModel scene;
  try {
    scene = kcommand::ParseSceneText(text, "scene.json");
    kcommand::CheckToolNames(scene, "scene.json");
  } catch (const kcommand::InputError& error) {
    if (std::string(error.what()).rfind("scene.json", 0) != 0)
      Finding("an error that does not name the file", error.what());
    return 0;
  } catch (const std::exception& error) {
    Finding("an unexpected exception", error.what());
  }
  // The scene above came through the quick reader where it could.
  const std::string written = kcommand::SceneToText(scene);
  if (written != Outcome(text, kcommand::SceneReading::kCheckedOnly))
    Finding("the two readers disagree", text);
  try {
    kcommand::ParseSceneText(written, "written.json");
  } catch (const std::exception& error) {
    Finding("a written scene does not read back", error.what());
  }
  return 0;
}
