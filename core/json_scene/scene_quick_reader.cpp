#include "scene_quick_reader.h"

#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>
#include <utility>

#include "json_scanning.h"

namespace kcommand {
namespace {

// Numbers as their text, converted here exactly. The reader recurses once per level,
// and the handler refuses a level past the checking reader's limit before it is read.
// Strings are checked for UTF-8 here, and only the values: a key that is not plain ASCII
// is not one the reader knows.
constexpr unsigned kParseFlags = rapidjson::kParseNumbersAsStringsFlag;
// A text without escapes is read where it stands: strings and numbers are handed over in
// place, not copied. The reader ends each string with a NUL over its closing quote,
// which the handler puts back, so the text is as it was for the checking reader.
constexpr unsigned kInPlaceFlags = kParseFlags | rapidjson::kParseInsituFlag;

// Whether `text` is UTF-8, by the reader's own check of one code point at a time.
bool IsUtf8(std::string_view text) {
  if (std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; })) return true;
  struct Discard {
    void Put(char) {}
  } discard;
  rapidjson::MemoryStream stream(text.data(), text.size());
  while (stream.Tell() < text.size())
    if (!rapidjson::UTF8<>::Validate(stream, discard)) return false;
  return true;
}

// A number of at most 15 significant digits with no exponent, as nearly every number of
// a scene is: the digits and the power of ten are both exact doubles, so one division
// rounds to the nearest double, as a full conversion does. Anything else is converted
// by the library.
double DecimalValue(std::string_view text) {
  static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const bool negative = text.front() == '-';
  uint64_t digits = 0;
  int count = 0, decimals = 0;
  bool point = false;
  for (size_t at = negative ? 1 : 0; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '.') {
      point = true;
    } else if (c >= '0' && c <= '9' && count < 15) {
      digits = digits * 10 + static_cast<uint64_t>(c - '0');
      ++count;
      decimals += point;
    } else {
      double value = std::numeric_limits<double>::quiet_NaN();
      std::from_chars(text.data(), text.data() + text.size(), value);
      return value;
    }
  }
  const double value = static_cast<double>(digits) / kPowersOfTen[decimals];
  return negative ? -value : value;
}

constexpr unsigned kVersionBit = 1, kCommentBit = 2, kObjectsBit = 4, kToolBit = 8;
// An object's keys.
constexpr unsigned kNameBit = 1, kObjectCommentBit = 2, kPositionBit = 4, kRotationBit = 8,
                   kScaleBit = 16, kHalfSizeBit = 32, kSelectedBit = 64, kParentBit = 128,
                   kChildrenBit = 256, kBoxCentreBit = 512;

// What the value after the last key must be.
enum class Expect {
  kNothing,
  kVersion,
  kSceneComment,
  kObjects,
  kTool,
  kName,
  kComment,
  kVector,
  kBoxCentre,
  kSelected,
  kParent,
  kChildren,
  kToolName,
  kToolAxis
};

// An open object or array of the text, from the outside in.
struct Frame {
  enum class Kind { kScene, kTool, kObjectList, kObject };
  explicit Frame(Kind opened) : kind(opened) {}
  Kind kind;
  unsigned seen = 0;  // the keys met, one bit each
  // An object list: what it fills. An object: what it fills.
  std::vector<SceneObject>* list = nullptr;
  SceneObject* object = nullptr;
};

// The list of three numbers being read (they hold no list or object, so one at a time):
// its numbers so far, and where they go.
struct OpenVector {
  bool open = false;
  Vector3 numbers{0, 0, 0};
  size_t count = 0;
  Vector3* target = nullptr;
  bool boxCentre = false;
};

// The reader's events, checked against the scene schema as they come. Every event
// answers false at the first thing that is not plainly right, which stops the reading;
// the caller then leaves the file to the checking reader.
class QuickSceneHandler {
 public:
  explicit QuickSceneHandler(QuickScene& read) : read_(read) {}

  bool Null() { return false; }
  bool Bool(bool value) {
    if (Take(Expect::kSelected)) return Current().object->selected = value, true;
    return false;
  }
  // Only RawNumber is called: numbers come as their text.
  bool Int(int) { return false; }
  bool Uint(unsigned) { return false; }
  bool Int64(int64_t) { return false; }
  bool Uint64(uint64_t) { return false; }
  bool Double(double) { return false; }

  bool RawNumber(const char* text, rapidjson::SizeType length, bool) {
    const std::string_view number(text, length);
    if (Take(Expect::kVersion)) return number == "1";
    if (!vector_.open || vector_.count == 3) return false;
    // Integers too: the checking reader converts them to the nearest double, as parsing
    // their text as a double does. Past a double's range either way is its to report,
    // and "-0" as well (0 there, -0 here).
    const double value = DecimalValue(number);
    if (!std::isfinite(value) || (value == 0 && std::signbit(value))) return false;
    vector_.numbers[vector_.count++] = value;
    return true;
  }

