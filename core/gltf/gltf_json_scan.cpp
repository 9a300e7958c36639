#include "gltf_json_scan.h"

#include <rapidjson/error/en.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "input_error.h"
#include "json_scanning.h"
#include "json_text.h"

namespace kcommand {
namespace {

using nlohmann::ordered_json;

// Numbers as their text, converted here: the reader's own conversion reads a zero written
// with many digits (0.000...0) as a tiny non-zero number. Iterative: no recursion
// however deep the text nests.
constexpr unsigned kParseFlags = rapidjson::kParseNumbersAsStringsFlag |
                                 rapidjson::kParseIterativeFlag |
                                 rapidjson::kParseValidateEncodingFlag;

enum class NodeKey {
  kOther,
  kName,
  kMesh,
  kChildren,
  kMatrix,
  kTranslation,
  kRotation,
  kScale,
  kExtensions
};

NodeKey NodeKeyOf(const char* key, size_t length) {
  const std::string_view name(key, length);
  if (name == "name") return NodeKey::kName;
  if (name == "mesh") return NodeKey::kMesh;
  if (name == "children") return NodeKey::kChildren;
  if (name == "matrix") return NodeKey::kMatrix;
  if (name == "translation") return NodeKey::kTranslation;
  if (name == "rotation") return NodeKey::kRotation;
  if (name == "scale") return NodeKey::kScale;
  if (name == "extensions") return NodeKey::kExtensions;
  return NodeKey::kOther;
}

// A number array member as read: all numbers, or not a list of numbers at all.
struct Numbers {
  size_t keys = 0;  // how often the node names it
  size_t at = 0;    // where the list begins and ends in the text
  size_t end = 0;
  bool present = false;
  bool allNumbers = true;
  std::vector<double> values;
  void Start() {
    present = true;
    allNumbers = true;
    values.clear();
  }
};

// The RapidJSON events of the whole text. Nodes are read here; everything else goes on
// to nlohmann's document builder. Problems are kept, not thrown, until the text is known
// to be glTF.
class ScanHandler {
 public:
  ScanHandler(GltfJsonScan& scan, rapidjson::MemoryStream& stream)
      : scan_(scan), stream_(stream), dom_(scan.rest, false) {}

  bool Null() {
    return Scalar([&] { dom_.null(); }, std::nullopt);
  }
  bool Bool(bool value) {
    return Scalar([&] { dom_.boolean(value); }, std::nullopt);
  }
  bool Int(int value) { return Signed(value); }
  bool Int64(int64_t value) { return Signed(value); }
  bool Uint(unsigned value) { return Unsigned(value); }
  bool Uint64(uint64_t value) { return Unsigned(value); }
  bool Double(double value) {
    return Scalar([&] { dom_.number_float(value, {}); }, NumberValue{value, false, 0});
  }
  // The exact value of the number's text: integers as integers while they fit, the
  // rest as the nearest double. A magnitude past the largest double stops the reading.
  bool RawNumber(const char* text, rapidjson::SizeType length, bool) {
    const char* end = text + length;
    if (std::find_if(text, end, [](char c) { return c == '.' || c == 'e' || c == 'E'; }) == end) {
      if (text[0] == '-') {
        int64_t value = 0;
        if (std::from_chars(text, end, value).ec == std::errc()) return Signed(value);
      } else {
        uint64_t value = 0;
        if (std::from_chars(text, end, value).ec == std::errc()) return Unsigned(value);
      }
    }
    double value = 0;
    if (std::from_chars(text, end, value).ec == std::errc::result_out_of_range) {
      // Too small reads as the nearest double (zero), too large is refused.
      value = std::strtod(std::string(text, length).c_str(), nullptr);
      if (std::isinf(value)) {
        numberTooLargeAt = stream_.Tell() - length;
        return false;
      }
    }
    return Double(value);
  }
  bool String(const char* text, rapidjson::SizeType length, bool) {
    if (InNodeMember()) {
      if (depth_ == 3 && key_ == NodeKey::kName) name_.assign(text, length);
      if (depth_ == 4) NotANumber();
      return true;
    }
    return Scalar(
        [&] {
          std::string value(text, length);
          dom_.string(value);
        },
        std::nullopt);
  }
  bool Key(const char* text, rapidjson::SizeType length, bool) {
    if (depth_ == 1) {
      topKey_.assign(text, length);
      if (topKey_ == "nodes") nodesNext_ = true;
    }
    if (inNodes_) {
      if (depth_ == 3) {
        key_ = NodeKeyOf(text, length);
        if (Numbers* numbers = CurrentNumbers()) ++numbers->keys;
      } else if (key_ == NodeKey::kExtensions) {
        // extensions.EXT_mesh_gpu_instancing.attributes.TRANSLATION and the like.
        const std::string_view key(text, length);
        if (depth_ == 4) {
          inInstancing_ = key == "EXT_mesh_gpu_instancing";
          instanced_ |= inInstancing_;
        } else if (depth_ == 5) {
          inInstanceAttributes_ = inInstancing_ && key == "attributes";
        } else if (depth_ == 6) {
          instanceAttribute_ = -1;
          constexpr std::string_view kAttributes[] = {"TRANSLATION", "ROTATION", "SCALE"};
          for (int a = 0; a < 3; ++a)
            if (inInstanceAttributes_ && key == kAttributes[a]) instanceAttribute_ = a;
        }
      }
      return true;
    }
    if (depth_ > kMaxGltfJsonDepth) return true;
    std::string key(text, length);
    dom_.key(key);
    return true;
  }
  bool StartObject() { return Start(true); }
  bool StartArray() { return Start(false); }
  bool EndObject(rapidjson::SizeType) { return End(true); }
  bool EndArray(rapidjson::SizeType) { return End(false); }

