#pragma once

#include <ostream>
#include <string_view>

namespace App {

// The date this program was built, as "Feb  3 2020".
std::string_view buildDate();

// The banner and usage text, one flushed line at a time.
void printUsage(std::ostream& out);
// The usage followed by every option, one line each (--help).
void printHelp(std::ostream& out);
// The program's name, version and build date (--version).
void printVersion(std::ostream& out);

}  // namespace App
