#include "scene_schema.h"

#include <memory>
#include <valijson/adapters/nlohmann_json_adapter.hpp>
#include <valijson/schema.hpp>
#include <valijson/schema_parser.hpp>
#include <valijson/validation_results.hpp>
#include <valijson/validator.hpp>

extern const char* const kSceneSchemaText;

namespace kcommand {
namespace {

const valijson::Schema& SceneSchema() {
  static const std::unique_ptr<valijson::Schema> schema = [] {
    const nlohmann::json text = nlohmann::json::parse(kSceneSchemaText);
    auto parsed = std::make_unique<valijson::Schema>();
    valijson::SchemaParser parser;
    valijson::adapters::NlohmannJsonAdapter adapter(text);
    parser.populateSchema(adapter, *parsed);
    return parsed;
  }();
  return *schema;
}

// The validator names places as "<root>", "[objects]", "[0]"; a JSON pointer reads
// "/objects/0".
std::string PointerOf(const std::vector<std::string>& context) {
  std::string pointer;
  for (const std::string& step : context) {
    if (step.size() < 2 || step.front() != '[' || step.back() != ']') continue;
    std::string token = step.substr(1, step.size() - 2);
    if (token.size() >= 2 && token.front() == '"' && token.back() == '"')
      token = token.substr(1, token.size() - 2);
    std::string escaped;
    for (char c : token) escaped += c == '~' ? "~0" : c == '/' ? "~1" : std::string(1, c);
    pointer += "/" + escaped;
  }
  return pointer;
}

}  // namespace

std::vector<SchemaProblem> CheckAgainstSceneSchema(const nlohmann::json& document) {
  valijson::Validator validator;
  valijson::ValidationResults results;
  valijson::adapters::NlohmannJsonAdapter adapter(document);
  std::vector<SchemaProblem> problems;
  if (validator.validate(SceneSchema(), adapter, &results)) return problems;
  valijson::ValidationResults::Error error;
  while (results.popError(error)) problems.push_back({PointerOf(error.context), error.description});
  return problems;
}

}  // namespace kcommand
