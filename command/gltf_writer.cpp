#include "gltf_writer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "gltf_uris.h"
#include "input_error.h"
#include "json_number_text.h"

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
       {uint64_t{0x46546C67}, uint64_t{2}, total, padded, uint64_t{0x4E4F534A}})
    AppendWord(header, static_cast<uint32_t>(word));
  return header;
}

// Valid JSON is taken for granted below: the text was read as JSON.
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

size_t SkipSpace(std::string_view text, size_t at) {
  while (at < text.size() && IsSpace(text[at])) ++at;
  return at;
}

// From an opening quote to just past the closing one.
size_t SkipString(std::string_view text, size_t at) {
  for (++at; text[at] != '"'; ++at)
    if (text[at] == '\\') ++at;
  return at + 1;
}

size_t SkipValue(std::string_view text, size_t at) {
  if (text[at] == '"') return SkipString(text, at);
  if (text[at] != '{' && text[at] != '[') {
    while (at < text.size() && !IsSpace(text[at]) && text[at] != ',' && text[at] != '}' &&
           text[at] != ']')
      ++at;
    return at;
  }
  size_t depth = 0;
  do {
    if (text[at] == '"') {
      at = SkipString(text, at);
      continue;
    }
    if (text[at] == '{' || text[at] == '[') ++depth;
    if (text[at] == '}' || text[at] == ']') --depth;
    ++at;
  } while (depth > 0);
  return at;
}

bool IsTransformKey(std::string_view rawKey) {
  std::string key(rawKey);
  if (key.find('\\') != std::string::npos)
    key = nlohmann::json::parse("\"" + key + "\"").get<std::string>();
  return key == "matrix" || key == "translation" || key == "rotation" || key == "scale";
}

void AppendNumbers(std::string& out, const char* key, const double* values, size_t count) {
  out += '"';
  out += key;
  out += "\":[";
  char buffer[40];
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) out += ',';
    out += NumberText(values[i] == 0 ? 0.0 : values[i], buffer);
  }
  out += ']';
}

// A node's text with its transform members replaced by `trs`; every other member is
// kept as written.
void AppendMovedNode(std::string& out, std::string_view node, const Trs& trs) {
  out += '{';
  bool first = true;
  for (size_t at = SkipSpace(node, 1); node[at] != '}';) {
    const size_t keyEnd = SkipString(node, at);
    const size_t valueEnd = SkipValue(node, SkipSpace(node, SkipSpace(node, keyEnd) + 1));
    if (!IsTransformKey(node.substr(at + 1, keyEnd - at - 2))) {
      if (!first) out += ',';
      out += node.substr(at, valueEnd - at);
      first = false;
    }
    at = SkipSpace(node, valueEnd);
    if (node[at] == ',') at = SkipSpace(node, at + 1);
  }
  if (!first) out += ',';
  AppendNumbers(out, "translation", trs.translation.data(), 3);
  out += ',';
  AppendNumbers(out, "rotation", trs.rotation.data(), 4);
  out += ',';
  AppendNumbers(out, "scale", trs.scale.data(), 3);
  out += '}';
}

// A stretch of the text read and what is written in its place.
struct Replacement {
  GltfTextRange range;
  size_t begin;  // of the new text in the replacements' text
  size_t length;
};

}  // namespace

ordered_json TrsNumbers(const double* values, size_t count) {
  ordered_json out = ordered_json::array();
  for (size_t i = 0; i < count; ++i) out.push_back(values[i] == 0 ? 0.0 : values[i]);
  return out;
}

void WriteGltf(const GltfFile& file, SceneFile& scene, const std::string& outputPath,
               const ByteSink& sink) {
  std::vector<Replacement> replacements;
  std::string replaced;
  const auto replace = [&](const GltfTextRange& range, const auto& append) {
    const size_t begin = replaced.size();
    append(replaced);
    replacements.push_back({range, begin, replaced.size() - begin});
  };

  // Objects in ListObjects order, which is the order the reader listed their nodes in.
  std::vector<const SceneObject*> stack;
  for (auto it = scene.objects.rbegin(); it != scene.objects.rend(); ++it) stack.push_back(&*it);
  for (size_t index = 0; !stack.empty(); ++index) {
    const SceneObject& object = *stack.back();
    stack.pop_back();
    for (auto it = object.children.rbegin(); it != object.children.rend(); ++it)
      stack.push_back(&*it);
    if (!object.localMatrix || SameBits(*object.localMatrix, file.localAsRead[index])) continue;
    const size_t node = file.nodeOfObject[index];
    const std::optional<Trs> trs = DecomposeTrs(*object.localMatrix);
    if (!trs)
      throw InputError(outputPath + ": nodes[" + std::to_string(node) + "] '" +
                       ListObjects(scene)[index].path +
                       "': its new local matrix is not a rotation and scale (within " +
                       "a relative 1e-6), which is all a glTF node can hold; nothing written");
    const GltfTextRange& range = file.nodeText[node];
    const std::string_view text(file.json.data() + range.begin, range.length);
    replace(range, [&](std::string& out) { AppendMovedNode(out, text, *trs); });
  }

  const fs::path from = CanonicalFolder(file.folder);
  const fs::path to = CanonicalFolder(fs::path(outputPath).parent_path());
  if (from != to) {
    for (const auto& [key, range] :
         {std::pair{"buffers", file.buffersText}, std::pair{"images", file.imagesText}}) {
      const auto entries = file.document.find(key);
      if (!range || entries == file.document.end()) continue;
      replace(*range, [&](std::string& out) { out += RewriteUris(*entries, from, to).dump(); });
    }
  }
  std::sort(
      replacements.begin(), replacements.end(),
      [](const Replacement& a, const Replacement& b) { return a.range.begin < b.range.begin; });

  uint64_t jsonLength = file.json.size();
  for (const Replacement& r : replacements) jsonLength += r.length - r.range.length;
  if (file.binary) sink(GlbHeader(jsonLength, file.chunksAfterJson.size(), outputPath));
  const std::string_view json(file.json);
  uint64_t at = 0;
  for (const Replacement& r : replacements) {
    sink(json.substr(static_cast<size_t>(at), static_cast<size_t>(r.range.begin - at)));
    sink(std::string_view(replaced).substr(r.begin, r.length));
    at = r.range.begin + r.range.length;
  }
  sink(json.substr(static_cast<size_t>(at)));
  if (file.binary) {
    sink(std::string_view("   ", static_cast<size_t>(GlbPadding(jsonLength))));
    sink(file.chunksAfterJson);
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
