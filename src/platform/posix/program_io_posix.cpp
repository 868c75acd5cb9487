#include <cstdio>

#include "platform/program_io.h"

namespace stanzo::platform {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

bool WriteStdout(std::string_view bytes) {
  return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() &&
         std::fflush(stdout) == 0;
}

bool WriteStderr(std::string_view bytes) {
  return std::fwrite(bytes.data(), 1, bytes.size(), stderr) == bytes.size() &&
         std::fflush(stderr) == 0;
}

}  // namespace stanzo::platform
