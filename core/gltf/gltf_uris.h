#pragma once
// The URIs a glTF file uses to name its buffer and image files: which are files beside
// it, what file they name, the URI that names a file from another folder, and the bytes
// a data: URI holds.

#include <optional>
#include <string>
#include <string_view>

namespace kcommand {

// True for a relative reference ("Box0.bin", "textures/a%20b.png"); false for data:
// URIs, other schemes and absolute paths.
bool IsRelativeFileUri(const std::string& uri);
// Percent-decoding: "a%20b.png" -> "a b.png".
std::string DecodeUri(const std::string& uri);
// The relative path in URI form: '/' kept, anything but unreserved characters encoded.
std::string EncodeUriPath(const std::string& path);

// Where the data of a base64 data: URI ("data:TYPE;base64,DATA") starts; nothing for any
// other URI.
std::optional<size_t> Base64DataAt(std::string_view uri);
// The bytes of base64 text, which ends at its first character that is not base64 (the
// '=' padding, say), and how many there are without decoding them.
std::string DecodeBase64(std::string_view text);
size_t Base64DecodedLength(std::string_view text);

}  // namespace kcommand
