#include "tests/support/Toolchain.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "app/ObjdumpRun.h"
#include "tests/support/TempDir.h"

extern char** environ;

namespace TestSupport {

int runCommand(const std::vector<std::string>& argv, const std::filesystem::path& stdoutFile,
               const std::filesystem::path& workingDirectory) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!workingDirectory.empty()) {
    posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());
  }
  if (!stdoutFile.empty()) {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, stdoutFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  // The tools' warnings about odd location lists are not the tests' business.
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> args;
  for (const std::string& arg : argv)
    args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t child = 0;
  const int error = posix_spawnp(&child, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return 127;
  int status = 0;
  if (waitpid(child, &status, 0) < 0) return 126;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::filesystem::path dataDir() {
  return SKARVEL_TEST_DATA;
}
std::filesystem::path corpusDir() {
  return SKARVEL_TEST_CORPUS;
}

std::filesystem::path workDir() {
  static TempDir dir;
  return dir.path();
}

namespace {

// Compiles each source with clang into an object file beside the image; returns the
// objects, or nothing when a compilation failed.
std::vector<std::string> clangObjects(const ImageRecipe& recipe, const std::string& stem) {
  std::vector<std::string> objects;
  for (const auto& source : recipe.sources) {
    std::vector<std::string> argv{SKARVEL_CLANG, "--target=arm-none-eabi", "-mcpu=cortex-m4",
                                  "-mthumb",     "-fshort-enums",          "-g"};
    std::string_view includes = SKARVEL_ARM_LIBRARY_INCLUDES;
    for (std::size_t colon; (colon = includes.find(':')) != std::string_view::npos;
         includes.remove_prefix(colon + 1)) {
      argv.insert(argv.end(), {"-isystem", std::string(includes.substr(0, colon))});
    }
    for (const std::string& flag : recipe.flags) {
      if (!flag.starts_with("-Wl,")) argv.push_back(flag);
    }
    const std::string object = (workDir() / (stem + "_" + std::to_string(objects.size()) + ".o"));
    argv.insert(argv.end(), {"-c", "-x", source.extension() == ".c" ? "c" : "c++", source.string(),
                             "-o", object});
    if (runCommand(argv, {}, recipe.workingDirectory) != 0) return {};
    objects.push_back(object);
  }
  return objects;
}

}  // namespace

std::filesystem::path buildImage(const ImageRecipe& recipe) {
  static std::map<std::string, std::filesystem::path> built;
  std::string key = recipe.name + (recipe.clang ? "_clang" : "");
  for (const std::string& flag : recipe.flags)
    key += "_" + flag;
  if (const auto found = built.find(key); found != built.end()) return found->second;

  std::string fileName = key;
  for (char& c : fileName) {
    if (c == '=' || c == '/' || c == ' ') c = '_';
  }
  const std::filesystem::path image = workDir() / (fileName + (recipe.link ? ".elf" : ".o"));
  std::vector<std::string> argv{recipe.cxx ? SKARVEL_ARM_GXX : SKARVEL_ARM_GCC, "-mcpu=cortex-m4",
                                "-mthumb", "-g"};
  argv.insert(argv.end(), recipe.flags.begin(), recipe.flags.end());
  if (recipe.link) {
    argv.push_back("-Wl,--no-warn-rwx-segments");
    const bool ownStartup =
        std::find(recipe.flags.begin(), recipe.flags.end(), "-nostdlib") != recipe.flags.end();
    if (!ownStartup) argv.push_back("--specs=nosys.specs");
    if (recipe.clang) {
      const std::vector<std::string> objects = clangObjects(recipe, fileName);
      EXPECT_FALSE(objects.empty()) << "compiling " << key << " with clang failed";
      argv.insert(argv.end(), objects.begin(), objects.end());
    } else {
      for (const auto& source : recipe.sources)
        argv.push_back(source.string());
    }
  } else {
    argv.push_back("-c");
    argv.push_back(recipe.sources.front().string());
  }
  argv.push_back("-o");
  argv.push_back(image.string());
  const int status = runCommand(argv, {}, recipe.workingDirectory);
  EXPECT_EQ(status, 0) << "building " << key << " failed";
  built.emplace(key, image);
  return image;
}

std::filesystem::path dumpImage(const std::filesystem::path& image) {
  static std::map<std::filesystem::path, std::filesystem::path> dumped;
  if (const auto found = dumped.find(image); found != dumped.end()) return found->second;
  std::filesystem::path dump = image;
  dump += ".txt";
  std::vector<std::string> argv{SKARVEL_ARM_OBJDUMP};
  const std::vector<std::string> arguments = App::objdumpArgumentsFor(std::nullopt, image.string());
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  const int status = runCommand(argv, dump);
  EXPECT_EQ(status, 0) << "dumping " << image << " failed";
  dumped.emplace(image, dump);
  return dump;
}

std::string symbolTable(const std::filesystem::path& image) {
  std::filesystem::path table = image;
  table += ".nm";
  EXPECT_EQ(runCommand({SKARVEL_ARM_NM, image.string()}, table), 0);
  return readFile(table);
}

}  // namespace TestSupport
