#include "json_number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>

namespace kcommand {

namespace {

// Numbers of up to nine decimals and below a million, as most sizes and many
// placements are: such a number is a whole count of billionths m whose quotient
// m / 1e9 gives the number back exactly, and m has at most 15 digits, so its digits
// are the only ones of 15 or fewer that read back as the number, and thus the
// shortest. Written from m directly, without the general search for the shortest
// digits, which costs several times more. Nothing for any other number.
std::optional<std::string_view> DecimalText(double value, char (&buffer)[40]) {
  constexpr double kBillion = 1e9;
  const double magnitude = std::fabs(value);
  if (!(magnitude >= 1e-3 && magnitude < 1e6)) return std::nullopt;
  // Rounded half up by adding a half, exact below 2^50; a count one off fails the check.
  const auto billionths = static_cast<uint64_t>(magnitude * kBillion + 0.5);
  if (static_cast<double>(billionths) / kBillion != magnitude) return std::nullopt;
  char* out = buffer;
  if (value < 0) *out++ = '-';
  out = std::to_chars(out, buffer + sizeof buffer, billionths / 1'000'000'000).ptr;
  *out++ = '.';
  auto rest = static_cast<uint32_t>(billionths % 1'000'000'000);
  if (rest == 0) {
    *out++ = '0';
    return std::string_view(buffer, static_cast<size_t>(out - buffer));
  }
  char fraction[9];
  for (int digit = 8; digit >= 0; --digit) {
    fraction[digit] = static_cast<char>('0' + rest % 10);
    rest /= 10;
  }
  int length = 9;
  while (fraction[length - 1] == '0') --length;
  out = std::copy_n(fraction, length, out);
  return std::string_view(buffer, static_cast<size_t>(out - buffer));
}

}  // namespace

std::string_view NumberText(double value, char (&buffer)[40]) {
  if (const std::optional<std::string_view> decimal = DecimalText(value, buffer)) return *decimal;
  return ShortestNumberText(value, buffer);
}

std::string_view ShortestNumberText(double value, char (&buffer)[40]) {
  if (!std::isfinite(value)) return "null";
  // Most numbers come out of the library already plain, as they are written.
  const char* end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  const char* point = nullptr;
  bool plain = true;
  for (const char* at = buffer; at < end; ++at) {
    if (*at == '.') point = at;
    if (*at == 'e') plain = false;
  }
  const size_t wholeDigits = (point ? point : end) - buffer - (buffer[0] == '-' ? 1 : 0);
  constexpr size_t kLargestPlain = 15;
  if (plain && wholeDigits <= kLargestPlain) {
    if (point) return {buffer, static_cast<size_t>(end - buffer)};
    std::memcpy(const_cast<char*>(end), ".0", 2);
    return {buffer, static_cast<size_t>(end + 2 - buffer)};
  }
  char* out = buffer;
  if (std::signbit(value)) {
    *out++ = '-';
    value = -value;
  }
  // d.ddde±x from the library: take its digits and exponent, then place the point.
  char scientific[32];
  const auto [scientificEnd, ignored] = std::to_chars(scientific, scientific + sizeof scientific,
                                                      value, std::chars_format::scientific);
  const char* e =
      static_cast<const char*>(std::memchr(scientific, 'e', scientificEnd - scientific));
  char digits[20];
  int count = 0;
  for (const char* at = scientific; at < e; ++at)
    if (*at != '.') digits[count++] = *at;
  int exponent = 0;
  std::from_chars(e + (e[1] == '+' ? 2 : 1), scientificEnd, exponent);
  // The decimal point falls after `placed` digits.
  const int placed = exponent + 1;
  constexpr int kSmallestPlain = -4;  // exclusive
  if (count <= placed && placed <= static_cast<int>(kLargestPlain)) {
    out = std::copy(digits, digits + count, out);
    out = std::fill_n(out, placed - count, '0');
    out = std::copy_n(".0", 2, out);
  } else if (0 < placed && placed <= static_cast<int>(kLargestPlain)) {
    out = std::copy(digits, digits + placed, out);
    *out++ = '.';
    out = std::copy(digits + placed, digits + count, out);
  } else if (kSmallestPlain < placed && placed <= 0) {
    out = std::copy_n("0.", 2, out);
    out = std::fill_n(out, -placed, '0');
    out = std::copy(digits, digits + count, out);
  } else {
    *out++ = digits[0];
    if (count > 1) {
      *out++ = '.';
      out = std::copy(digits + 1, digits + count, out);
    }
    *out++ = 'e';
    *out++ = exponent < 0 ? '-' : '+';
    const int magnitude = std::abs(exponent);
    if (magnitude < 10) *out++ = '0';
    out = std::to_chars(out, buffer + sizeof buffer, magnitude).ptr;
  }
  return {buffer, static_cast<size_t>(out - buffer)};
}

}  // namespace kcommand
