#pragma once
// The JSON Schema of scene files (docs/scene.schema.json, built into the command) and
// the check of a parsed document against it.

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace kcommand {

struct SchemaProblem {
  std::string pointer;  // JSON pointer of the offending value; "" for the whole document
  std::string description;
};

// Empty when `document` follows the schema. Problems come deepest first, as the
// validator finds them.
std::vector<SchemaProblem> CheckAgainstSceneSchema(const nlohmann::json& document);

}  // namespace kcommand
