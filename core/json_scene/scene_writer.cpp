#include "scene_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "json_number_text.h"
#include "json_writing.h"

namespace kcommand {
namespace {

// Text gathered in pieces of about a megabyte before they go to the sink: a scene of a
// million objects is written without ever being whole in memory.
class TextOut {
 public:
  explicit TextOut(const ByteSink& sink) : sink_(sink) { text_.reserve(kPiece + 4096); }
  ~TextOut() = default;
  TextOut(const TextOut&) = delete;
  TextOut& operator=(const TextOut&) = delete;

  TextOut& operator<<(std::string_view piece) {
    text_.append(piece);
    if (text_.size() >= kPiece) Flush();
    return *this;
  }
  void Indent(size_t level) { text_.append(2 * level, ' '); }
  void Flush() {
    sink_(text_);
    text_.clear();
  }

 private:
  static constexpr size_t kPiece = 1 << 20;
  const ByteSink& sink_;
  std::string text_;
};

void WriteString(TextOut& out, std::string_view text) {
  std::string quoted;
  AppendJsonString(quoted, text);
  out << quoted;
}

// The text of a vector's numbers, remembering the last vector written in each place:
// objects aligned against one reference take its rotation, and a million of them
// would otherwise format the same three numbers a million times.
class VectorText {
 public:
  void Write(TextOut& out, const Vector3& v) {
    const Vector3 tidy{WithoutNegativeZero(v[0]), WithoutNegativeZero(v[1]),
                       WithoutNegativeZero(v[2])};
    if (length_ == 0 || std::memcmp(&tidy, &last_, sizeof tidy) != 0) {
      char buffer[40];
      char* at = text_;
      *at++ = '[';
      for (size_t axis = 0; axis < 3; ++axis) {
        if (axis > 0) at = std::copy_n(", ", 2, at);
        const std::string_view number = NumberText(tidy[axis], buffer);
        at = std::copy(number.begin(), number.end(), at);
      }
      *at++ = ']';
      length_ = static_cast<size_t>(at - text_);
      last_ = tidy;
    }
    out << std::string_view(text_, length_);
  }

 private:
  Vector3 last_{};
  char text_[3 * 40 + 8];
  size_t length_ = 0;
};

// One VectorText for each vector of an object.
struct ObjectVectors {
  VectorText position, rotation, scale, halfSize, boxCentre;
};

// Angles come back from matrices with the last bits disturbed; a billionth of a degree
// is far below anything a scene can show. Angles too large to scale by a billion are
// kept as they are (their last bit is already coarser than that).
Vector3 TidyDegrees(const Vector3& v) {
  Vector3 out;
  for (size_t axis = 0; axis < 3; ++axis) {
    const double rounded = std::round(v[axis] * 1e9) / 1e9;
    out[axis] = std::isfinite(rounded) ? rounded : v[axis];
  }
  return out;
}

void WriteKey(TextOut& out, size_t level, std::string_view key) {
  out << ",\n";
  out.Indent(level);
  out << "\"" << key << "\": ";
}

void WriteObject(TextOut& out, ObjectVectors& vectors, const SceneObject& object, size_t level) {
  out.Indent(level);
  out << "{\n";
  out.Indent(level + 1);
  out << "\"name\": ";
  WriteString(out, object.name);
  if (object.comment) {
    WriteKey(out, level + 1, "comment");
    WriteString(out, *object.comment);
  }
  WriteKey(out, level + 1, "position");
  vectors.position.Write(out, object.position);
  WriteKey(out, level + 1, "rotation");
  vectors.rotation.Write(out, TidyDegrees(object.rotationDegrees));
  WriteKey(out, level + 1, "scale");
  vectors.scale.Write(out, object.scale);
  WriteKey(out, level + 1, "halfSize");
  vectors.halfSize.Write(out, object.halfSize);
  if (object.boxCentre) {
    WriteKey(out, level + 1, "boxCenter");
    vectors.boxCentre.Write(out, *object.boxCentre);
  }
  if (object.selected) {
    WriteKey(out, level + 1, "selected");
    out << "true";
  }
  if (!object.children.empty()) {
    WriteKey(out, level + 1, "children");
    out << "[\n";
    for (size_t i = 0; i < object.children.size(); ++i) {
      if (i > 0) out << ",\n";
      WriteObject(out, vectors, object.children[i], level + 2);
    }
    out << "\n";
    out.Indent(level + 1);
    out << "]";
  }
  out << "\n";
  out.Indent(level);
  out << "}";
}

}  // namespace

void WriteSceneText(const SceneModel& scene, const ByteSink& sink) {
  TextOut out(sink);
  ObjectVectors vectors;
  out << "{\n  \"version\": 1";
  if (!scene.comment.empty()) {
    WriteKey(out, 1, "comment");
    WriteString(out, scene.comment);
  }
  WriteKey(out, 1, "objects");
  if (scene.objects.empty()) {
    out << "[]";
  } else {
    out << "[\n";
    for (size_t i = 0; i < scene.objects.size(); ++i) {
      if (i > 0) out << ",\n";
      WriteObject(out, vectors, scene.objects[i], 2);
    }
    out << "\n  ]";
  }
  const ToolSettings& tool = scene.tool;
  bool first = true;
  const auto toolKey = [&](std::string_view key) {
    out << (first ? ",\n  \"tool\": {\n    \"" : ",\n    \"") << key << "\": ";
    first = false;
  };
  if (tool.reference) {
    toolKey("reference");
    WriteString(out, *tool.reference);
  }
  if (tool.object) {
    toolKey("object");
    WriteString(out, *tool.object);
  }
  for (size_t axis = 0; axis < 3; ++axis)
    if (tool.axes[axis]) {
      toolKey(std::string_view(&kAxisLetters[axis], 1));
      WriteString(out, FormatAxisChoice(*tool.axes[axis]));
    }
  if (!first) out << "\n  }";
  out << "\n}\n";
  out.Flush();
}

std::string SceneToText(const SceneModel& scene) {
  std::string text;
  WriteSceneText(scene, StringSink(text));
  return text;
}

}  // namespace kcommand
