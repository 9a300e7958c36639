// kestrum version (and kestrum --version): the command's version, and the plug-in's as
// its banner says when it loads. The banner is the plug-in's own text, read from the
// console of a fresh load, so the command repeats none of it.

#include <memory>
#include <regex>

#include "input_error.h"
#include "plugin_loading.h"
#include "shared_options.h"
#include "subcommand.h"

namespace kcommand {
namespace {

struct BannerVersion {
  std::string version;  // "1.0"
  std::string line;     // the banner line that says it
};

// The first console line holding a dotted version number ("Kestrum V1.0 - installed").
std::optional<BannerVersion> FindBannerVersion(const std::vector<std::string>& lines) {
  const std::regex dotted(R"((^|[^\w.])[vV]?(\d+(\.\d+)+)($|[^\w.]))");
  for (const std::string& line : lines) {
    std::smatch match;
    if (std::regex_search(line, match, dotted)) return BannerVersion{match[2].str(), line};
  }
  return std::nullopt;
}

int RunVersion(const std::string& plugin, Console& console) {
  console.Result() << "kestrum " << KESTRUM_VERSION << "\n";
  console.Result().flush();
  const std::unique_ptr<khost::PluginSession> run = LoadPlugin(plugin, nullptr);
  const std::vector<std::string> lines = run->host().ui().ConsoleLines();
  FinishCleanly(*run);
  const std::optional<BannerVersion> found = FindBannerVersion(lines);
  if (!found)
    throw HostFailure("the plug-in from " + plugin +
                      " printed no version in its banner when it loaded");
  console.Result() << "plug-in " << found->version << " (its banner: \"" << found->line << "\"; "
                   << plugin << ")\n";
  return kExitSuccess;
}

}  // namespace

Subcommand AddVersionCommand(CLI::App& kestrum, const std::string& plugin) {
  auto folder = std::make_shared<std::string>(plugin);
  CLI::App* command = kestrum.add_subcommand(
      "version", "Show the command's version and the plug-in's, as its banner says on load");
  AddPluginOption(*command, *folder);
  CLI::Option* flag = kestrum.add_flag("--version")
                          ->description("Show the command's version and the plug-in's, and exit");
  return {command, [folder](Console& console) { return RunVersion(*folder, console); }, flag};
}

}  // namespace kcommand
