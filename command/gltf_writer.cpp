#include "gltf_writer.h"

#include <cstdint>
#include <cstring>
#include <filesystem>

#include "gltf_uris.h"
#include "input_error.h"

namespace kcommand {
namespace {

using nlohmann::ordered_json;
namespace fs = std::filesystem;

void AppendWord(std::string& out, uint32_t value) {
  char bytes[4];
  std::memcpy(bytes, &value, 4);
  out.append(bytes, 4);
}

fs::path CanonicalFolder(const fs::path& folder) {
  std::error_code ignored;
  return fs::weakly_canonical(fs::absolute(folder.empty() ? fs::path(".") : folder, ignored),
                              ignored);
}

void RewriteUris(ordered_json& document, const fs::path& from, const fs::path& to) {
  for (const char* array : {"buffers", "images"}) {
    const auto entries = document.find(array);
    if (entries == document.end() || !entries->is_array()) continue;
    for (ordered_json& entry : *entries) {
      if (!entry.is_object() || !entry.contains("uri") || !entry["uri"].is_string()) continue;
      const std::string uri = entry["uri"].get<std::string>();
      if (!IsRelativeFileUri(uri)) continue;
      std::error_code ignored;
      const fs::path target = fs::weakly_canonical(from / DecodeUri(uri), ignored);
      entry["uri"] = EncodeUriPath(target.lexically_relative(to).generic_string());
    }
  }
}

}  // namespace

ordered_json TrsNumbers(const double* values, size_t count) {
  ordered_json out = ordered_json::array();
  for (size_t i = 0; i < count; ++i) out.push_back(values[i] == 0 ? 0.0 : values[i]);
  return out;
}

std::string WriteGltf(const GltfFile& file, SceneFile& scene, const std::string& outputPath) {
  ordered_json document = file.document;
  const std::vector<ObjectEntry> entries = ListObjects(scene);
  for (size_t i = 0; i < entries.size(); ++i) {
    const SceneObject& object = *entries[i].object;
    if (!object.localMatrix || SameBits(*object.localMatrix, file.localAsRead[i])) continue;
    const size_t nodeIndex = file.nodeOfObject[i];
    const std::optional<Trs> trs = DecomposeTrs(*object.localMatrix);
    if (!trs)
      throw InputError(outputPath + ": nodes[" + std::to_string(nodeIndex) + "] '" +
                       entries[i].path +
                       "': its new local matrix is not a rotation and scale (within " +
                       "a relative 1e-6), which is all a glTF node can hold; nothing written");
    ordered_json& node = document["nodes"][nodeIndex];
    node.erase("matrix");
    node["translation"] = TrsNumbers(trs->translation.data(), 3);
    node["rotation"] = TrsNumbers(trs->rotation.data(), 4);
    node["scale"] = TrsNumbers(trs->scale.data(), 3);
  }
  const fs::path from = CanonicalFolder(file.folder);
  const fs::path to = CanonicalFolder(fs::path(outputPath).parent_path());
  if (from != to) RewriteUris(document, from, to);
  if (file.binary) return AssembleGlb(document.dump(), file.chunksAfterJson, outputPath);
  return document.dump(2) + "\n";
}

std::string AssembleGlb(const std::string& json, const std::string& chunksAfterJson,
                        const std::string& outputPath) {
  const size_t padded = (json.size() + 3) / 4 * 4;
  const uint64_t total = 12 + 8 + static_cast<uint64_t>(padded) + chunksAfterJson.size();
  if (total > UINT32_MAX)
    throw InputError(outputPath + ": the GLB would pass 4 GiB, more than its header can say");
  std::string out;
  out.reserve(static_cast<size_t>(total));
  AppendWord(out, 0x46546C67);
  AppendWord(out, 2);
  AppendWord(out, static_cast<uint32_t>(total));
  AppendWord(out, static_cast<uint32_t>(padded));
  AppendWord(out, 0x4E4F534A);
  out += json;
  out.append(padded - json.size(), ' ');
  out += chunksAfterJson;
  return out;
}

}  // namespace kcommand
