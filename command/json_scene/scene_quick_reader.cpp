#include "scene_quick_reader.h"

#if KESTRUM_QUICK_SCENE_READER

#include <simdjson.h>

#include <charconv>
#include <cmath>
#include <string_view>
#include <utility>

#include "json_scanning.h"

namespace kcommand {
namespace {

namespace ondemand = simdjson::ondemand;

static_assert(kSceneReadPadding >= simdjson::SIMDJSON_PADDING);

// Every step answers false at the first thing that is not plainly right; the caller
// then leaves the file to the checking reader.
class QuickSceneReader {
 public:
  explicit QuickSceneReader(QuickScene& read) : read_(read) {}

  bool Document(ondemand::document& document) {
    ondemand::object root;
    if (document.get_object().get(root)) return false;
    unsigned seen = 0;
    for (auto each : root) {
      ondemand::field field;
      std::string_view key;
      if (std::move(each).get(field) || !Key(field, key)) return false;
      ondemand::value value = field.value();
      if (key == "version") {
        if (!Once(seen, 1) || !VersionOne(value)) return false;
      } else if (key == "comment") {
        if (!Once(seen, 2) || !String(value, read_.scene.comment)) return false;
      } else if (key == "objects") {
        if (!Once(seen, 4) || !Objects(value)) return false;
      } else if (key == "tool") {
        if (!Once(seen, 8) || !Tool(value)) return false;
      } else {
        return false;
      }
    }
    // Nothing may follow the top-level object.
    return (seen & 4) != 0 && document.current_location().error() == simdjson::OUT_OF_BOUNDS;
  }

 private:
  // A key as it stands in the text, not copied out unescaped: every key the reader
  // knows is plain, and one with an escape is left to the checking reader. The parser
  // has checked that the string ends.
  static bool Key(ondemand::field& field, std::string_view& key) {
    const char* start = field.key().raw();
    const char* end = start;
    while (*end != '"' && *end != '\\') ++end;
    key = std::string_view(start, static_cast<size_t>(end - start));
    return *end == '"';
  }

  // A key met twice: the checking reader knows which one counts.
  static bool Once(unsigned& seen, unsigned bit) {
    if (seen & bit) return false;
    seen |= bit;
    return true;
  }

  static bool VersionOne(ondemand::value value) {
    ondemand::number number;
    if (value.get_number().get(number)) return false;
    return number.get_number_type() == ondemand::number_type::signed_integer &&
           number.get_int64() == 1;
  }

  static bool String(ondemand::value value, std::string& out) {
    std::string_view text;
    if (value.get_string().get(text)) return false;
    out.assign(text);
    return true;
  }

  // Not empty and without '/'.
  static bool Name(ondemand::value value, std::string& out) {
    return String(value, out) && !out.empty() && out.find('/') == std::string::npos;
  }

  // Integers too: the checking reader converts them to the nearest double, as parsing
  // their text as a double does. "-0" is the exception (0 there, -0 here), so negative
  // zeros are left to it.
  static bool Number(ondemand::value value, double& out) {
    return !value.get_double().get(out) && !(out == 0 && std::signbit(out));
  }

  static bool Vector(ondemand::value value, size_t depth, Vector3& out) {
    ondemand::array items;
    if (depth > khost::kMaxJsonNesting || value.get_array().get(items)) return false;
    size_t count = 0;
    for (auto item : items) {
      ondemand::value number;
      if (count == 3 || item.get(number) || !Number(number, out[count])) return false;
      ++count;
    }
    return count == 3;
  }

  // Objects in an array, `depth` levels into the text; `source` is the array's place.
  bool ObjectList(ondemand::value value, size_t depth, const std::string& source,
                  std::vector<SceneObject>& out, bool topLevel) {
    ondemand::array items;
    size_t count = 0;
    if (depth > khost::kMaxJsonNesting || value.get_array().get(items) ||
        items.count_elements().get(count))
      return false;
    out.reserve(count);
    for (auto item : items) {
      ondemand::value object;
      if (item.get(object)) return false;
      SceneObject& added = out.emplace_back();
      // Put together in place: a million of them, without the temporaries of `+`.
      char index[24];
      const auto digits = static_cast<size_t>(
          std::to_chars(index, index + sizeof index, out.size() - 1).ptr - index);
      added.source.reserve(source.size() + 1 + digits);
      added.source.append(source).append(1, '/').append(index, digits);
      if (!Object(object, depth + 1, added, topLevel ? out.size() - 1 : kNotTopLevel)) return false;
    }
    return true;
  }

