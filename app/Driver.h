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
  std::string outFileA2l;     // the A2L description, written with --a2l
};

RunFiles runFilesFor(const PathParts& parts);

// One conversion: `arguments` are the command-line arguments after the program name:
// options ("--a2l"), then the path. Progress goes to `out`, failure messages to `err`.
// With a `terminal` (standard error when it is one), a line there shows how far a long
// conversion has come. Returns the exit status.
int runConverter(std::span<const std::string> arguments, std::ostream& out, std::ostream& err,
                 std::ostream* terminal = nullptr);

}  // namespace App
