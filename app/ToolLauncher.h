#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace App {

inline constexpr std::string_view kObjdumpProgram = "arm-none-eabi-objdump";
inline constexpr std::string_view kObjdumpOptions = "-WlLiaprmfFsoRt";

// Exit statuses of a run whose tool could not do its work, in the meaning a shell gives
// them.
inline constexpr int kOutputNotCreated = 2;
inline constexpr int kToolNotExecutable = 126;
inline constexpr int kToolNotFound = 127;
inline constexpr int kKilledBySignal = 128;  // plus the signal number

// Starts `program`, found through the command search path, with `arguments` passed as
// they are (no command interpreter sees them), its standard output written into
// `outputFile` (created anew) and its standard error left on the console, and waits for
// it. Returns 0 when it succeeded, otherwise the status the run ends with: the tool's
// exit code, or one of the statuses above. When `outputFile` cannot be created the tool
// is not started.
int runTool(const std::string& program, const std::vector<std::string>& arguments,
            const std::string& outputFile);

// arm-none-eabi-objdump with the dump options, the ELF image and the dump file.
inline int runObjdump(const std::string& elfFile, const std::string& dumpFile) {
  return runTool(std::string(kObjdumpProgram), {std::string(kObjdumpOptions), elfFile}, dumpFile);
}

}  // namespace App
