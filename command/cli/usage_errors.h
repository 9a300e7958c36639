#pragma once
// How a command line that does not parse is reported: like every other error, on one
// line starting "kestrum: ", naming the subcommand it was meant for.

#include <CLI/CLI.hpp>

namespace kcommand {

void ReportUsageErrorsAsKestrum(CLI::App& kestrum);

}  // namespace kcommand
