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

// Waits for the process while looking at the size of its output every 20 ms; a process
// whose output grows past the limit is ended.
DWORD waitWithinLimit(HANDLE process, HANDLE output, std::uint64_t outputLimit,
                      bool& stoppedAtLimit) {
  for (;;) {
    if (WaitForSingleObject(process, outputLimit > 0 ? 20 : INFINITE) != WAIT_TIMEOUT) {
      DWORD exitCode = 0;
      return GetExitCodeProcess(process, &exitCode) ? exitCode : DWORD{kToolNotExecutable};
    }
    LARGE_INTEGER size{};
    if (GetFileSizeEx(output, &size) && static_cast<std::uint64_t>(size.QuadPart) > outputLimit) {
      TerminateProcess(process, kOutputTooLarge);
      WaitForSingleObject(process, INFINITE);
      stoppedAtLimit = true;
      return kOutputTooLarge;
    }
  }
}

}  // namespace

int runTool(const std::string& program, const std::vector<std::string>& arguments,
            const std::string& outputFile, std::uint64_t outputLimit, bool* stoppedAtLimit) {
  SECURITY_ATTRIBUTES inheritable{};
  inheritable.nLength = sizeof inheritable;
  inheritable.bInheritHandle = TRUE;
  HANDLE output = CreateFileW(wideFromUtf8(outputFile).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                              &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (output == INVALID_HANDLE_VALUE) return kOutputNotCreated;

  std::wstring commandLine = quoted(wideFromUtf8(program));
  for (const std::string& argument : arguments)
    commandLine += L" " + quoted(wideFromUtf8(argument));

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = output;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  // No application name: Windows finds the program as a command would, through the
  // search path, and adds ".exe".
  const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                      nullptr, nullptr, &startup, &process);
  const DWORD startError = started ? 0 : GetLastError();
  if (!started) {
    CloseHandle(output);
    return startError == ERROR_FILE_NOT_FOUND || startError == ERROR_PATH_NOT_FOUND
               ? kToolNotFound
               : kToolNotExecutable;
  }
  bool stopped = false;
  const DWORD exitCode = waitWithinLimit(process.hProcess, output, outputLimit, stopped);
  if (stoppedAtLimit != nullptr) *stoppedAtLimit = stopped;
  CloseHandle(output);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(exitCode);
}

}  // namespace App
