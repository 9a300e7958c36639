#include "scene_fast_reader.h"

#if KESTRUM_QUICK_SCENE_READER

#include <simdjson.h>

#include <cmath>
#include <string_view>

#include "json_nesting.h"

namespace kcommand {
namespace {

namespace ondemand = simdjson::ondemand;

static_assert(kSceneReadPadding >= simdjson::SIMDJSON_PADDING);

// Every step answers false at the first thing that is not plainly right; the caller
// then leaves the file to the checking reader.
class QuickSceneReader {
 public:
  explicit QuickSceneReader(ReadScene& read) : read_(read) {}

  bool Document(ondemand::document& document) {
    ondemand::object root;
    if (document.get_object().get(root)) return false;
    unsigned seen = 0;
    for (auto field : root) {
      std::string_view key;
      ondemand::value value;
      if (field.unescaped_key().get(key) || field.value().get(value)) return false;
      if (key == "version") {
        if (!Once(seen, 1) || !VersionOne(value)) return false;
      } else if (key == "comment") {
        if (!Once(seen, 2) || !String(value, read_.comment)) return false;
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

  static bool Number(ondemand::value value, double& out) {
    ondemand::number number;
    if (value.get_number().get(number)) return false;
    switch (number.get_number_type()) {
      case ondemand::number_type::signed_integer:
        out = static_cast<double>(number.get_int64());
        return true;
      case ondemand::number_type::unsigned_integer:
        out = static_cast<double>(number.get_uint64());
        return true;
      case ondemand::number_type::floating_point_number:
        out = number.get_double();
        // "-0" and "-0.0" both come here; only the checking reader tells them apart.
        return !(out == 0 && std::signbit(out));
    }
    return false;
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

  bool Objects(ondemand::value value) {
    ondemand::array items;
    if (value.get_array().get(items)) return false;
    size_t index = 0;
    for (auto item : items) {
      ondemand::value object;
      if (item.get(object) || !Object(object, 3, "/objects/" + std::to_string(index), {}))
        return false;
      ++index;
    }
    return true;
  }

  // An object `depth` levels into the text; `parent` unset for the top level. It is
  // listed before its fields are read, so that its children, read in place, come after it.
  bool Object(ondemand::value value, size_t depth, std::string source,
              std::optional<size_t> parent) {
    ondemand::object fields;
    if (depth > khost::kMaxJsonNesting || value.get_object().get(fields)) return false;
    const size_t index = AddReadObject(read_, ReadObject{}, parent);
    read_.objects[index].object.source = std::move(source);
    unsigned seen = 0;
    for (auto field : fields) {
      std::string_view key;
      ondemand::value item;
      if (field.unescaped_key().get(key) || field.value().get(item)) return false;
      // Fetched anew for every field: reading children grows the list.
      ReadObject& each = read_.objects[index];
      SceneObject& object = each.object;
      bool read = false;
      if (key == "name") {
        read = Once(seen, 1) && Name(item, object.name);
      } else if (key == "comment") {
        read = Once(seen, 2) && String(item, object.comment);
      } else if (key == "position") {
        read = Once(seen, 4) && Vector(item, depth + 1, object.position);
      } else if (key == "rotation") {
        read = Once(seen, 8) && Vector(item, depth + 1, object.rotationDegrees);
      } else if (key == "scale") {
        read = Once(seen, 16) && Vector(item, depth + 1, object.scale);
      } else if (key == "halfSize") {
        read = Once(seen, 32) && Vector(item, depth + 1, object.halfSize);
      } else if (key == "selected") {
        read = Once(seen, 64) && !item.get_bool().get(object.selected);
      } else if (key == "parent") {
        std::string name;
        read = !parent && Once(seen, 128) && Name(item, name);
        each.parentName = std::move(name);
      } else if (key == "children") {
        read = Once(seen, 256) && Children(item, depth + 1, index);
      }
      if (!read) return false;
    }
    return (seen & 1) != 0;
  }

  bool Children(ondemand::value value, size_t depth, size_t parent) {
    ondemand::array items;
    if (depth > khost::kMaxJsonNesting || value.get_array().get(items)) return false;
    const std::string prefix = read_.objects[parent].object.source + "/children/";
    size_t index = 0;
    for (auto item : items) {
      ondemand::value object;
      if (item.get(object) || !Object(object, depth + 1, prefix + std::to_string(index), parent))
        return false;
      ++index;
    }
    return true;
  }

  bool Tool(ondemand::value value) {
    ondemand::object fields;
    if (value.get_object().get(fields)) return false;
    unsigned seen = 0;
    for (auto field : fields) {
      std::string_view key;
      ondemand::value item;
      if (field.unescaped_key().get(key) || field.value().get(item)) return false;
      std::string text;
      if (key == "reference" || key == "object") {
        if (!Once(seen, key == "reference" ? 1 : 2) || !String(item, text) || text.empty())
          return false;
        (key == "reference" ? read_.reference : read_.object) = std::move(text);
        continue;
      }
      const size_t axis = key == "x" ? 0 : key == "y" ? 1 : key == "z" ? 2 : 3;
      if (axis == 3 || !Once(seen, 4u << axis) || !String(item, text) || !ParseAxisChoice(text))
        return false;
      read_.axes[axis] = std::move(text);
    }
    return true;
  }

  ReadScene& read_;
};

}  // namespace

bool ReadWellFormedScene(const std::string& text, ReadScene& read) {
  // \u escapes can spell lone surrogates, which the two readers may not treat alike.
  if (text.find("\\u") != std::string::npos) return false;
  std::string copy;
  const std::string* padded = &text;
  if (text.capacity() < text.size() + kSceneReadPadding) {
    copy.reserve(text.size() + kSceneReadPadding);
    copy = text;
    padded = &copy;
  }
  ondemand::parser parser;
  ondemand::document document;
  const simdjson::padded_string_view view(padded->data(), padded->size(), padded->capacity());
  QuickSceneReader reader(read);
  const bool whole = !parser.iterate(view).get(document) && reader.Document(document);
  if (!whole) read = ReadScene();
  return whole;
}

}  // namespace kcommand

#else

namespace kcommand {

bool ReadWellFormedScene(const std::string&, ReadScene&) { return false; }

}  // namespace kcommand

#endif
