#pragma once
// The URIs a glTF file uses to name its buffer and image files: which are files beside
// it, what file they name, and the URI that names a file from another folder.

#include <string>

namespace kcommand {

// True for a relative reference ("Box0.bin", "textures/a%20b.png"); false for data:
// URIs, other schemes and absolute paths.
bool IsRelativeFileUri(const std::string& uri);
// Percent-decoding: "a%20b.png" -> "a b.png".
std::string DecodeUri(const std::string& uri);
// The relative path in URI form: '/' kept, anything but unreserved characters encoded.
std::string EncodeUriPath(const std::string& path);

}  // namespace kcommand
