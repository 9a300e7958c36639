#include "view_frame.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace kcommand {

static_assert(std::endian::native == std::endian::little, "frames are written little-endian");

std::string EncodeViewFrame(const ViewFrame& frame) {
  nlohmann::json head = frame.head;
  nlohmann::json arrays = nlohmann::json::array();
  size_t numbers = 0;
  for (const ViewArray& array : frame.arrays) {
    arrays.push_back({{"name", array.name}, {"length", array.values.size()}});
    numbers += array.values.size();
  }
  head["arrays"] = std::move(arrays);
  const std::string text = head.dump();
  const uint32_t length = static_cast<uint32_t>(text.size());
  const size_t start = (sizeof length + text.size() + 7) / 8 * 8;
  std::string bytes(start + numbers * sizeof(double), '\0');
  std::memcpy(bytes.data(), &length, sizeof length);
  std::memcpy(bytes.data() + sizeof length, text.data(), text.size());
  char* at = bytes.data() + start;
  for (const ViewArray& array : frame.arrays) {
    if (array.values.empty()) continue;  // its data() may be null, which memcpy must not get
    std::memcpy(at, array.values.data(), array.values.size() * sizeof(double));
    at += array.values.size() * sizeof(double);
  }
  return bytes;
}

}  // namespace kcommand
