// The module's door to the host is c4d_main and nothing else, and the library loads
// with every symbol resolved at once (a missing symbol would otherwise surface only when
// some rarely used path first calls it).

#include <dlfcn.h>

#include "check.h"
#include "export_table.h"

namespace khost::validator {

CheckResult CheckExports(const CheckContext& context) {
  std::string error;
  const std::optional<ExportTable> table = ReadExportTable(context.modulePath, error);
  if (!table) {
    if (error.find("not an ELF file") != std::string::npos)
      return CheckResult::Skipped(error + ": exports are checked on ELF modules only");
    return CheckResult::Failed(error);
  }
  std::string extra;
  bool entryFound = false;
  for (const std::string& name : table->defined) {
    if (name == "c4d_main")
      entryFound = true;
    else
      extra += (extra.empty() ? "" : ", ") + name;
  }
  if (!entryFound) return CheckResult::Failed("c4d_main is not exported");
  if (!extra.empty()) return CheckResult::Failed("exports besides c4d_main: " + extra);

  dlerror();
  void* library = dlopen(context.modulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* reason = dlerror();
    return CheckResult::Failed("does not load with every symbol resolved: " +
                               std::string(reason ? reason : "unknown reason"));
  }
  dlclose(library);
  return CheckResult::Passed("c4d_main is the only export; every symbol resolves at load");
}

}  // namespace khost::validator
