#include "scene_writer.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "input_error.h"

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

// The shortest digits that read back as the same double, laid out as JSON writers
// commonly do: "7.0", "0.25", "1e-05", "1.5e+20"; "null" for what JSON cannot hold.
std::string_view NumberText(double value, char (&buffer)[40]) {
  if (!std::isfinite(value)) return "null";
  char* out = buffer;
  if (std::signbit(value)) {
    *out++ = '-';
    value = -value;
  }
  if (value == 0) {
    std::memcpy(out, "0.0", 3);
    return {buffer, static_cast<size_t>(out + 3 - buffer)};
  }
  // d.ddde±x from the library: take its digits and exponent, then place the point.
  char scientific[32];
  const auto [end, ignored] = std::to_chars(scientific, scientific + sizeof scientific, value,
                                            std::chars_format::scientific);
  const char* e = static_cast<const char*>(std::memchr(scientific, 'e', end - scientific));
  char digits[20];
  int count = 0;
  for (const char* at = scientific; at < e; ++at)
    if (*at != '.') digits[count++] = *at;
  int exponent = 0;
  std::from_chars(e + (e[1] == '+' ? 2 : 1), end, exponent);
  // The decimal point falls after `point` digits.
  const int point = exponent + 1;
  constexpr int kLargestPlain = 15;
  constexpr int kSmallestPlain = -4;  // exclusive
  if (count <= point && point <= kLargestPlain) {
    out = std::copy(digits, digits + count, out);
    out = std::fill_n(out, point - count, '0');
    out = std::copy_n(".0", 2, out);
  } else if (0 < point && point <= kLargestPlain) {
    out = std::copy(digits, digits + point, out);
    *out++ = '.';
    out = std::copy(digits + point, digits + count, out);
  } else if (kSmallestPlain < point && point <= 0) {
    out = std::copy_n("0.", 2, out);
    out = std::fill_n(out, -point, '0');
    out = std::copy(digits, digits + count, out);
  } else {
    *out++ = digits[0];
    if (count > 1) {
      *out++ = '.';
      out = std::copy(digits + 1, digits + count, out);
    }
    *out++ = 'e';
    *out++ = exponent < 0 ? '-' : '+';
    const int magnitude = std::abs(exponent);
    if (magnitude < 10) *out++ = '0';
    out = std::to_chars(out, buffer + sizeof buffer, magnitude).ptr;
  }
  return {buffer, static_cast<size_t>(out - buffer)};
}

// JSON string text: quotes, backslashes and control characters escaped; the rest as it is.
void WriteString(TextOut& out, std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    switch (c) {
      case '"':
        quoted += "\\\"";
        break;
      case '\\':
        quoted += "\\\\";
        break;
      case '\b':
        quoted += "\\b";
        break;
      case '\f':
        quoted += "\\f";
        break;
      case '\n':
        quoted += "\\n";
        break;
      case '\r':
        quoted += "\\r";
        break;
      case '\t':
        quoted += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          constexpr char kHex[] = "0123456789abcdef";
          quoted += "\\u00";
          quoted += kHex[(c >> 4) & 0xf];
          quoted += kHex[c & 0xf];
        } else {
          quoted += c;
        }
    }
  }
  quoted += '"';
  out << quoted;
}

// No "-0" in files people read.
double Tidy(double value) { return value == 0 ? 0.0 : value; }

void WriteVector(TextOut& out, const Vector3& v) {
  char buffer[40];
  out << "[" << NumberText(Tidy(v[0]), buffer) << ", ";
  out << NumberText(Tidy(v[1]), buffer) << ", ";
  out << NumberText(Tidy(v[2]), buffer) << "]";
}

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

void WriteObject(TextOut& out, const SceneObject& object, size_t level) {
  out.Indent(level);
  out << "{\n";
  out.Indent(level + 1);
  out << "\"name\": ";
  WriteString(out, object.name);
  if (!object.comment.empty()) {
    WriteKey(out, level + 1, "comment");
    WriteString(out, object.comment);
  }
  WriteKey(out, level + 1, "position");
  WriteVector(out, object.position);
  WriteKey(out, level + 1, "rotation");
  WriteVector(out, TidyDegrees(object.rotationDegrees));
  WriteKey(out, level + 1, "scale");
  WriteVector(out, object.scale);
  WriteKey(out, level + 1, "halfSize");
  WriteVector(out, object.halfSize);
  if (object.selected) {
    WriteKey(out, level + 1, "selected");
    out << "true";
  }
  if (!object.children.empty()) {
    WriteKey(out, level + 1, "children");
    out << "[\n";
    for (size_t i = 0; i < object.children.size(); ++i) {
      if (i > 0) out << ",\n";
      WriteObject(out, object.children[i], level + 2);
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

void WriteSceneText(const SceneFile& scene, const ByteSink& sink) {
  TextOut out(sink);
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
      WriteObject(out, scene.objects[i], 2);
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

std::string SceneToText(const SceneFile& scene) {
  std::string text;
  WriteSceneText(scene, [&text](std::string_view piece) { text.append(piece); });
  return text;
}

void WriteFileAtomically(const std::string& path, const std::string& content) {
  OutputFiles files;
  files.Stage(path, content);
  files.Commit();
}

}  // namespace kcommand
