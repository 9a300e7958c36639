#include "subcommand.h"

#include "input_error.h"

namespace kcommand {

int RunSubcommand(const Subcommand& subcommand, std::ostream& out, std::ostream& err) {
  // The report so far comes first, so the error reads as the last thing that happened.
  try {
    return subcommand.run(out, err);
  } catch (const InputError& error) {
    out.flush();
    err << "kestrum: " << error.what() << "\n";
    return kExitInputError;
  } catch (const HostFailure& error) {
    out.flush();
    err << "kestrum: failure: " << error.what() << "\n";
    return kExitFailure;
  } catch (const std::exception& error) {
    out.flush();
    err << "kestrum: failure: " << error.what() << "\n";
    return kExitFailure;
  }
}

}  // namespace kcommand
