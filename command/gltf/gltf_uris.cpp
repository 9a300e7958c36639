#include "gltf_uris.h"

#include <cctype>

namespace kcommand {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
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

}  // namespace kcommand
