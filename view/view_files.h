#pragma once
// The page of `kestrum view` and the three.js modules it imports, built into the
// command: a request path can only ever name one of these, never a file on disk.

#include <string_view>

namespace kcommand {

struct ViewFile {
  std::string_view path;  // as requested, "/index.html"
  std::string_view type;  // Content-Type
  std::string_view content;
};

// The file served at `path`, or null.
const ViewFile* FindViewFile(std::string_view path);

}  // namespace kcommand
