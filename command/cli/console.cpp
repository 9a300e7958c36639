#include "console.h"

namespace kcommand {

Console::Console(std::ostream& out, std::ostream& err, Verbosity verbosity, bool errIsTerminal)
    : out_(out), err_(err), result_(&out), verbosity_(verbosity), errIsTerminal_(errIsTerminal) {}

}  // namespace kcommand