  bool rootIsObject = false;
  std::optional<std::string> problem;  // the first, as "place: what"
  size_t problemOffset = 0;
  // Where a number too large for a double starts, when one stopped the reading.
  std::optional<size_t> numberTooLargeAt;

 private:
  struct NumberValue {
    double value;
    bool isInteger;
    int64_t integer;
  };

  bool InNodeMember() const { return inNodes_ && depth_ >= 3; }

  void Problem(const std::string& text) {
    if (problem) return;
    problem = text;
    problemOffset = stream_.Tell();
  }
  std::string NodePlace() const { return "nodes[" + std::to_string(scan_.nodes.size()) + "]"; }

  bool Signed(int64_t value) {
    return Scalar([&] { dom_.number_integer(value); },
                  NumberValue{static_cast<double>(value), true, value});
  }
  bool Unsigned(uint64_t value) {
    const int64_t integer = value > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())
                                ? std::numeric_limits<int64_t>::max()
                                : static_cast<int64_t>(value);
    return Scalar([&] { dom_.number_unsigned(value); },
                  NumberValue{static_cast<double>(value), true, integer});
  }

  template <typename Forward>
  bool Scalar(Forward forward, std::optional<NumberValue> number) {
    if (depth_ == 0) return true;  // a bare value: not glTF
    if (nodesNext_ && depth_ == 1) nodesNext_ = false;
    if (!inNodes_) {
      if (depth_ <= kMaxGltfJsonDepth) forward();
      return true;
    }
    if (depth_ == 2) {
      Problem(NodePlace() + ": not a JSON object");
      scan_.nodes.emplace_back();
      scan_.places.nodes.emplace_back();
      return true;
    }
    if (depth_ == 3 && key_ == NodeKey::kMesh && number && number->isInteger)
      mesh_ = number->integer;
    if (depth_ == 6 && key_ == NodeKey::kExtensions && instanceAttribute_ >= 0 && number &&
        number->isInteger)
      instances_[static_cast<size_t>(instanceAttribute_)] = number->integer;
    if (depth_ != 4) return true;
    if (!number) return NotANumber(), true;
    if (key_ == NodeKey::kChildren) {
      if (!number->isInteger) return NotANumber(), true;
      scan_.children.push_back(number->integer);
    } else if (Numbers* numbers = CurrentNumbers()) {
      numbers->values.push_back(number->value);
    }
    return true;
  }

  void NotANumber() {
    if (key_ == NodeKey::kChildren)
      Problem(NodePlace() + ".children: not a list of node indices");
    else if (Numbers* numbers = CurrentNumbers())
      numbers->allNumbers = false;
  }

  Numbers* CurrentNumbers() {
    switch (key_) {
      case NodeKey::kMatrix:
        return &matrix_;
      case NodeKey::kTranslation:
        return &translation_;
      case NodeKey::kRotation:
        return &rotation_;
      case NodeKey::kScale:
        return &scale_;
      default:
        return nullptr;
    }
  }

