#include "trace_arguments.h"

#include "host.h"
#include "scene.h"
#include "scene_call_text.h"
#include "text_values.h"

namespace khost::trace_arguments {
namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string Word(const void* handle, const char* word) { return handle ? word : "null"; }

}  // namespace

void Append(Text& text, int32_t value) { text.Add(std::to_string(value)); }
void Append(Text& text, size_t value) { text.Add(std::to_string(value)); }
void Append(Text& text, const char* value) { text.Add(value ? Quoted(value) : "null"); }

void Append(Text& text, HostObject* object) {
  text.Add(Host::Current().scene().ObjectLabel(object));
}

void Append(Text& text, HostDocument* document) {
  text.Add(Host::Current().scene().DocumentLabel(document));
}

void Append(Text& text, const HostVector* vector) {
  text.Add(vector ? VectorText(*vector) : "null");
}

void Append(Text& text, const HostMatrix* matrix) {
  text.Add(matrix ? MatrixText(*matrix) : "null");
}

void Append(Text& text, const HostStringStorage* string) {
  const std::string* content = Host::Current().text().PeekText(string);
  text.Add(content ? Quoted(*content) : "not alive");
}

void Append(Text& text, const HostFileNameStorage* name) {
  const std::string* path = Host::Current().text().PeekPath(name);
  text.Add(path ? Quoted(*path) : "not alive");
}

void Append(Text& text, HostBitmap* bitmap) { text.Add(Word(bitmap, "bitmap")); }
void Append(Text& text, HostResourceSet* set) { text.Add(Word(set, "set")); }
void Append(Text& text, HostObjectArray* array) { text.Add(Word(array, "array")); }
void Append(Text& text, HostPlugin* plugin) { text.Add(Word(plugin, "plugin")); }
void Append(Text& text, HostDescription* description) {
  text.Add(Word(description, "description"));
}

void Append(Text& text, const void* data) { text.Add(Word(data, "data")); }

std::string Of(tags::StringSetText, HostStringStorage*, const char* characters, int32_t length,
               int32_t last) {
  const std::string shown =
      characters == nullptr ? "null"
      : length == -1
          ? Quoted(characters)
          : Quoted(std::string(characters, length < 0 ? 0 : static_cast<size_t>(length)));
  return shown + ", " + std::to_string(length) + ", " + std::to_string(last);
}

}  // namespace khost::trace_arguments
