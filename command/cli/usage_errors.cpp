#include "usage_errors.h"

#include <string>

namespace kcommand {

void ReportUsageErrorsAsKestrum(CLI::App& kestrum) {
  kestrum.failure_message([](const CLI::App* app, const CLI::Error& error) {
    std::string subcommand;
    for (const CLI::App* parsed : app->get_subcommands()) subcommand = parsed->get_name();
    if (subcommand.empty()) return "kestrum: " + std::string(error.what()) + "\n";
    return "kestrum: " + subcommand + ": " + error.what() + " (kestrum help " + subcommand +
           " lists its options)\n";
  });
}

}  // namespace kcommand