  bool Start(bool object) {
    if (depth_ == 0) rootIsObject = object;
    ++depth_;
    if (depth_ == 2 && !inNodes_) {
      if (nodesNext_ && !object) {
        // A second "nodes" replaces the first, as a JSON object's later key does.
        inNodes_ = true;
        scan_.nodes.clear();
        scan_.places.nodes.clear();
        scan_.children.clear();
        dom_.start_array(0);
        dom_.end_array();
        nodesNext_ = false;
        return true;
      }
      nodesNext_ = false;
      if (topKey_ == "buffers") scan_.places.buffers = GltfTextRange{stream_.Tell(), 0};
      if (topKey_ == "images") scan_.places.images = GltfTextRange{stream_.Tell(), 0};
    }
    if (inNodes_) {
      if (depth_ == 3) {
        if (object) {
          StartNode();
        } else {
          Problem(NodePlace() + ": not a JSON object");
        }
      } else if (depth_ == 4 && key_ == NodeKey::kChildren) {
        if (object) Problem(NodePlace() + ".children: not a list of node indices");
      } else if (depth_ == 4 && object) {
        if (Numbers* numbers = CurrentNumbers()) numbers->allNumbers = false;
      } else if (depth_ == 4) {
        if (Numbers* numbers = CurrentNumbers()) {
          numbers->Start();
          numbers->at = stream_.Tell();
        }
      } else if (depth_ == 5) {
        NotANumber();
      }
      if (depth_ > kMaxGltfJsonDepth)
        Problem("the JSON nests deeper than " + std::to_string(kMaxGltfJsonDepth) + " levels");
      return true;
    }
    if (depth_ > kMaxGltfJsonDepth) {
      Problem("the JSON nests deeper than " + std::to_string(kMaxGltfJsonDepth) + " levels");
      return true;
    }
    if (object)
      dom_.start_object(static_cast<size_t>(-1));
    else
      dom_.start_array(static_cast<size_t>(-1));
    return true;
  }

  bool End(bool object) {
    const size_t closing = depth_--;
    if (inNodes_) {
      if (closing == 4 && !object)
        if (Numbers* numbers = CurrentNumbers()) numbers->end = stream_.Tell() + 1;
      if (closing == 3 && object) EndNode();
      if (closing == 3 && !object) {
        scan_.nodes.emplace_back();
        scan_.places.nodes.emplace_back();
      }
      if (closing == 2) inNodes_ = false;
      return true;
    }
    if (closing == 2) {
      const auto finish = [&](std::optional<GltfTextRange>& range) {
        if (range && range->length == 0) range->length = stream_.Tell() + 1 - range->begin;
      };
      if (topKey_ == "buffers") finish(scan_.places.buffers);
      if (topKey_ == "images") finish(scan_.places.images);
    }
    if (closing > kMaxGltfJsonDepth) return true;
    if (object)
      dom_.end_object();
    else
      dom_.end_array();
    return true;
  }

  void StartNode() {
    nodeBegin_ = stream_.Tell();
    key_ = NodeKey::kOther;
    name_.clear();
    mesh_ = -1;
    instanced_ = inInstancing_ = inInstanceAttributes_ = false;
    instanceAttribute_ = -1;
    instances_ = {-1, -1, -1};
    firstChild_ = scan_.children.size();
    for (Numbers* numbers : {&matrix_, &translation_, &rotation_, &scale_}) {
      numbers->keys = 0;
      numbers->present = false;
      numbers->values.clear();
    }
  }

