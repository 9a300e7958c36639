// Numbers written from their count of billionths read the same as the library's
// shortest digits laid out the command's way, on both sides of every limit of that path.

#include "json_number_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace kcommand {
namespace {

void ExpectSameText(double value) {
  char fast[40];
  char general[40];
  EXPECT_EQ(std::string(ShortestNumberText(value, general)), std::string(NumberText(value, fast)))
      << "for the double with bits " << std::bit_cast<uint64_t>(value);
}

TEST(NumberText, WritesWhatTheShortestDigitsWrite) {
  std::vector<double> values;
  // Zeros, whole numbers, the path's limits and what lies past them.
  for (const double each : {0.0, -0.0, 1.0, -1.0, 0.5, 1e5, 100000.0, 120000.0, 999999.5})
    values.push_back(each);
  for (const double each : {0.001, 0.0009999, 0.00099999, 1e-4, 1e-9, 999999.999999999, 1e6})
    values.push_back(each);
  for (const double each : {1e6 + 0.5, 1e15, 1e16, 1e21, 1e22, 5e-324, 1.7976931348623157e308})
    values.push_back(each);
  // More decimals than the path takes, and sums that are not short decimals.
  for (const double each : {123.456789, 123.4567891, 123.45678912, 0.1 + 0.2, 1.0 / 3, 2.0 / 3e5})
    values.push_back(each);
  values.push_back(std::numeric_limits<double>::infinity());
  values.push_back(std::numeric_limits<double>::quiet_NaN());
  for (const double limit : {1e-3, 1e6})
    for (const double toward : {0.0, 2e6}) {
      double near = limit;
      for (int step = 0; step < 4; ++step) {
        values.push_back(near);
        near = std::nextafter(near, toward);
      }
    }
  std::mt19937_64 numbers(7);
  for (int i = 0; i < 50000; ++i) {
    // Decimals of 0 to 10 places across the path's range and past it, as files hold
    // them, and what arithmetic on them gives.
    const int places = static_cast<int>(numbers() % 11);
    const double whole =
        static_cast<double>(static_cast<int64_t>(numbers() % 4'000'000'000ULL) - 2'000'000'000LL);
    const double decimal = whole / std::pow(10.0, places);
    values.push_back(decimal);
    values.push_back(decimal * 1.1);
    values.push_back(decimal + 0.1);
    // Any double at all.
    values.push_back(std::bit_cast<double>(numbers()));
  }
  for (const double value : values) ExpectSameText(value);
}

}  // namespace
}  // namespace kcommand
