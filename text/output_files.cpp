#include "output_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

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
  const fs::path target(destination);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  struct stat existing {};
  const bool replaces = ::stat(destination.c_str(), &existing) == 0;
  if (replaces && S_ISDIR(existing.st_mode))
    throw InputError(path + ": is a folder, not a file that can be written");
  // Read-only files stay read-only: the new file takes the old one's permission bits. A
  // new file gets what the user's umask leaves of rw-rw-rw-, as any other would.
  mode_t mode = existing.st_mode & 07777;
  if (!replaces) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }

  std::string temporary;
  int descriptor = -1;
  for (int attempt = 0; descriptor < 0; ++attempt) {
    temporary =
        (folder / ("." + target.filename().string() + ".kestrum-" + std::to_string(::getpid()) +
                   "-" + std::to_string(staged_.size()) + "-" + std::to_string(attempt) + ".tmp"))
            .string();
    descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (descriptor < 0 && (errno != EEXIST || attempt >= 100))
      throw InputError(path + ": cannot write here: " + std::strerror(errno));
  }
  staged_.push_back({destination, temporary});
  // Created 0600 so that no one reads it half written; its own bits come last.
  bool written = true;
  int error = 0;
  // Writers hand over pieces of any size, a node's text say; the file gets them a
  // megabyte at a time rather than a system call each.
  constexpr size_t kGathered = 1 << 20;
  std::string gathered;
  const auto put = [&](std::string_view bytes) {
    if (written && !WriteAll(descriptor, bytes)) {
      written = false;
      error = errno;
    }
  };
  const auto flush = [&] {
    put(gathered);
    gathered.clear();
  };
  const ByteSink sink(
      [&](std::string_view piece) {
        if (gathered.size() + piece.size() > kGathered) flush();
        if (piece.size() >= kGathered)
          put(piece);
        else
          gathered.append(piece);
      },
      [&](uint64_t offset, std::string_view bytes) {
        flush();
        if (written && !WriteAllAt(descriptor, bytes, offset)) {
          written = false;
          error = errno;
        }
      });
  try {
    write(sink);
    flush();
  } catch (...) {
    ::close(descriptor);
    ::unlink(temporary.c_str());
    staged_.pop_back();
    throw;
  }
  if (written && (::fchmod(descriptor, mode) != 0 || ::fsync(descriptor) != 0)) {
    written = false;
    error = errno;
  }
  if (::close(descriptor) != 0 && written) {
    written = false;
    error = errno;
  }
  if (!written) throw InputError(path + ": writing failed: " + std::strerror(error));
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
