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

}  // namespace App
