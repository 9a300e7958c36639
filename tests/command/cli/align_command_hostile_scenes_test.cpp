// Hostile scene files, made by a seeded generator, each run through the built kestrum
// program as a child process: deep and wide trees, huge and tiny numbers, zero scales,
// long names, repeated names, chains of named parents, cut and damaged text. Whatever
// the file, the program ends with status 0, 1 or 2, never by a signal; a success
// leaves a scene that reads back, and a failure leaves no file at all.
//
// KESTRUM_HOSTILE_SCENES (default 210, 70 under AddressSanitizer) sets how many files,
// KESTRUM_HOSTILE_SEED the seed (default 13); `make fuzz` runs a longer series.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "command_runner.h"
#include "input_error.h"
#include "scene_reader.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;

uint64_t FromEnvironment(const char* name, uint64_t fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 10) : fallback;
}

// One file per call. The kind of hostility cycles with the file's number, so every
// kind is covered in any series of a few dozen files; the details come from the seed.
class HostileSceneGenerator {
 public:
  enum Kind { kDeep, kWide, kExtremeNumbers, kZeroScale, kLongNames, kDuplicates, kChain, kKinds };

  explicit HostileSceneGenerator(uint64_t seed) : random_(seed) {}

  std::string Next(uint64_t number) {
    kind_ = static_cast<Kind>(number % kKinds);
    names_.clear();
    negativeHalfSize_ = Below(20) == 0;
    refusedNames_ = Below(8) == 0;
    std::string objects;
    switch (kind_) {
      case kDeep: {
        constexpr size_t kDepths[] = {2, 60, 254, 255, 256, 400, 3000};
        const size_t depth = kDepths[Below(std::size(kDepths))];
        for (size_t level = 0; level < depth; ++level)
          objects += ObjectStart() + ", \"children\": [";
        for (size_t level = 0; level < depth; ++level) objects += "]}";
        break;
      }
      case kChain: {
        // Flat objects each naming the one before as its parent; now and then a cycle.
        constexpr size_t kLengths[] = {3, 40, 255, 256, 1000};
        const size_t length = kLengths[Below(std::size(kLengths))];
        const bool cycle = Below(4) == 0;
        for (size_t i = 0; i < length; ++i) {
          const std::string name = "Link" + std::to_string(i);
          objects += (i ? ", " : "") + ObjectStart(name);
          if (i > 0 || cycle)
            objects += ", \"parent\": " + Text("Link" + std::to_string(i > 0 ? i - 1 : length - 1));
          objects += "}";
        }
        break;
      }
      default: {
        const size_t count = kind_ == kWide ? 100 + Below(600) : 2 + Below(12);
        for (size_t i = 0; i < count; ++i) {
          objects += (i ? ", " : "") + ObjectStart();
          if (Below(3) == 0) objects += ", \"children\": [" + ObjectStart() + "}]";
          objects += "}";
        }
      }
    }
    std::string text = "{\"version\": 1, \"objects\": [" + objects + "], \"tool\": {" +
                       "\"reference\": " + Text(PickName()) + Axes() + "}}";
    // Damaged text: cut short, or a byte changed.
    if (Below(12) == 0) text.resize(Below(text.size()));
    if (Below(12) == 0 && !text.empty()) text[Below(text.size())] = "{[]}\",:0e-"[Below(10)];
    return text;
  }

  Kind LastKind() const { return kind_; }

 private:
  size_t Below(size_t bound) { return bound == 0 ? 0 : static_cast<size_t>(random_() % bound); }

  static std::string Text(const std::string& text) { return nlohmann::json(text).dump(); }

  std::string Number(bool notNegative) {
    static constexpr double kExtremes[] = {
        1e308, 1.7976931348623157e308, 5e-324, 1e-310, 1e200, 1e154, -0.0, 1e-300};
    double value = 0;
    if (kind_ == kExtremeNumbers && Below(3) == 0)
      value = kExtremes[Below(std::size(kExtremes))] * (Below(2) ? -1 : 1);
    else
      value = std::uniform_real_distribution<double>(-200, 200)(random_);
    if (notNegative && value < 0 && !std::exchange(negativeHalfSize_, false)) value = -value;
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
  }

  std::string Vector(bool notNegative, bool zeroes) {
    std::string out = "[";
    for (int axis = 0; axis < 3; ++axis)
      out += (axis ? ", " : "") + (zeroes && Below(2) == 0 ? "0" : Number(notNegative));
    return out + "]";
  }

  std::string NewName() {
    switch (kind_) {
      case kDuplicates:
        return Below(5) == 0 ? "Other" : "Box";
      case kLongNames: {
        static const std::string kPieces[] = {"a", "\u00e9", "\"", "\\", " ", "\u2603", "/", "\t"};
        std::string name;
        const size_t length = Below(3000) + 1;
        const size_t pieces = refusedNames_ ? 8 : 6;
        for (size_t i = 0; i < length; ++i) name += kPieces[Below(pieces)];
        return name;
      }
      default:
        return "O" + std::to_string(names_.size());
    }
  }

