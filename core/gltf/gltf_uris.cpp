#include "gltf_uris.h"

#include <cctype>
#include <cstdint>

namespace kcommand {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

size_t Base64Characters(std::string_view text) {
  size_t count = 0;
  while (count < text.size() && Base64Value(text[count]) >= 0) ++count;
  return count;
}

}  // namespace

bool IsRelativeFileUri(const std::string& uri) {
  if (uri.empty() || uri[0] == '/' || uri[0] == '\\') return false;
  // A scheme is letters, digits, '+', '-' or '.' before the first ':'.
  for (char c : uri) {
    if (c == ':') return false;
    if (c == '/' || c == '?' || c == '#') break;
  }
  return true;
}

std::string DecodeUri(const std::string& uri) {
  std::string out;
  for (size_t i = 0; i < uri.size(); ++i) {
    if (uri[i] == '%' && i + 2 < uri.size() && HexValue(uri[i + 1]) >= 0 &&
        HexValue(uri[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(uri[i + 1]) * 16 + HexValue(uri[i + 2]));
      i += 2;
    } else {
      out += uri[i];
    }
  }
  return out;
}

std::string EncodeUriPath(const std::string& path) {
  static const char* kHex = "0123456789ABCDEF";
  std::string out;
  for (char c : path) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (std::isalnum(u) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
      out += c;
    } else {
      out += '%';
      out += kHex[u >> 4];
      out += kHex[u & 15];
    }
  }
  return out;
}

std::optional<size_t> Base64DataAt(std::string_view uri) {
  if (!uri.starts_with("data:")) return std::nullopt;
  const size_t comma = uri.find(',');
  if (comma == std::string_view::npos || !uri.substr(0, comma).ends_with(";base64"))
    return std::nullopt;
  return comma + 1;
}

std::string DecodeBase64(std::string_view text) {
  std::string bytes;
  bytes.reserve(Base64DecodedLength(text));
  uint32_t bits = 0;
  int count = 0;
  for (const char c : text.substr(0, Base64Characters(text))) {
    bits = (bits << 6) | static_cast<uint32_t>(Base64Value(c));
    if ((count += 6) >= 8) {
      count -= 8;
      bytes += static_cast<char>((bits >> count) & 0xff);
    }
  }
  return bytes;
}

size_t Base64DecodedLength(std::string_view text) {
  const size_t characters = Base64Characters(text);
  return characters / 4 * 3 + characters % 4 * 3 / 4;  // six bits each, whole bytes only
}

}  // namespace kcommand