  bool Objects(ondemand::value value) {
    return ObjectList(value, 2, "/objects", read_.scene.objects, true);
  }

  static constexpr size_t kNotTopLevel = static_cast<size_t>(-1);

  // An object `depth` levels into the text; `topLevel` is its index among the top-level
  // objects, the only ones that may name a parent.
  bool Object(ondemand::value value, size_t depth, SceneObject& object, size_t topLevel) {
    ondemand::object fields;
    if (depth > khost::kMaxJsonNesting || value.get_object().get(fields)) return false;
    unsigned seen = 0;
    for (auto each : fields) {
      ondemand::field field;
      std::string_view key;
      if (std::move(each).get(field) || !Key(field, key)) return false;
      ondemand::value item = field.value();
      bool read = false;
      if (key == "name") {
        read = Once(seen, 1) && Name(item, object.name);
      } else if (key == "comment") {
        std::string comment;
        read = Once(seen, 2) && String(item, comment);
        if (!comment.empty()) object.comment = comment;
      } else if (key == "position") {
        read = Once(seen, 4) && Vector(item, depth + 1, object.position);
      } else if (key == "rotation") {
        read = Once(seen, 8) && Vector(item, depth + 1, object.rotationDegrees);
      } else if (key == "scale") {
        read = Once(seen, 16) && Vector(item, depth + 1, object.scale);
      } else if (key == "halfSize") {
        read = Once(seen, 32) && Vector(item, depth + 1, object.halfSize);
      } else if (key == "boxCenter") {
        Vector3 centre;
        read = Once(seen, 512) && Vector(item, depth + 1, centre);
        object.boxCentre = centre;
      } else if (key == "selected") {
        read = Once(seen, 64) && !item.get_bool().get(object.selected);
      } else if (key == "parent") {
        std::string name;
        read = topLevel != kNotTopLevel && Once(seen, 128) && Name(item, name);
        read_.namedParents.emplace_back(topLevel, std::move(name));
      } else if (key == "children") {
        read = Once(seen, 256) &&
               ObjectList(item, depth + 1, object.source + "/children", object.children, false);
      }
      if (!read) return false;
    }
    return (seen & 1) != 0;
  }

  bool Tool(ondemand::value value) {
    ondemand::object fields;
    if (value.get_object().get(fields)) return false;
    ToolSettings& tool = read_.scene.tool;
    unsigned seen = 0;
    for (auto each : fields) {
      ondemand::field field;
      std::string_view key;
      if (std::move(each).get(field) || !Key(field, key)) return false;
      ondemand::value item = field.value();
      std::string text;
      if (key == "reference" || key == "object") {
        if (!Once(seen, key == "reference" ? 1 : 2) || !String(item, text) || text.empty())
          return false;
        (key == "reference" ? tool.reference : tool.object) = std::move(text);
        continue;
      }
      const size_t axis = key == "x" ? 0 : key == "y" ? 1 : key == "z" ? 2 : 3;
      if (axis == 3 || !Once(seen, 4u << axis) || !String(item, text)) return false;
      tool.axes[axis] = ParseAxisChoice(text);
      if (!tool.axes[axis]) return false;
    }
    return true;
  }

  QuickScene& read_;
};

}  // namespace

bool ReadWellFormedScene(std::string& text, QuickScene& read) {
  // Zeros after the text, where the parser's wide loads may reach: within the storage
  // the text already has when it came from ReadSceneBytes, so nothing is copied.
  const size_t size = text.size();
  text.append(kSceneReadPadding, '\0');
  text.resize(size);
  return ReadWellFormedScene(std::string_view(text), read);
}

bool ReadWellFormedScene(std::string_view text, QuickScene& read) {
  // \u escapes can spell lone surrogates, which the two readers may not treat alike.
  if (text.find("\\u") != std::string_view::npos) return false;
  ondemand::parser parser;
  ondemand::document document;
  const simdjson::padded_string_view view(text.data(), text.size(),
                                          text.size() + kSceneReadPadding);
  QuickSceneReader reader(read);
  const bool whole = !parser.iterate(view).get(document) && reader.Document(document);
  if (!whole) read = QuickScene();
  return whole;
}

}  // namespace kcommand

#else

namespace kcommand {

bool ReadWellFormedScene(std::string&, QuickScene&) { return false; }
bool ReadWellFormedScene(std::string_view, QuickScene&) { return false; }

}  // namespace kcommand

#endif
