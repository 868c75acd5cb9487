#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <algorithm>
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

// Windows' shells leave wildcards to the program: "Songs\*.xml" becomes
// the files it names, sorted; a pattern that names none stays as written.
void AppendExpanded(const std::wstring& arg, std::vector<std::string>* args) {
  if (arg.find_first_of(L"*?") == std::wstring::npos) {
    args->push_back(Narrow(arg));
    return;
  }
  const size_t cut = arg.find_last_of(L"\\/:");
  const std::wstring dir = cut == std::wstring::npos ? L"" : arg.substr(0, cut + 1);
  std::vector<std::string> found;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(arg.c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        found.push_back(Narrow(dir + data.cFileName));
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  if (found.empty()) found.push_back(Narrow(arg));
  std::sort(found.begin(), found.end());
  args->insert(args->end(), found.begin(), found.end());
}

}  // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> args;
  for (int i = 0; i < count; ++i) {
    if (i == 0) {
      args.push_back(Narrow(wide[i]));
    } else {
      AppendExpanded(wide[i], &args);
    }
  }
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
