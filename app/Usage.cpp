#include "app/Usage.h"

#include <array>

namespace App {

std::string_view buildDate() {
  return __DATE__;
}

void printUsage(std::ostream& out) {
  const std::array<std::string_view, 11> lines{
      "ELF TO KEIL M51 MEMORY MAP FILE GENERATOR",
      "",  // the BUILD line, below
      R"(Call: program "elf_file.elf")",
      "       -  generates map file from elf file",
      R"(Call: program "objDumpOutput.txt")",
      "       -  generates map file from objDumpFile",
      R"(Call: Skarvel "directory")",
      "       -  generate map file from elf files found in directory",
      "",
      "Generated files will have the same name as used input filename + _ObjDump.txt + "
      "_Vek.m51 + _CANape.db",
      R"(Internal ObjDump Call will be "arm-none-eabi-objdump -WlLiaprmfFsoRt  inputFile.elf > inputFile.txt")",
  };
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i == 1) {
      out << "BUILD: " << buildDate() << std::endl;
    } else {
      out << lines[i] << std::endl;
    }
  }
}

void printHelp(std::ostream& out) {
  printUsage(out);
  const std::array<std::string_view, 10> lines{
      "",
      "Options, given before the path:",
      "  --direct                    read the ELF file's debug sections itself: no objdump, no "
      "_ObjDump.txt",
      "  --a2l                       also write an A2L file (_Vek.a2l)",
      "  --characteristic PATTERN    with --a2l: describe the variables whose names match as "
      "characteristics (* for any run)",
      "  --characteristic-section NAME  with --a2l: the same for the variables in that section",
      "  --update-a2l FILE           update the addresses of an A2L file the project keeps "
      "into _Vek.a2l",
      "  --strict                    with --update-a2l: fail when it names a symbol the image "
      "lacks",
      "  --help, -h                  print this text",
      "  --version                   print the program's version",
  };
  for (const std::string_view line : lines)
    out << line << std::endl;
}

void printVersion(std::ostream& out) {
  out << "skarvel " << SKARVEL_VERSION << " (built " << buildDate() << ")" << std::endl;
}

}  // namespace App
