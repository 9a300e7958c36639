#include "gltf_writer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "glb_framing.h"
#include "gltf_uris.h"
#include "input_error.h"
#include "json_number_text.h"
#include "json_scanning.h"
#include "json_text.h"
#include "json_writing.h"

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

// The array of buffers or images with relative URIs made to resolve from `to`.
ordered_json RewriteUris(ordered_json entries, const fs::path& from, const fs::path& to) {
  if (!entries.is_array()) return entries;
  for (ordered_json& entry : entries) {
    if (!entry.is_object() || !entry.contains("uri") || !entry["uri"].is_string()) continue;
    const std::string uri = entry["uri"].get<std::string>();
    if (!IsRelativeFileUri(uri)) continue;
    std::error_code ignored;
    const fs::path target = fs::weakly_canonical(from / DecodeUri(uri), ignored);
    entry["uri"] = EncodeUriPath(target.lexically_relative(to).generic_string());
  }
  return entries;
}

// A JSON chunk is padded with spaces to a multiple of four bytes.
uint64_t GlbPadding(uint64_t jsonLength) { return (4 - jsonLength % 4) % 4; }

// The file header and the JSON chunk's header.
std::string GlbHeader(uint64_t jsonLength, uint64_t chunksAfterJson,
                      const std::string& outputPath) {
  const uint64_t padded = jsonLength + GlbPadding(jsonLength);
  const uint64_t total = 12 + 8 + padded + chunksAfterJson;
  if (total > UINT32_MAX)
    throw InputError(outputPath + ": the GLB would pass 4 GiB, more than its header can say");
  std::string header;
  for (const uint64_t word :
       {uint64_t{kGlbMagic}, uint64_t{kGlbVersion}, total, padded, uint64_t{kGlbChunkJson}})
    AppendWord(header, static_cast<uint32_t>(word));
  return header;
}

bool IsTransformKey(std::string_view rawKey) {
  std::string key(rawKey);
  if (key.find('\\') != std::string::npos)
    key = ParseJsonText("\"" + key + "\"", "a member's name").get<std::string>();
  return key == "matrix" || key == "translation" || key == "rotation" || key == "scale";
}

void AppendNumbers(std::string& out, const char* key, const double* values, size_t count) {
  out += '"';
  out += key;
  out += "\":";
  AppendJsonNumbers(out, values, count);
}

// A node's text with its transform members replaced by `trs`, or by `matrix` for a node
// held as a matrix that only moved (its axes as read, to the bit); every other member is
// kept as written.
void AppendMovedNode(std::string& out, std::string_view node, const Trs* trs,
                     const LocalMatrix* matrix) {
  out += '{';
  bool first = true;
  // The node's text was read as JSON, so its members are taken as well formed.
  for (size_t at = kestrum::JsonSpaceEnd(node, 1); node[at] != '}';) {
    const size_t keyEnd = kestrum::JsonStringEnd(node, at);
    const size_t valueStart = kestrum::JsonSpaceEnd(node, kestrum::JsonSpaceEnd(node, keyEnd) + 1);
    const size_t valueEnd = kestrum::JsonValueEnd(node, valueStart);
    if (!IsTransformKey(node.substr(at + 1, keyEnd - at - 2))) {
      if (!first) out += ',';
      out += node.substr(at, valueEnd - at);
      first = false;
    }
    at = kestrum::JsonSpaceEnd(node, valueEnd);
    if (node[at] == ',') at = kestrum::JsonSpaceEnd(node, at + 1);
  }
  if (!first) out += ',';
  if (matrix) {
    const LocalMatrix& m = *matrix;
    const double columns[16] = {m[1][0], m[1][1], m[1][2], 0, m[2][0], m[2][1], m[2][2], 0,
                                m[3][0], m[3][1], m[3][2], 0, m[0][0], m[0][1], m[0][2], 1};
    AppendNumbers(out, "matrix", columns, 16);
    out += '}';
    return;
  }
  AppendNumbers(out, "translation", trs->translation.data(), 3);
  out += ',';
  AppendNumbers(out, "rotation", trs->rotation.data(), 4);
  out += ',';
  AppendNumbers(out, "scale", trs->scale.data(), 3);
  out += '}';
}

// Whether the axes of a node's new matrix are the ones read, bit for bit: it only moved.
bool AxesKept(const LocalMatrix& matrix, const LocalMatrix& asRead) {
  return std::memcmp(&matrix[1], &asRead[1], 3 * sizeof(Vector3)) == 0;
}

// A node with a plain transform, its lists replaced where they are and the missing ones
// added at its end. A node that only moved (no `trs`) keeps its rotation and scale as
// written.
void AppendPlainNode(std::string& out, std::string_view node, const GltfNodeText& where,
                     const Vector3& translation, const Trs* trs) {
  const double* values[3] = {translation.data(), trs ? trs->rotation.data() : nullptr,
                             trs ? trs->scale.data() : nullptr};
  static constexpr const char* kKeys[3] = {"translation", "rotation", "scale"};
  static constexpr size_t kCounts[3] = {3, 4, 3};
  size_t order[3] = {0, 1, 2};
  std::sort(order, order + 3,
            [&](size_t a, size_t b) { return where.listAt[a] < where.listAt[b]; });
  size_t copied = 0;
  for (const size_t k : order) {
    if (where.listAt[k] == 0 || values[k] == nullptr) continue;
    out += node.substr(copied, where.listAt[k] - copied);
    AppendJsonNumbers(out, values[k], kCounts[k]);
    copied = where.listAt[k] + where.listLength[k];
  }
  size_t end = node.size() - 1;  // its closing brace, after the last member and any space
  while (end > copied && end > 1 && kestrum::IsJsonSpace(node[end - 1])) --end;
  out += node.substr(copied, end - copied);
  bool members = node[end - 1] != '{';
  for (size_t k = 0; k < 3; ++k) {
    if (where.listAt[k] != 0 || values[k] == nullptr) continue;
    if (members) out += ',';
    AppendNumbers(out, kKeys[k], values[k], kCounts[k]);
    members = true;
  }
  out += node.substr(end);
}

}  // namespace

