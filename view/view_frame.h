#pragma once
// One answer of the view's compact form: a JSON head, then arrays of numbers as float64,
// so a scene's placements travel as bytes rather than as decimal text. The bytes are,
// little-endian: the head's length (uint32), the head (UTF-8 JSON, with "arrays": [{
// "name", "length"}, ...] added), zeros up to a multiple of 8, then each array in order.

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace kcommand {

struct ViewArray {
  std::string name;
  std::vector<double> values;
};

struct ViewFrame {
  nlohmann::json head;
  std::vector<ViewArray> arrays;
};

std::string EncodeViewFrame(const ViewFrame& frame);

}  // namespace kcommand
