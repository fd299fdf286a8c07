#pragma once

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/ExitStatus.h"
#include "dump/DumpSource.h"

namespace App {

// A tool that runs with its standard output going into a pipe that this program reads,
// and its standard error left on the console.
class ToolProcess {
 public:
  // A tool that has not ended yet is stopped: one whose output nobody reads any more is
  // not left waiting on it.
  virtual ~ToolProcess() = default;
  // Up to `size` bytes of the tool's output, waiting for them; 0 once it closed its
  // output.
  virtual std::size_t read(char* into, std::size_t size) = 0;
  // Stops reading and waits for the tool to end. Returns 0 when it succeeded, otherwise
  // its exit code, or one of the statuses of ExitStatus.h.
  virtual int wait() = 0;
  // Ends the tool at once, and waits for it.
  virtual void stop() = 0;
};

// Starts `program`, found through the command search path, with `arguments` passed as
// they are (no command interpreter sees them). When it cannot be started: nothing, and
// `status` tells why (kToolNotFound, kToolNotExecutable).
std::unique_ptr<ToolProcess> startTool(const std::string& program,
                                       const std::vector<std::string>& arguments, int& status);

// A tool's output written into a file as it is read: a reader (the dump reader) takes
// the bytes as the tool writes them, and the file ends up with exactly these bytes.
// With an `outputLimit`, the tool is stopped as soon as its output grows past that many
// bytes, and reading ends there.
class ToolOutputCopy final : public Dump::DumpSource {
 public:
  // Creates `outputFile` anew and starts the tool; the tool is not started when the file
  // cannot be created. `startStatus()` tells whether both happened.
  ToolOutputCopy(const std::string& program, const std::vector<std::string>& arguments,
                 const std::string& outputFile, std::uint64_t outputLimit = 0);
  int startStatus() const { return status_; }

  std::size_t read(char* into, std::size_t size) override;

  // Copies what the reader left, and waits for the tool. Returns 0 when it succeeded,
  // otherwise the tool's exit code or one of the statuses of ExitStatus.h:
  // kOutputTooLarge when it was stopped at the limit (which `stoppedAtLimit`, unlike a
  // tool's own exit code, tells), kOutputNotCreated when the file could not be written.
  int finish(bool* stoppedAtLimit = nullptr);

  // Bytes read so far.
  std::uint64_t bytesRead() const { return copied_; }

 private:
  void stopWith(int status);

  std::ofstream file_;
  std::unique_ptr<ToolProcess> tool_;
  std::uint64_t outputLimit_;
  std::uint64_t copied_ = 0;
  int status_ = 0;
  bool stopped_ = false;
  bool stoppedAtLimit_ = false;
};

// Runs `program` as above with its standard output written into `outputFile` (created
// anew), and waits for it; returns what ToolOutputCopy::finish returns, or the status
// of a failed start (kOutputNotCreated when the file cannot be created).
int runTool(const std::string& program, const std::vector<std::string>& arguments,
            const std::string& outputFile, std::uint64_t outputLimit = 0,
            bool* stoppedAtLimit = nullptr);

}  // namespace App