ordered_json TrsNumbers(const double* values, size_t count) {
  ordered_json out = ordered_json::array();
  for (size_t i = 0; i < count; ++i) out.push_back(WithoutNegativeZero(values[i]));
  return out;
}

void WriteGltf(const GltfFile& file, SceneModel& scene, const std::string& outputPath,
               const ByteSink& sink) {
  // The moved nodes, found in ListObjects order (the order the reader listed them in),
  // then put in the order of their text.
  struct Moved {
    size_t node;
    size_t index;  // of its object
    const SceneObject* object;
    bool operator<(const Moved& other) const { return node < other.node; }
  };
  std::vector<Moved> moved;
  WalkObjects(scene, [&](const SceneObject& object, size_t index, std::optional<size_t>) {
    if (object.localMatrix && !SameBits(*object.localMatrix, file.localAsRead[index]))
      moved.push_back({file.nodeOfObject[index], index, &object});
  });
  std::sort(moved.begin(), moved.end());

  std::vector<std::pair<GltfTextRange, std::string>> uriArrays;
  const fs::path from = CanonicalFolder(file.folder);
  const fs::path to = CanonicalFolder(fs::path(outputPath).parent_path());
  if (from != to) {
    for (const auto& [key, range] :
         {std::pair{"buffers", file.places.buffers}, std::pair{"images", file.places.images}}) {
      const auto entries = file.asset.document.find(key);
      if (range && entries != file.asset.document.end())
        uriArrays.push_back({*range, RewriteUris(*entries, from, to).dump()});
    }
  }
  std::sort(uriArrays.begin(), uriArrays.end(),
            [](const auto& a, const auto& b) { return a.first.begin < b.first.begin; });

  // Every change in the order of the text, streamed: a .glb's header goes first with
  // lengths made good once the JSON is written, so no new node text is held longer than
  // it takes to write it.
  const std::string_view json = file.Json();
  if (file.binary) sink(GlbHeader(0, 0, outputPath));
  uint64_t jsonLength = 0;
  uint64_t at = 0;
  const auto replace = [&](uint64_t begin, uint64_t length, std::string_view text) {
    sink(json.substr(static_cast<size_t>(at), static_cast<size_t>(begin - at)));
    sink(text);
    jsonLength += begin - at + text.size();
    at = begin + length;
  };
  std::string made;
  size_t uri = 0;
  for (const Moved& m : moved) {
    const GltfNodeText& node = file.places.nodes[m.node];
    for (; uri < uriArrays.size() && uriArrays[uri].first.begin < node.begin; ++uri)
      replace(uriArrays[uri].first.begin, uriArrays[uri].first.length, uriArrays[uri].second);
    made.clear();
    const LocalMatrix& matrix = *m.object->localMatrix;
    const LocalMatrix& asRead = file.localAsRead[m.index];
    const std::string_view text = json.substr(static_cast<size_t>(node.begin), node.length);
    std::optional<Trs> trs;
    const bool axesKept = AxesKept(matrix, asRead);
    if (!node.plainTransform && axesKept) {
      AppendMovedNode(made, text, nullptr, &matrix);
      replace(node.begin, node.length, made);
      continue;
    }
    if (!axesKept || !node.plainTransform) {
      trs = DecomposeTrs(matrix);
      if (!trs)
        throw InputError(outputPath + ": nodes[" + std::to_string(m.node) + "] '" +
                         ListObjects(scene)[m.index].path +
                         "': its new local matrix is not a rotation and scale (within " +
                         "a relative 1e-6), which is all a glTF node can hold; nothing written");
    }
    if (node.plainTransform)
      AppendPlainNode(made, text, node, matrix[0], trs ? &*trs : nullptr);
    else
      AppendMovedNode(made, text, &*trs, nullptr);
    replace(node.begin, node.length, made);
  }
  for (; uri < uriArrays.size(); ++uri)
    replace(uriArrays[uri].first.begin, uriArrays[uri].first.length, uriArrays[uri].second);
  sink(json.substr(static_cast<size_t>(at)));
  jsonLength += json.size() - at;
  if (file.binary) {
    sink(std::string_view("   ", static_cast<size_t>(GlbPadding(jsonLength))));
    sink(file.ChunksAfterJson());
    sink.Overwrite(0, GlbHeader(jsonLength, file.ChunksAfterJson().size(), outputPath));
  }
}

std::string AssembleGlb(const std::string& json, const std::string& chunksAfterJson,
                        const std::string& outputPath) {
  std::string out = GlbHeader(json.size(), chunksAfterJson.size(), outputPath);
  out.reserve(out.size() + json.size() + 3 + chunksAfterJson.size());
  out += json;
  out.append(static_cast<size_t>(GlbPadding(json.size())), ' ');
  out += chunksAfterJson;
  return out;
}

}  // namespace kcommand
