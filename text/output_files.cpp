#include "output_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

#include "input_error.h"

namespace kcommand {
namespace {

namespace fs = std::filesystem;

// Writes all of `content` to `descriptor`; false with errno set on failure.
bool WriteAll(int descriptor, std::string_view content) {
  const char* at = content.data();
  size_t left = content.size();
  while (left > 0) {
    const ssize_t written = ::write(descriptor, at, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    at += written;
    left -= static_cast<size_t>(written);
  }
  return true;
}

// The same at `offset`, leaving the file's position where it was.
bool WriteAllAt(int descriptor, std::string_view content, uint64_t offset) {
  const char* at = content.data();
  size_t left = content.size();
  while (left > 0) {
    const ssize_t written = ::pwrite(descriptor, at, left, static_cast<off_t>(offset));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    at += written;
    left -= static_cast<size_t>(written);
    offset += static_cast<uint64_t>(written);
  }
  return true;
}

// A file replaced through a symbolic link stays a link: the new file goes where it points.
std::string Destination(const std::string& path) {
  std::error_code error;
  if (fs::is_symlink(fs::symlink_status(path, error))) {
    const fs::path resolved = fs::weakly_canonical(path, error);
    if (!error) return resolved.string();
  }
  return path;
}

// The permission bits the file at `destination` gets. Read-only files stay read-only: the
// new file takes the old one's bits. A new file gets what the user's umask leaves of
// rw-rw-rw-, as any other would. InputError naming `path` when it is a folder.
mode_t ModeFor(const std::string& path, const std::string& destination) {
  struct stat existing {};
  if (::stat(destination.c_str(), &existing) == 0) {
    if (S_ISDIR(existing.st_mode))
      throw InputError(path + ": is a folder, not a file that can be written");
    return existing.st_mode & 07777;
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// A new hidden file beside `target`, created 0600 so that no one reads it half written:
// its name and its descriptor.
std::pair<std::string, int> OpenTemporary(const fs::path& target, size_t staged,
                                          const std::string& path) {
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  for (int attempt = 0;; ++attempt) {
    const std::string temporary =
        (folder / ("." + target.filename().string() + ".kestrum-" + std::to_string(::getpid()) +
                   "-" + std::to_string(staged) + "-" + std::to_string(attempt) + ".tmp"))
            .string();
    const int descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (descriptor >= 0) return {temporary, descriptor};
    if (errno != EEXIST || attempt >= 100)
      throw InputError(path + ": cannot write here: " + std::strerror(errno));
  }
}

// Writers hand over pieces of any size, a node's text say; the file gets them a megabyte
// at a time rather than a system call each. The first failure's errno is kept.
class GatheredWrites {
 public:
  explicit GatheredWrites(int descriptor) : descriptor_(descriptor) {}

  ByteSink Sink() {
    return ByteSink(
        [this](std::string_view piece) {
          if (gathered_.size() + piece.size() > kGathered) Flush();
          if (piece.size() >= kGathered)
            Put(piece);
          else
            gathered_.append(piece);
        },
        [this](uint64_t offset, std::string_view bytes) {
          Flush();
          if (error_ == 0 && !WriteAllAt(descriptor_, bytes, offset)) Fail(errno);
        });
  }
  void Flush() {
    Put(gathered_);
    gathered_.clear();
  }
  // 0 while every write succeeded.
  int Error() const { return error_; }
  // A write that failed without saying why still fails.
  void Fail(int error) {
    if (error_ == 0) error_ = error != 0 ? error : EIO;
  }

 private:
  static constexpr size_t kGathered = 1 << 20;
  void Put(std::string_view bytes) {
    if (error_ == 0 && !WriteAll(descriptor_, bytes)) Fail(errno);
  }
  int descriptor_;
  std::string gathered_;
  int error_ = 0;
};

}  // namespace

ByteSink StringSink(std::string& bytes) {
  return ByteSink([&bytes](std::string_view piece) { bytes.append(piece); },
                  [&bytes](uint64_t offset, std::string_view piece) {
                    bytes.replace(static_cast<size_t>(offset), piece.size(), piece);
                  });
}

OutputFiles::~OutputFiles() {
  for (const Staged& file : staged_)
    if (!file.temporary.empty()) ::unlink(file.temporary.c_str());
}

void OutputFiles::Stage(const std::string& path, const std::string& content) {
  Stage(path, [&content](const ByteSink& sink) { sink(content); });
}

void OutputFiles::Stage(const std::string& path, const FileWriter& write) {
  const std::string destination = Destination(path);
  const mode_t mode = ModeFor(path, destination);
  const auto [temporary, descriptor] = OpenTemporary(fs::path(destination), staged_.size(), path);
  staged_.push_back({destination, temporary});
  GatheredWrites writes(descriptor);
  try {
    write(writes.Sink());
    writes.Flush();
  } catch (...) {
    ::close(descriptor);
    ::unlink(temporary.c_str());
    staged_.pop_back();
    throw;
  }
  // Its own permission bits come last, once it is whole.
  if (writes.Error() == 0 && (::fchmod(descriptor, mode) != 0 || ::fsync(descriptor) != 0))
    writes.Fail(errno);
  if (::close(descriptor) != 0) writes.Fail(errno);
  if (writes.Error() != 0)
    throw InputError(path + ": writing failed: " + std::strerror(writes.Error()));
}

void OutputFiles::Commit() {
  for (Staged& file : staged_) {
    if (std::rename(file.temporary.c_str(), file.path.c_str()) != 0)
      throw InputError(file.path + ": cannot put the file in place: " + std::strerror(errno));
    file.temporary.clear();
  }
}

void CheckCanWrite(const std::string& path) {
  const std::string destination = Destination(path);
  const fs::path target(destination);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  struct stat existing {};
  if (::stat(destination.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode))
    throw InputError(path + ": is a folder, not a file that can be written");
  if (::access(folder.c_str(), W_OK | X_OK) != 0)
    throw InputError(path + ": cannot write here: " + std::strerror(errno));
}

void CheckCanWriteInto(const std::string& folder) {
  if (::access(folder.c_str(), W_OK | X_OK) != 0)
    throw InputError(folder + ": cannot write here: " + std::strerror(errno));
}

void WriteFileAtomically(const std::string& path, const std::string& content) {
  OutputFiles files;
  files.Stage(path, content);
  files.Commit();
}

}  // namespace kcommand