  bool String(const char* text, rapidjson::SizeType length, bool copied) {
    if (!copied) RestoreQuote(text, length);
    const std::string_view value(text, length);
    if (!IsUtf8(value)) return false;
    switch (Next()) {
      case Expect::kSceneComment:
        read_.scene.comment.assign(value);
        return true;
      case Expect::kName:
        return Name(value, Current().object->name);
      case Expect::kComment:
        if (!value.empty()) Current().object->comment = std::string(value);
        return true;
      case Expect::kParent: {
        std::string name;
        if (!Name(value, name)) return false;
        read_.namedParents.emplace_back(Current().object->listIndex, std::move(name));
        return true;
      }
      case Expect::kToolName:
        if (value.empty()) return false;
        *toolName_ = std::string(value);
        return true;
      case Expect::kToolAxis:
        read_.scene.tool.axes[toolAxis_] = ParseAxisChoice(value);
        return read_.scene.tool.axes[toolAxis_].has_value();
      default:
        return false;
    }
  }

  // Keys with escapes cannot spell a key the reader knows (the caller has refused \u),
  // so they fail as any unknown key does.
  bool Key(const char* text, rapidjson::SizeType length, bool copied) {
    if (!copied) RestoreQuote(text, length);
    const std::string_view key(text, length);
    Frame& frame = Current();
    switch (frame.kind) {
      case Frame::Kind::kScene:
        return SceneKey(frame, key);
      case Frame::Kind::kObject:
        return ObjectKey(frame, key);
      case Frame::Kind::kTool:
        return ToolKey(frame, key);
      default:
        return false;
    }
  }

  bool StartObject() {
    if (stack_.empty()) return Push(Frame(Frame::Kind::kScene));
    if (Take(Expect::kTool)) return Push(Frame(Frame::Kind::kTool));
    if (Next() != Expect::kNothing || Current().kind != Frame::Kind::kObjectList) return false;
    Frame& list = Current();
    SceneObject& added = list.list->emplace_back();
    added.listedAtTop = list.list == &read_.scene.objects;
    added.listIndex = ToListIndex(list.list->size() - 1);
    Frame object(Frame::Kind::kObject);
    object.object = &added;
    return Push(std::move(object));
  }

  bool EndObject(rapidjson::SizeType) {
    const Frame& frame = Current();
    // An object needs its name; the scene its objects.
    const bool whole = frame.kind == Frame::Kind::kObject  ? (frame.seen & kNameBit) != 0
                       : frame.kind == Frame::Kind::kScene ? (frame.seen & kObjectsBit) != 0
                                                           : true;
    stack_.pop_back();
    return whole;
  }

  bool StartArray() {
    const Expect expected = Next();
    if (expected == Expect::kObjects) {
      Frame list(Frame::Kind::kObjectList);
      list.list = &read_.scene.objects;
      return Push(std::move(list));
    }
    if (expected == Expect::kChildren) {
      Frame list(Frame::Kind::kObjectList);
      list.list = &Current().object->children;
      return Push(std::move(list));
    }
    if (expected == Expect::kVector || expected == Expect::kBoxCentre) {
      // One level deeper, as a container on the stack would be.
      if (stack_.size() + 1 > kestrum::kMaxJsonNesting) return false;
      vector_ = OpenVector{true, {0, 0, 0}, 0, vectorTarget_, expected == Expect::kBoxCentre};
      return true;
    }
    return false;
  }

  bool EndArray(rapidjson::SizeType) {
    if (vector_.open) {
      vector_.open = false;
      if (vector_.count != 3) return false;
      // A negative half size is the checking reader's to report, with its place.
      if (vector_.target == &Current().object->halfSize &&
          std::ranges::any_of(vector_.numbers, [](double value) { return value < 0; }))
        return false;
      if (vector_.boxCentre)
        Current().object->boxCentre = vector_.numbers;
      else
        *vector_.target = vector_.numbers;
      return true;
    }
    Frame& frame = Current();
    if (frame.list->capacity() >= 1024 &&
        frame.list->capacity() - frame.list->size() > frame.list->size() / 8) {
      // A long list grown by doubling may hold nearly twice its room for the whole run.
      frame.list->shrink_to_fit();
    }
    stack_.pop_back();
    return true;
  }

 private:
  // A string read in place (no escapes, so its text is its value) ends at its quote.
  static void RestoreQuote(const char* text, rapidjson::SizeType length) {
    const_cast<char*>(text)[length] = '"';
  }

