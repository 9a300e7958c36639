#pragma once
// Runs a built program as a user runs it from a shell, in a given folder, and gives back
// its exit status and what it printed: for the tests of the kestrum command.

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace khost_test {

struct Outcome {
  int status = -1;  // -1 when the program did not exit normally (a signal)
  std::string out;
  std::string err;
};

inline std::string Contents(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// `text` as one shell word.
inline std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// A program the build made, as the words that start it: behind the emulator when the
// build runs its programs through one (a 32-bit build on a kernel without 32-bit code).
inline std::vector<std::string> BuiltProgram(const std::string& path) {
  const std::string emulator = KESTRUM_TEST_EMULATOR;
  if (emulator.empty()) return {path};
  return {emulator, path};
}

// The same as shell words.
inline std::string BuiltProgramWords(const std::string& path) {
  std::string words;
  for (const std::string& word : BuiltProgram(path))
    words += (words.empty() ? "" : " ") + Quoted(word);
  return words;
}

// `program` (already a shell word or words) with `arguments`, run in `folder`; its
// output is kept in run.out and run.err there. `input`: a file for standard input.
inline Outcome RunIn(const std::string& folder, const std::string& program,
                     const std::vector<std::string>& arguments, const std::string& input = "") {
  std::string line = "cd " + Quoted(folder) + " && " + program;
  for (const std::string& argument : arguments) line += " " + Quoted(argument);
  line += " > run.out 2> run.err";
  if (!input.empty()) line += " < " + Quoted(input);
  const int raw = std::system(line.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Contents(folder + "/run.out"),
          Contents(folder + "/run.err")};
}

}  // namespace khost_test
