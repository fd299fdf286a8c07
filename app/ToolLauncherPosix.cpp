#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "app/ToolLauncher.h"

extern char** environ;

namespace App {

namespace {

// The child's status once it has ended.
int statusOf(int waitStatus) {
  if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
  if (WIFSIGNALED(waitStatus)) return kKilledBySignal + WTERMSIG(waitStatus);
  return kToolNotExecutable;
}

class PosixToolProcess final : public ToolProcess {
 public:
  PosixToolProcess(pid_t child, int output) : child_(child), output_(output) {}
  ~PosixToolProcess() override {
    if (!ended_) stop();
  }

  std::size_t read(char* into, std::size_t size) override {
    // objdump writes in pieces of a few KB, and a reader faster than objdump would be
    // woken for every one of them. A reader that found little last time waits a
    // moment, so that it takes the pipe's content in larger pieces and both programs
    // switch less; the pipe holds far more than the tool writes meanwhile.
    if (lastRead_ < kSmallRead) {
      const timespec pause{0, 1'000'000};
      ::nanosleep(&pause, nullptr);
    }
    for (;;) {
      const ssize_t got = ::read(output_, into, size);
      lastRead_ = got > 0 ? static_cast<std::size_t>(got) : 0;
      if (got >= 0) return static_cast<std::size_t>(got);
      // A failed read ends the output; the tool then fails on its next write.
      if (errno != EINTR) return 0;
    }
  }

  int wait() override {
    // Closing the pipe first: a tool that still writes ends instead of waiting forever.
    closeOutput();
    int status = 0;
    while (::waitpid(child_, &status, 0) < 0) {
      if (errno != EINTR) {
        ended_ = true;
        return kToolNotExecutable;
      }
    }
    ended_ = true;
    return statusOf(status);
  }

  void stop() override {
    ::kill(child_, SIGKILL);
    wait();
  }

 private:
  void closeOutput() {
    if (output_ >= 0) ::close(output_);
    output_ = -1;
  }

  static constexpr std::size_t kSmallRead = std::size_t{64} << 10;

  pid_t child_;
  int output_;
  std::size_t lastRead_ = kSmallRead;
  bool ended_ = false;
};

// A pipe whose ends this program's later children do not inherit.
bool openPipe(int ends[2]) {
  if (::pipe(ends) != 0) return false;
  ::fcntl(ends[0], F_SETFD, FD_CLOEXEC);
  ::fcntl(ends[1], F_SETFD, FD_CLOEXEC);
#ifdef F_SETPIPE_SZ
  // objdump writes in small pieces; a larger pipe lets it run on while the reader is
  // busy. Where the system refuses, the default size does.
  ::fcntl(ends[0], F_SETPIPE_SZ, 1 << 20);
#endif
  return true;
}

}  // namespace

std::unique_ptr<ToolProcess> startTool(const std::string& program,
                                       const std::vector<std::string>& arguments, int& status) {
  int ends[2];
  if (!openPipe(ends)) {
    status = kToolNotExecutable;
    return nullptr;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);

  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& argument : arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  pid_t child = 0;
  const int spawnError =
      posix_spawnp(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(ends[1]);
  if (spawnError != 0) {
    ::close(ends[0]);
    status = spawnError == ENOENT || spawnError == ENOTDIR ? kToolNotFound : kToolNotExecutable;
    return nullptr;
  }
  status = 0;
  return std::make_unique<PosixToolProcess>(child, ends[0]);
}

}  // namespace App
