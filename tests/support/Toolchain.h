#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The installed ARM toolchain, used by the tests to build real images and dump them.
namespace TestSupport {

// Runs a program with its arguments (no shell), standard output into `stdoutFile` when
// given, and returns its exit status.
int runCommand(const std::vector<std::string>& argv, const std::filesystem::path& stdoutFile = {},
               const std::filesystem::path& workingDirectory = {});

// The folders of the sample programs.
std::filesystem::path dataDir();
std::filesystem::path corpusDir();

// An image to build: sources (relative to their folder), and whether it is C++.
struct ImageRecipe {
  std::string name;
  std::vector<std::filesystem::path> sources;
  std::vector<std::string> flags;  // besides the target flags, e.g. "-gdwarf-4", "-O0"
  bool cxx = false;
  bool link = true;  // false: one object file of the first source
  // Compile in this folder, with the sources named relative to it, so that no path of
  // the machine that builds it reaches the debug information.
  std::filesystem::path workingDirectory = {};
  // Compiled by clang (with the GNU toolchain's library headers), linked by GCC.
  bool clang = false;
};

// Builds the image once per test process (later calls return the same file) and fails
// the current test when the compiler does.
std::filesystem::path buildImage(const ImageRecipe& recipe);

// The objdump text of an image, as the converter asks for it; cached like the image.
std::filesystem::path dumpImage(const std::filesystem::path& image);

// `arm-none-eabi-nm` of an image: lines "address type name".
std::string symbolTable(const std::filesystem::path& image);

std::filesystem::path workDir();

}  // namespace TestSupport