  // An object's members up to where children or a parent would follow.
  std::string ObjectStart(const std::string& fixedName = "") {
    const std::string name = fixedName.empty() ? NewName() : fixedName;
    names_.push_back(name);
    std::string out = "{\"name\": " + Text(name);
    if (Below(2) == 0) out += ", \"position\": " + Vector(false, false);
    if (Below(2) == 0) out += ", \"rotation\": " + Vector(false, false);
    if (Below(kind_ == kZeroScale ? 1 : 3) == 0)
      out += ", \"scale\": " + Vector(false, kind_ == kZeroScale);
    out += ", \"halfSize\": " + Vector(true, kind_ == kZeroScale && Below(3) == 0);
    if (Below(2) == 0) out += ", \"selected\": true";
    return out;
  }

  std::string PickName() {
    return names_.empty() ? "none" : names_[Below(2) ? 0 : Below(names_.size())];
  }

  std::string Axes() {
    static const char* const kChoices[] = {"none",         "plus",          "center",       "minus",
                                           "plus:outside", "minus:outside", "center:inside"};
    std::string out;
    for (const char* axis : {"x", "y", "z"})
      out += std::string(", \"") + axis + "\": " + Text(kChoices[Below(std::size(kChoices))]);
    if (Below(3) == 0) out += ", \"object\": " + Text(PickName());
    return out;
  }

  std::mt19937_64 random_;
  Kind kind_ = kDeep;
  bool negativeHalfSize_ = false;  // one negative half size still to write
  bool refusedNames_ = false;      // long names may hold a '/', which the schema refuses
  std::vector<std::string> names_;
};

// Starts the program in `folder`, its output going to `log`.
pid_t StartCommand(const std::vector<std::string>& arguments, const std::string& folder,
                   const std::string& log) {
  const pid_t child = ::fork();
  if (child == 0) {
    const int output = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (output < 0 || ::chdir(folder.c_str()) != 0) ::_exit(127);
    ::dup2(output, 1);
    ::dup2(output, 2);
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  return child;
}

// The program's exit status, or -signal when a signal ended it.
int WaitFor(pid_t child) {
  int raw = 0;
  if (child < 0 || ::waitpid(child, &raw, 0) != child) return 127;
  return WIFSIGNALED(raw) ? -WTERMSIG(raw) : WEXITSTATUS(raw);
}

std::string Contents(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

// Each run under AddressSanitizer costs several times as much.
#if defined(__SANITIZE_ADDRESS__)
constexpr uint64_t kDefaultCount = 70;
#else
constexpr uint64_t kDefaultCount = 210;
#endif
// Runs at once: a run mostly waits on loading and on the file system.
constexpr uint64_t kParallelRuns = 4;

TEST(HostileScenes, EndInStatusZeroOneOrTwoWithAllOutputsOrNone) {
  const uint64_t count = FromEnvironment("KESTRUM_HOSTILE_SCENES", kDefaultCount);
  const uint64_t seed = FromEnvironment("KESTRUM_HOSTILE_SEED", 13);
  khost_test::TempFolder folder;
  HostileSceneGenerator generator(seed);
  std::map<int, size_t> statuses;
  struct Run {
    std::string what;  // the file's number, seed and kind
    std::string folder;
    bool picture;
    pid_t child;
  };
  for (uint64_t first = 0; first < count; first += kParallelRuns) {
    std::vector<Run> runs;
    for (uint64_t number = first; number < count && number < first + kParallelRuns; ++number) {
      const std::string text = generator.Next(number);
      Run run{"file " + std::to_string(number) + " (seed " + std::to_string(seed) + ", kind " +
                  std::to_string(generator.LastKind()) + ")",
              folder.Path() + "/run" + std::to_string(runs.size()), number % 3 == 0, -1};
      fs::create_directory(run.folder);
      std::ofstream(run.folder + "/scene.json", std::ios::binary) << text;
      std::vector<std::string> arguments = khost_test::BuiltProgram(KESTRUM_COMMAND);
      arguments.insert(arguments.end(), {"align", "scene.json", "-o", "out.json"});
      if (run.picture) arguments.insert(arguments.end(), {"--picture", "picture.svg"});
      run.child = StartCommand(arguments, run.folder, run.folder + ".log");
      runs.push_back(std::move(run));
    }
    for (const Run& run : runs) {
      const int status = WaitFor(run.child);
      ++statuses[status];
      const std::string what = run.what + ": " + Contents(run.folder + ".log");
      EXPECT_TRUE(status == 0 || status == 1 || status == 2) << "status " << status << ", " << what;
      size_t files = 0;
      for ([[maybe_unused]] const auto& entry : fs::directory_iterator(run.folder)) ++files;
      if (status == 0) {
        EXPECT_EQ(run.picture ? 3u : 2u, files) << what;
        EXPECT_NO_THROW(kcommand::ReadSceneFile(run.folder + "/out.json")) << what;
      } else {
        EXPECT_EQ(1u, files) << "a failed run left files behind; " << what;
      }
      fs::remove_all(run.folder);
    }
  }
  std::printf("hostile scenes: %llu files (seed %llu): %zu exit 0, %zu exit 1, %zu exit 2\n",
              static_cast<unsigned long long>(count), static_cast<unsigned long long>(seed),
              statuses[0], statuses[1], statuses[2]);
  // The generator reaches every outcome: aligned scenes, placements too large to write,
  // and refused files.
  if (count >= 70) {
    for (int status : {0, 1, 2}) EXPECT_GT(statuses[status], 0u) << "no run ended with " << status;
  }
}

}  // namespace
