#pragma once
// Where a run's lines go. What the user asked to see (a table, a list, a JSON document)
// is the result, on standard output; what was done ("written to ...") is status, also
// there; why a run did nothing and how a file was read are notes, on standard error;
// -v adds details (timings) there. -q keeps errors only. When standard output carries a
// scene (-o -), the result and status lines go to standard error instead.

#include <chrono>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>

namespace kcommand {

class Progress;

enum class Verbosity { kQuiet, kNormal, kVerbose };

class Console {
 public:
  Console(std::ostream& out, std::ostream& err, Verbosity verbosity, bool errIsTerminal);

  std::ostream& Result() { return Lines(*result_); }
  std::ostream& Status() { return verbosity_ == Verbosity::kQuiet ? none_ : Lines(*result_); }
  std::ostream& Note() { return verbosity_ == Verbosity::kQuiet ? none_ : Lines(err_); }
  std::ostream& Detail() { return verbosity_ == Verbosity::kVerbose ? Lines(err_) : none_; }
  std::ostream& Error() { return Lines(err_); }
  // Standard output itself, for a file written there.
  std::ostream& Output() { return out_; }

  // Standard output carries a file from here on: result and status lines go to stderr.
  void KeepOutputForFile() { result_ = &err_; }
  // --json: standard output carries one JSON document (docs/command-output.schema.json),
  // which the subcommand fills in and RunSubcommand writes; result and status lines are
  // dropped, as the document holds what they say.
  void WriteJson(const std::string& command);
  nlohmann::ordered_json* Json() { return json_ ? &*json_ : nullptr; }
  // A note on stderr: its first line is a note, the lines under it details (-v).
  void ShowNote(const std::string& note);
  // A note, on stderr and, with --json, in `entry`'s (or the document's) "notes".
  void AddNote(const std::string& note, nlohmann::ordered_json* entry = nullptr);
  bool Verbose() const { return verbosity_ == Verbosity::kVerbose; }
  // A progress line may be drawn: stderr is a terminal and the run is not quiet.
  bool ShowsProgress() const { return errIsTerminal_ && verbosity_ != Verbosity::kQuiet; }
  // The progress line drawn now, wiped before any other line is written.
  void SetProgress(Progress* progress) { progress_ = progress; }
  // What the work is doing now, for the progress line when there is one, after the
  // context of the steps ("file 2 of 9: ").
  void Step(const std::string& what);
  void StepContext(const std::string& context) { stepContext_ = context; }

 private:
  std::ostream& Lines(std::ostream& stream);

  std::ostream& out_;
  std::ostream& err_;
  std::ostream* result_;
  std::ostream none_{nullptr};  // takes lines and drops them
  Verbosity verbosity_;
  bool errIsTerminal_;
  Progress* progress_ = nullptr;
  std::string stepContext_;
  std::optional<nlohmann::ordered_json> json_;
};

// " in 0.125 s": for -v's details of a step begun at `start`.
std::string TakenSince(std::chrono::steady_clock::time_point start);

}  // namespace kcommand
