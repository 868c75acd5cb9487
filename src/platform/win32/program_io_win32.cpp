#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

#include "platform/program_io.h"
#include "platform/win32/utf16.h"

namespace stanzo::platform {
namespace {

bool WriteBinary(FILE* stream, std::string_view bytes) {
  // Text mode would turn every LF into CR LF.
  _setmode(_fileno(stream), _O_BINARY);
  return std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size() &&
         std::fflush(stream) == 0;
}

}  // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> args;
  for (int i = 0; i < count; ++i) args.push_back(Narrow(wide[i]));
  LocalFree(wide);
  return args;
}

bool WriteStdout(std::string_view bytes) {
  return WriteBinary(stdout, bytes);
}
bool WriteStderr(std::string_view bytes) {
  return WriteBinary(stderr, bytes);
}

}  // namespace stanzo::platform