  void EndNode() {
    const auto usable = [](const Numbers& numbers, size_t count) {
      return numbers.present && numbers.allNumbers && numbers.values.size() == count;
    };
    const auto plain = [&](const Numbers& numbers, size_t count) {
      return numbers.keys == 0 || (numbers.keys == 1 && usable(numbers, count));
    };
    const uint64_t length = stream_.Tell() + 1 - nodeBegin_;
    if (length > UINT32_MAX) Problem(NodePlace() + ": the node's text passes 4 GiB");
    GltfNodeText& text = scan_.places.nodes.emplace_back();
    text.begin = nodeBegin_;
    text.length = static_cast<uint32_t>(length);
    text.plainTransform = matrix_.keys == 0 && plain(translation_, 3) && plain(rotation_, 4) &&
                          plain(scale_, 3) && length <= UINT32_MAX;
    const Numbers* lists[3] = {&translation_, &rotation_, &scale_};
    for (size_t k = 0; k < 3 && text.plainTransform; ++k) {
      if (lists[k]->keys == 0) continue;
      text.listAt[k] = static_cast<uint32_t>(lists[k]->at - nodeBegin_);
      text.plainTransform = lists[k]->end - lists[k]->at <= UINT16_MAX;
      text.listLength[k] = static_cast<uint16_t>(lists[k]->end - lists[k]->at);
    }
    GltfNodeRead& node = scan_.nodes.emplace_back();
    node.name = std::move(name_);
    node.mesh = mesh_;
    node.instanced = instanced_;
    node.instances = instances_;
    node.firstChild = firstChild_;
    node.childCount = scan_.children.size() - firstChild_;
    // A matrix that is a list of numbers stands for the node's transform, even one of the
    // wrong length (which leaves the node where it is).
    if (matrix_.present && matrix_.allNumbers) {
      node.local = usable(matrix_, 16) ? MatrixFromColumns(matrix_.values) : MatrixFromTrs({});
      return;
    }
    Trs trs;
    if (usable(translation_, 3))
      trs.translation = {translation_.values[0], translation_.values[1], translation_.values[2]};
    if (usable(scale_, 3)) trs.scale = {scale_.values[0], scale_.values[1], scale_.values[2]};
    if (usable(rotation_, 4)) {
      const std::vector<double>& q = rotation_.values;
      trs.rotation = {q[0], q[1], q[2], q[3]};
      const double norm = q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3];
      node.zeroRotation = !(norm > 0) || !std::isfinite(norm);
      if (node.zeroRotation) trs.rotation = {0, 0, 0, 1};
      text.plainTransform &= !node.zeroRotation;
    }
    node.local = MatrixFromTrs(trs);
  }

  GltfJsonScan& scan_;
  rapidjson::MemoryStream& stream_;
  nlohmann::detail::json_sax_dom_parser<ordered_json> dom_;
  size_t depth_ = 0;
  std::string topKey_;
  bool nodesNext_ = false;
  bool inNodes_ = false;
  // The node being read.
  size_t nodeBegin_ = 0;
  NodeKey key_ = NodeKey::kOther;
  std::string name_;
  int64_t mesh_ = -1;
  bool instanced_ = false;
  bool inInstancing_ = false;
  bool inInstanceAttributes_ = false;
  int instanceAttribute_ = -1;
  std::array<int64_t, 3> instances_{-1, -1, -1};
  size_t firstChild_ = 0;
  Numbers matrix_, translation_, rotation_, scale_;
};

// The number at `offset`, for a message.
std::string NumberAt(std::string_view text, size_t offset) {
  size_t end = offset;
  while (end < text.size() && std::strchr("+-.0123456789eE", text[end]) != nullptr &&
         text[end] != '\0')
    ++end;
  return std::string(text.substr(offset, end - offset));
}

}  // namespace

std::optional<GltfJsonScan> ScanGltfJson(std::string_view text, const std::string& fileName,
                                         bool asGltfOnly) {
  GltfJsonScan scan;
  // The reader stops at a NUL byte as at the end of the text.
  if (const void* nul = std::memchr(text.data(), 0, text.size())) {
    if (asGltfOnly) return std::nullopt;
    const size_t at = static_cast<size_t>(static_cast<const char*>(nul) - text.data());
    throw InputError(fileName + ":" + TextPosition(text, at) +
                     ": invalid JSON: a NUL byte in the text");
  }
  rapidjson::MemoryStream stream(text.data(), text.size());
  ScanHandler handler(scan, stream);
  rapidjson::Reader reader;
  const rapidjson::ParseResult result = reader.Parse<kParseFlags>(stream, handler);
  if (result.IsError()) {
    if (asGltfOnly) return std::nullopt;
    const size_t at = handler.numberTooLargeAt.value_or(result.Offset());
    if (handler.numberTooLargeAt)
      throw InputError(fileName + ":" + TextPosition(text, at) + ": the number " +
                       NumberAt(text, at) + " is not finite (too large for a 64-bit double)");
    throw InputError(fileName + ":" + TextPosition(text, at) +
                     ": invalid JSON: " + rapidjson::GetParseError_En(result.Code()));
  }
  const ordered_json& rest = scan.rest;
  const auto asset = handler.rootIsObject ? rest.find("asset") : rest.end();
  const bool versioned = asset != rest.end() && asset->is_object() && asset->contains("version") &&
                         (*asset)["version"].is_string();
  if (!versioned) {
    if (asGltfOnly) return std::nullopt;
    throw InputError(fileName + ": asset.version: not glTF 2.0 (the only version read)");
  }
  if (handler.problem)
    throw InputError(fileName + ":" +
                     TextPosition(text, kestrum::JsonValueStart(text, handler.problemOffset)) +
                     ": " + *handler.problem);
  return scan;
}

}  // namespace kcommand
