#include "json_text.h"

#include "input_error.h"

namespace kcommand {

nlohmann::json ParseJsonText(const std::string& text, const std::string& fileName) {
  std::string error;
  std::optional<nlohmann::json> document = kestrum::ParseJsonText(text, fileName, error);
  if (!document) throw InputError(error);
  return std::move(*document);
}

}  // namespace kcommand
