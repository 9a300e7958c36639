#include "batch_outputs.h"

#include <map>

#include "input_error.h"

namespace kcommand {
namespace {

namespace fs = std::filesystem;

fs::path Absolute(const std::string& path) { return fs::absolute(path).lexically_normal(); }

// The deepest folder holding every scene.
fs::path CommonFolder(const std::vector<std::string>& scenes) {
  fs::path common = Absolute(scenes.front()).parent_path();
  for (const std::string& scene : scenes) {
    const fs::path folder = Absolute(scene).parent_path();
    fs::path shared;
    for (auto a = common.begin(), b = folder.begin();
         a != common.end() && b != folder.end() && *a == *b; ++a, ++b)
      shared /= *a;
    common = shared;
  }
  return common;
}

}  // namespace

std::vector<fs::path> BatchOutputs(const std::vector<std::string>& scenes, const fs::path& folder,
                                   bool keepFolders) {
  const fs::path common = keepFolders ? CommonFolder(scenes) : fs::path();
  std::vector<fs::path> outputs;
  std::map<fs::path, const std::string*> writtenBy;
  for (const std::string& scene : scenes) {
    const fs::path below =
        keepFolders ? Absolute(scene).lexically_relative(common) : fs::path(scene).filename();
    const fs::path output = (folder / below).lexically_normal();
    const auto [earlier, added] = writtenBy.emplace(output, &scene);
    if (!added)
      throw InputError(output.string() + ": " + *earlier->second + " and " + scene +
                       " would both be written here; give the scenes different file names" +
                       (keepFolders ? "" : ", or keep their folders with --keep-folders"));
    outputs.push_back(output);
  }
  return outputs;
}

}  // namespace kcommand
