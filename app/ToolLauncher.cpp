#include "app/ToolLauncher.h"

#include "common/FilePath.h"

namespace App {

ToolOutputCopy::ToolOutputCopy(const std::string& program,
                               const std::vector<std::string>& arguments,
                               const std::string& outputFile, std::uint64_t outputLimit)
    : outputLimit_(outputLimit) {
  // The pieces come in as large as the pipe gives them; the stream needs no buffer.
  file_.rdbuf()->pubsetbuf(nullptr, 0);
  file_.open(Common::filePath(outputFile), std::ios::binary | std::ios::trunc);
  if (!file_) {
    status_ = kOutputNotCreated;
    return;
  }
  tool_ = startTool(program, arguments, status_);
}

void ToolOutputCopy::stopWith(int status) {
  tool_->stop();
  stopped_ = true;
  status_ = status;
}

std::size_t ToolOutputCopy::read(char* into, std::size_t size) {
  if (tool_ == nullptr || stopped_) return 0;
  const std::size_t got = tool_->read(into, size);
  if (got == 0) return 0;
  file_.write(into, static_cast<std::streamsize>(got));
  copied_ += got;
  if (!file_) {
    stopWith(kOutputNotCreated);
    return 0;
  }
  if (outputLimit_ > 0 && copied_ > outputLimit_) {
    stoppedAtLimit_ = true;
    stopWith(kOutputTooLarge);
    return 0;
  }
  return got;
}

int ToolOutputCopy::finish(bool* stoppedAtLimit) {
  if (tool_ != nullptr && !stopped_) {
    std::vector<char> rest(std::size_t{1} << 16);
    while (read(rest.data(), rest.size()) > 0) {
    }
    if (!stopped_) {
      status_ = tool_->wait();
      stopped_ = true;
    }
  }
  file_.close();
  if (stoppedAtLimit != nullptr) *stoppedAtLimit = stoppedAtLimit_;
  return status_;
}

int runTool(const std::string& program, const std::vector<std::string>& arguments,
            const std::string& outputFile, std::uint64_t outputLimit, bool* stoppedAtLimit) {
  ToolOutputCopy copy(program, arguments, outputFile, outputLimit);
  if (copy.startStatus() != 0) return copy.startStatus();
  return copy.finish(stoppedAtLimit);
}

}  // namespace App
