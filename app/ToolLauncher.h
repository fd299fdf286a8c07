#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/ExitStatus.h"

namespace App {

// Starts `program`, found through the command search path, with `arguments` passed as
// they are (no command interpreter sees them), its standard output written into
// `outputFile` (created anew) and its standard error left on the console, and waits for
// it. Returns 0 when it succeeded, otherwise the status the run ends with: the tool's
// exit code, or one of the statuses of ExitStatus.h. When `outputFile` cannot be created
// the tool is not started. With an `outputLimit`, the tool is stopped as soon as the
// file grows past that many bytes: the status is then kOutputTooLarge, and
// `stoppedAtLimit` (which a tool's own exit code cannot set) tells it. The file is left
// as it is.
int runTool(const std::string& program, const std::vector<std::string>& arguments,
            const std::string& outputFile, std::uint64_t outputLimit = 0,
            bool* stoppedAtLimit = nullptr);

}  // namespace App
