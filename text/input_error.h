#pragma once
// The two ways a command run fails: the user's input is wrong (exit status 2), or
// something went wrong inside the plug-in or the host (exit status 1).

#include <stdexcept>
#include <string>

namespace kcommand {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitInputError = 2;

// A bad scene file, a name that resolves to nothing, a malformed option: the message
// names the file or option, the place and the problem.
class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The plug-in would not load, left memory behind, or the host recorded misuse.
class HostFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace kcommand
