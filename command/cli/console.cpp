#include "console.h"

#include <cstdio>

#include "progress.h"

namespace kcommand {

Console::Console(std::ostream& out, std::ostream& err, Verbosity verbosity, bool errIsTerminal)
    : out_(out), err_(err), result_(&out), verbosity_(verbosity), errIsTerminal_(errIsTerminal) {}

void Console::WriteJson(const std::string& command) {
  json_ = nlohmann::ordered_json{{"command", command},
                                 {"version", KESTRUM_VERSION},
                                 {"status", nullptr},
                                 {"notes", nlohmann::ordered_json::array()},
                                 {"errors", nlohmann::ordered_json::array()}};
  result_ = &none_;
}

void Console::ShowNote(const std::string& note) {
  // One line per note by default; the lines under it are details.
  const size_t firstLineEnd = note.find('\n');
  Note() << note.substr(0, firstLineEnd) << "\n";
  if (firstLineEnd != std::string::npos) Detail() << note.substr(firstLineEnd + 1) << "\n";
}

void Console::AddNote(const std::string& note, nlohmann::ordered_json* entry) {
  ShowNote(note);
  if (!json_) return;
  nlohmann::ordered_json& holder = entry ? *entry : *json_;
  holder["notes"].push_back(note);
}

void Console::Step(const std::string& what) {
  if (progress_) progress_->Step(stepContext_ + what);
}

std::string TakenSince(std::chrono::steady_clock::time_point start) {
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  char text[48];
  std::snprintf(text, sizeof text, " in %.3f s", seconds);
  return text;
}

std::ostream& Console::Lines(std::ostream& stream) {
  // On a terminal stdout and stderr share the screen: any line takes the progress off.
  if (progress_) progress_->Wipe();
  return stream;
}

}  // namespace kcommand
