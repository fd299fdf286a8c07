#pragma once

#include <ostream>
#include <span>
#include <string>

#include "app/PathParts.h"

namespace App {

// Every file a run reads or writes, formed from the input path.
struct RunFiles {
  std::string inputFile;      // the dump text
  std::string outFileMap;     // the M51 map
  std::string outFileCanape;  // the CANape database
  std::string elfFile;        // the ELF image
};

RunFiles runFilesFor(const PathParts& parts);

// One conversion: `arguments` are the command-line arguments after the program name.
// Progress goes to `out`, the one failure message to `err`. Returns the exit status.
int runConverter(std::span<const std::string> arguments, std::ostream& out, std::ostream& err);

}  // namespace App
