#include "subcommand.h"

#include "input_error.h"

namespace kcommand {

int RunSubcommand(const Subcommand& subcommand, Console& console) {
  // The report so far comes first, so the error reads as the last thing that happened.
  try {
    return subcommand.run(console);
  } catch (const InputError& error) {
    console.Result().flush();
    console.Error() << "kestrum: " << error.what() << "\n";
    return kExitInputError;
  } catch (const HostFailure& error) {
    console.Result().flush();
    console.Error() << "kestrum: failure: " << error.what() << "\n";
    return kExitFailure;
  } catch (const std::exception& error) {
    console.Result().flush();
    console.Error() << "kestrum: failure: " << error.what() << "\n";
    return kExitFailure;
  }
}

}  // namespace kcommand
