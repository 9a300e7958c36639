#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace khost::validator {
namespace {

// A reason longer than this is cut, so the child never blocks on a full pipe.
constexpr size_t kLongestReason = 3000;

void WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
    if (written <= 0) return;
    done += static_cast<size_t>(written);
  }
}

std::string ReadAll(int fd) {
  std::string text;
  char buffer[1024];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got <= 0) break;
    text.append(buffer, static_cast<size_t>(got));
  }
  return text;
}

[[noreturn]] void RunChild(const Check& check, const CheckContext& context, int resultFd) {
  // The module prints its banner to the host console only, but a faulty one may write
  // to stdout: keep that out of the summary.
  const int devNull = ::open("/dev/null", O_WRONLY);
  if (devNull >= 0) ::dup2(devNull, STDOUT_FILENO);
  CheckResult result = check.run(context);
  if (result.reason.size() > kLongestReason) result.reason.resize(kLongestReason);
  WriteAll(resultFd, std::to_string(static_cast<int>(result.status)) + "\n" + result.reason);
  ::close(resultFd);
  // No destructors of the parent's objects and no atexit handlers in the child.
  ::_exit(0);
}

CheckResult DecodeChildResult(const std::string& text) {
  const size_t newline = text.find('\n');
  if (newline == std::string::npos)
    return CheckResult::Failed("the check ended without reporting a result");
  const int status = std::atoi(text.substr(0, newline).c_str());
  CheckResult result;
  result.status = static_cast<CheckStatus>(status);
  result.reason = text.substr(newline + 1);
  return result;
}

}  // namespace

CheckResult RunInChildProcess(const Check& check, const CheckContext& context,
                              double secondsLimit) {
  int fds[2];
  if (::pipe(fds) != 0) return CheckResult::Failed(std::string("pipe: ") + std::strerror(errno));
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return CheckResult::Failed(std::string("fork: ") + std::strerror(errno));
  }
  if (child == 0) {
    ::close(fds[0]);
    RunChild(check, context, fds[1]);
  }
  ::close(fds[1]);
  // Results are short and written last, so reading after the child ended is enough.
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::duration<double>(secondsLimit);
  int status = 0;
  bool timedOut = false;
  for (;;) {
    const pid_t done = ::waitpid(child, &status, WNOHANG);
    if (done == child) break;
    if (done < 0 && errno != EINTR) break;
    if (std::chrono::steady_clock::now() >= deadline) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      timedOut = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const std::string text = ReadAll(fds[0]);
  ::close(fds[0]);
  if (timedOut) {
    char limit[32];
    std::snprintf(limit, sizeof limit, "%g", secondsLimit);
    return CheckResult::Failed(std::string("did not finish within ") + limit + " s; killed");
  }
  if (WIFSIGNALED(status)) {
    const int signal = WTERMSIG(status);
    return {CheckStatus::kCrashed,
            "the check died by signal " + std::to_string(signal) + " (" + strsignal(signal) + ")"};
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) != 0)
    return {CheckStatus::kCrashed,
            "the check exited with status " + std::to_string(WEXITSTATUS(status))};
  return DecodeChildResult(text);
}

}  // namespace khost::validator
