#include "subcommand.h"

#include "input_error.h"

namespace kcommand {

namespace {

int Run(const Subcommand& subcommand, Console& console) {
  // The report so far comes first, so the error reads as the last thing that happened.
  const auto report = [&](const char* kind, const std::string& message) {
    console.Result().flush();
    console.Error() << "kestrum: " << (std::string(kind) == "input" ? "" : "failure: ") << message
                    << "\n";
    if (nlohmann::ordered_json* json = console.Json())
      (*json)["errors"].push_back({{"kind", kind}, {"message", message}});
  };
  try {
    return subcommand.run(console);
  } catch (const InputError& error) {
    report("input", error.what());
    return kExitInputError;
  } catch (const HostFailure& error) {
    report("failure", error.what());
    return kExitFailure;
  } catch (const std::exception& error) {
    report("failure", error.what());
    return kExitFailure;
  }
}

}  // namespace

int RunSubcommand(const Subcommand& subcommand, Console& console) {
  const int status = Run(subcommand, console);
  if (nlohmann::ordered_json* json = console.Json()) {
    (*json)["status"] = status;
    console.Output() << json->dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
                     << "\n"
                     << std::flush;
  }
  return status;
}

}  // namespace kcommand