  Frame& Current() { return stack_.back(); }

  // The expected value, consumed.
  Expect Next() { return std::exchange(expect_, Expect::kNothing); }
  bool Take(Expect wanted) {
    if (expect_ != wanted) return false;
    expect_ = Expect::kNothing;
    return true;
  }

  // A container opened one level deeper. Deeper than the checking reader goes is its own
  // to report.
  bool Push(Frame frame) {
    if (stack_.size() + 1 > kestrum::kMaxJsonNesting) return false;
    stack_.push_back(std::move(frame));
    return true;
  }

  // A key met twice: the checking reader knows which one counts.
  static bool Once(Frame& frame, unsigned bit) {
    if (frame.seen & bit) return false;
    frame.seen |= bit;
    return true;
  }

  // Not empty and without '/'.
  static bool Name(std::string_view value, std::string& out) {
    if (value.empty() || value.find('/') != std::string_view::npos) return false;
    out.assign(value);
    return true;
  }

  bool Expecting(Frame& frame, unsigned bit, Expect next) {
    if (!Once(frame, bit)) return false;
    expect_ = next;
    return true;
  }

  bool SceneKey(Frame& frame, std::string_view key) {
    if (key == "version") return Expecting(frame, kVersionBit, Expect::kVersion);
    if (key == "comment") return Expecting(frame, kCommentBit, Expect::kSceneComment);
    if (key == "objects") return Expecting(frame, kObjectsBit, Expect::kObjects);
    if (key == "tool") return Expecting(frame, kToolBit, Expect::kTool);
    return false;
  }

  bool ObjectKey(Frame& frame, std::string_view key) {
    SceneObject& object = *frame.object;
    const auto vector = [&](unsigned bit, Vector3& target) {
      vectorTarget_ = &target;
      return Expecting(frame, bit, Expect::kVector);
    };
    if (key == "name") return Expecting(frame, kNameBit, Expect::kName);
    if (key == "comment") return Expecting(frame, kObjectCommentBit, Expect::kComment);
    if (key == "position") return vector(kPositionBit, object.position);
    if (key == "rotation") return vector(kRotationBit, object.rotationDegrees);
    if (key == "scale") return vector(kScaleBit, object.scale);
    if (key == "halfSize") return vector(kHalfSizeBit, object.halfSize);
    if (key == "boxCenter") return Expecting(frame, kBoxCentreBit, Expect::kBoxCentre);
    if (key == "selected") return Expecting(frame, kSelectedBit, Expect::kSelected);
    // Only a top-level object may name its parent.
    if (key == "parent") return object.listedAtTop && Expecting(frame, kParentBit, Expect::kParent);
    if (key == "children") return Expecting(frame, kChildrenBit, Expect::kChildren);
    return false;
  }

  bool ToolKey(Frame& frame, std::string_view key) {
    ToolSettings& tool = read_.scene.tool;
    if (key == "reference" || key == "object") {
      toolName_ = key == "reference" ? &tool.reference : &tool.object;
      return Expecting(frame, key == "reference" ? 1 : 2, Expect::kToolName);
    }
    const size_t axis = key == "x" ? 0 : key == "y" ? 1 : key == "z" ? 2 : 3;
    if (axis == 3) return false;
    toolAxis_ = axis;
    return Expecting(frame, 4u << axis, Expect::kToolAxis);
  }

  QuickScene& read_;
  std::vector<Frame> stack_;
  OpenVector vector_;
  Expect expect_ = Expect::kNothing;
  // Where the expected value goes.
  Vector3* vectorTarget_ = nullptr;
  std::optional<std::string>* toolName_ = nullptr;
  size_t toolAxis_ = 0;
};

}  // namespace

bool ReadWellFormedScene(std::string& text, QuickScene& read) {
  // \u escapes can spell lone surrogates, which the two readers may not treat alike. The
  // reader takes a NUL byte for the end of the text, which the checking reader does not.
  const bool escapes = std::memchr(text.data(), '\\', text.size()) != nullptr;
  if ((escapes && text.find("\\u") != std::string::npos) ||
      std::memchr(text.data(), 0, text.size()) != nullptr)
    return false;
  QuickSceneHandler handler(read);
  rapidjson::Reader reader;
  bool whole = false;
  if (!escapes) {
    // Ends at the string's own terminating NUL.
    rapidjson::InsituStringStream stream(text.data());
    whole = !reader.Parse<kInPlaceFlags>(stream, handler).IsError();
  } else {
    rapidjson::MemoryStream stream(text.data(), text.size());
    whole = !reader.Parse<kParseFlags>(stream, handler).IsError();
  }
  if (!whole) read = QuickScene();
  return whole;
}

}  // namespace kcommand
