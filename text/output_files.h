#pragma once
// The files one run writes, put in place together: each is written whole to a
// temporary file beside its destination first, and only when every step of the run has
// succeeded are they renamed into place. A failed run leaves no new file and changes no
// existing one; its temporary files are removed.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kcommand {

// Takes a file's bytes piece by piece, as a writer makes them.
class ByteSink {
 public:
  using Put = std::function<void(std::string_view)>;
  using PutAt = std::function<void(uint64_t offset, std::string_view)>;
  ByteSink(Put put, PutAt overwrite) : put_(std::move(put)), overwrite_(std::move(overwrite)) {}

  void operator()(std::string_view piece) const { put_(piece); }
  // Puts `bytes` over bytes already taken, from `offset` on: a header whose lengths are
  // known only once what follows it is written.
  void Overwrite(uint64_t offset, std::string_view bytes) const { overwrite_(offset, bytes); }

 private:
  Put put_;
  PutAt overwrite_;
};

// A sink that gathers the bytes in `bytes`.
ByteSink StringSink(std::string& bytes);

// Makes a file's bytes, handing them to the sink in order.
using FileWriter = std::function<void(const ByteSink&)>;

class OutputFiles {
 public:
  OutputFiles() = default;
  // Removes the temporary files of a run that did not commit.
  ~OutputFiles();
  OutputFiles(const OutputFiles&) = delete;
  OutputFiles& operator=(const OutputFiles&) = delete;

  // Writes `content` to a new temporary file beside `path`, which a later Commit puts in
  // place; a file already at `path` lends it its permission bits. Throws InputError
  // naming `path` when the folder cannot take the file.
  void Stage(const std::string& path, const std::string& content);
  // The same for a file made piece by piece, which never has to be whole in memory. What
  // `write` throws is thrown on, and the file is not staged.
  void Stage(const std::string& path, const FileWriter& write);

  // Renames every staged file over its destination, in the order staged. Throws
  // InputError naming the path that could not be put in place; the ones before it
  // stay written, the rest are removed.
  void Commit();

 private:
  struct Staged {
    std::string path;       // where the file goes (a symbolic link's target)
    std::string temporary;  // empty once renamed
  };
  std::vector<Staged> staged_;
};

// Throws InputError, as Stage would, when `path` is a folder or the folder that would hold
// it is missing or cannot be written: for a run to refuse its outputs before its work.
void CheckCanWrite(const std::string& path);
// The same for new files in `folder`.
void CheckCanWriteInto(const std::string& folder);

// Writes `content` to a temporary file beside `path` and renames it over `path`, keeping
// the permission bits of a file it replaces. Throws InputError (naming the path) when the
// folder cannot take the file. A run with several outputs stages them in OutputFiles.
void WriteFileAtomically(const std::string& path, const std::string& content);

}  // namespace kcommand
