#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
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

int waitFor(pid_t child) {
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return kToolNotExecutable;
  }
  return statusOf(status);
}

// Waits for the child while looking at the size of its output now and then; a child
// whose output grows past the limit is killed. The looks come often at first, so a
// short run ends without delay, and every 20 ms later on.
int waitWithinLimit(pid_t child, int output, std::uint64_t outputLimit, bool& stoppedAtLimit) {
  long pauseNs = 1'000'000;
  for (;;) {
    int status = 0;
    const pid_t ended = ::waitpid(child, &status, WNOHANG);
    if (ended == child) return statusOf(status);
    if (ended < 0 && errno != EINTR) return kToolNotExecutable;
    struct stat file {};
    if (::fstat(output, &file) == 0 && static_cast<std::uint64_t>(file.st_size) > outputLimit) {
      ::kill(child, SIGKILL);
      waitFor(child);
      stoppedAtLimit = true;
      return kOutputTooLarge;
    }
    const timespec pause{0, pauseNs};
    ::nanosleep(&pause, nullptr);
    pauseNs = std::min(pauseNs * 2, 20'000'000L);
  }
}

}  // namespace

int runTool(const std::string& program, const std::vector<std::string>& arguments,
            const std::string& outputFile, std::uint64_t outputLimit, bool* stoppedAtLimit) {
  const int output = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (output < 0) return kOutputNotCreated;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);

  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& argument : arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  pid_t child = 0;
  const int spawnError =
      posix_spawnp(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawnError != 0) {
    ::close(output);
    return spawnError == ENOENT || spawnError == ENOTDIR ? kToolNotFound : kToolNotExecutable;
  }
  bool stopped = false;
  const int status =
      outputLimit > 0 ? waitWithinLimit(child, output, outputLimit, stopped) : waitFor(child);
  if (stoppedAtLimit != nullptr) *stoppedAtLimit = stopped;
  ::close(output);
  return status;
}

}  // namespace App
