#include <windows.h>

#include "app/ToolLauncher.h"
#include "app/WideText.h"

namespace App {

namespace {

// One argument as Windows programs split their command line (the rules of
// CommandLineToArgvW and the C runtime): quoted when it holds blanks or quotes or is
// empty; backslashes count literally except before a quote, where they are doubled.
std::wstring quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    return argument;
  }
  std::wstring text = L"\"";
  for (std::size_t i = 0;; ++i) {
    std::size_t backslashes = 0;
    while (i < argument.size() && argument[i] == L'\\') {
      ++backslashes;
      ++i;
    }
    if (i == argument.size()) {
      text.append(backslashes * 2, L'\\');
      break;
    }
    if (argument[i] == L'"') {
      text.append(backslashes * 2 + 1, L'\\');
    } else {
      text.append(backslashes, L'\\');
    }
    text += argument[i];
  }
  return text + L"\"";
}

class WindowsToolProcess final : public ToolProcess {
 public:
  WindowsToolProcess(const PROCESS_INFORMATION& process, HANDLE output)
      : process_(process), output_(output) {}
  ~WindowsToolProcess() override {
    if (!ended_) stop();
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }

  std::size_t read(char* into, std::size_t size) override {
    const DWORD wanted = size < (DWORD{1} << 30) ? static_cast<DWORD>(size) : DWORD{1} << 30;
    for (;;) {
      DWORD got = 0;
      // The end of the output (ERROR_BROKEN_PIPE) and a failed read both end it; a write
      // of no bytes at all reads as none and is passed over.
      if (!ReadFile(output_, into, wanted, &got, nullptr)) return 0;
      if (got > 0) return got;
    }
  }

  int wait() override {
    // Closing the pipe first: a tool that still writes ends instead of waiting forever.
    if (output_ != nullptr) CloseHandle(output_);
    output_ = nullptr;
    WaitForSingleObject(process_.hProcess, INFINITE);
    ended_ = true;
    DWORD exitCode = 0;
    return GetExitCodeProcess(process_.hProcess, &exitCode) ? static_cast<int>(exitCode)
                                                            : kToolNotExecutable;
  }

  void stop() override {
    TerminateProcess(process_.hProcess, kOutputTooLarge);
    wait();
  }

 private:
  PROCESS_INFORMATION process_;
  HANDLE output_;
  bool ended_ = false;
};

}  // namespace

std::unique_ptr<ToolProcess> startTool(const std::string& program,
                                       const std::vector<std::string>& arguments, int& status) {
  // The tool inherits the writing end of the pipe only; a larger pipe lets it run on
  // while the reader is busy.
  SECURITY_ATTRIBUTES inheritable{};
  inheritable.nLength = sizeof inheritable;
  inheritable.bInheritHandle = TRUE;
  HANDLE reading = nullptr;
  HANDLE writing = nullptr;
  if (!CreatePipe(&reading, &writing, &inheritable, 1 << 20)) {
    status = kToolNotExecutable;
    return nullptr;
  }
  SetHandleInformation(reading, HANDLE_FLAG_INHERIT, 0);

  std::wstring commandLine = quoted(wideFromUtf8(program));
  for (const std::string& argument : arguments)
    commandLine += L" " + quoted(wideFromUtf8(argument));

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = writing;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  // No application name: Windows finds the program as a command would, through the
  // search path, and adds ".exe".
  const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                      nullptr, nullptr, &startup, &process);
  const DWORD startError = started ? 0 : GetLastError();
  CloseHandle(writing);
  if (!started) {
    CloseHandle(reading);
    status = startError == ERROR_FILE_NOT_FOUND || startError == ERROR_PATH_NOT_FOUND
                 ? kToolNotFound
                 : kToolNotExecutable;
    return nullptr;
  }
  status = 0;
  return std::make_unique<WindowsToolProcess>(process, reading);
}

}  // namespace App
