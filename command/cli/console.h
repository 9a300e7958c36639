#pragma once
// Where a run's lines go. What the user asked to see (a table, a list, a JSON document)
// is the result, on standard output; what was done ("written to ...") is status, also
// there; why a run did nothing and how a file was read are notes, on standard error;
// -v adds details (timings) there. -q keeps errors only. When standard output carries a
// scene (-o -), the result and status lines go to standard error instead.

#include <ostream>

namespace kcommand {

enum class Verbosity { kQuiet, kNormal, kVerbose };

class Console {
 public:
  Console(std::ostream& out, std::ostream& err, Verbosity verbosity, bool errIsTerminal);

  std::ostream& Result() { return *result_; }
  std::ostream& Status() { return verbosity_ == Verbosity::kQuiet ? none_ : *result_; }
  std::ostream& Note() { return verbosity_ == Verbosity::kQuiet ? none_ : err_; }
  std::ostream& Detail() { return verbosity_ == Verbosity::kVerbose ? err_ : none_; }
  std::ostream& Error() { return err_; }
  // Standard output itself, for a file written there.
  std::ostream& Output() { return out_; }

  // Standard output carries a file from here on: result and status lines go to stderr.
  void KeepOutputForFile() { result_ = &err_; }
  bool Verbose() const { return verbosity_ == Verbosity::kVerbose; }
  // A progress line may be drawn: stderr is a terminal and the run is not quiet.
  bool ShowsProgress() const { return errIsTerminal_ && verbosity_ != Verbosity::kQuiet; }

 private:
  std::ostream& out_;
  std::ostream& err_;
  std::ostream* result_;
  std::ostream none_{nullptr};  // takes lines and drops them
  Verbosity verbosity_;
  bool errIsTerminal_;
};

}  // namespace kcommand
