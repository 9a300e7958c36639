#pragma once
// How the call trace shows an operation's arguments, by type, so that one generated
// wrapper per operation can trace every call:
//   numbers as numbers; text (const char*) quoted, or null;
//   objects and documents by their labels ("Cube", "Cube" (deleted), unknown, null);
//   vectors and matrices given to the host by value, or null;
//   strings and file names given to the host by their text, quoted, or "not alive";
//   bitmaps, resource sets, object arrays, plug-ins and descriptions as a word, or null;
//   untyped pointers as data, or null.
// Left out: the settings container (every tool call has one), storage the host fills
// or constructs (outputs), and pointers to the caller's variables.

#include <cstddef>
#include <cstdint>
#include <string>

#include "c4d_host_abi.h"

namespace khost::trace_arguments {

// One empty type per operation, to choose its way of showing arguments.
namespace tags {
#define KESTRUM_TRACE_TAG(Name, Byte, Result, Params, Args, Contract) \
  struct Name {};
#define KESTRUM_TRACE_TAG_LIST(List, TableSlot) List(KESTRUM_TRACE_TAG)
HOST_SUB_TABLES(KESTRUM_TRACE_TAG_LIST)
HOST_DESCRIPTION_LIBRARY_OPERATIONS(KESTRUM_TRACE_TAG)
#undef KESTRUM_TRACE_TAG_LIST
#undef KESTRUM_TRACE_TAG
}  // namespace tags

class Text {
 public:
  void Add(const std::string& piece) {
    if (!text_.empty()) text_ += ", ";
    text_ += piece;
  }
  std::string Take() { return std::move(text_); }

 private:
  std::string text_;
};

void Append(Text& text, int32_t value);
void Append(Text& text, size_t value);
void Append(Text& text, const char* value);
void Append(Text& text, HostObject* object);
void Append(Text& text, HostDocument* document);
void Append(Text& text, const HostVector* vector);
void Append(Text& text, const HostMatrix* matrix);
void Append(Text& text, const HostStringStorage* string);
void Append(Text& text, const HostFileNameStorage* name);
void Append(Text& text, HostBitmap* bitmap);
void Append(Text& text, HostResourceSet* set);
void Append(Text& text, HostObjectArray* array);
void Append(Text& text, HostPlugin* plugin);
void Append(Text& text, HostDescription* description);
void Append(Text& text, const void* data);
inline void Append(Text&, HostContainer*) {}
inline void Append(Text&, HostVector*) {}
inline void Append(Text&, HostMatrix*) {}
inline void Append(Text&, HostStringStorage*) {}
inline void Append(Text&, HostFileNameStorage*) {}
inline void Append(Text&, HostObjectArray**) {}
inline void Append(Text&, void**) {}
inline void Append(Text&, int32_t*) {}

// The arguments of one call. Operations whose arguments the type rules cannot show
// have an overload of their own, chosen by the operation's tag.
template <typename OperationTag, typename... Arguments>
std::string Of(OperationTag, Arguments... arguments) {
  Text text;
  (Append(text, arguments), ...);
  return text.Take();
}

// The characters up to `length` (all of them for -1): they need not end in a zero.
std::string Of(tags::StringSetText, HostStringStorage* text, const char* characters, int32_t length,
               int32_t last);

}  // namespace khost::trace_arguments
