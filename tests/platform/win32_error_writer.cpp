// A program for the process runner's tests: writes an error line to its
// standard error, waits until the file named by its first argument exists,
// then writes far more than a pipe holds to its standard error and "done"
// into the file named by its second argument. It must neither block nor
// fail on the way there, whoever reads its standard error.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  DWORD n = 0;
  const char first[] = "main error: one\n";
  if (!WriteFile(err, first, sizeof first - 1, &n, nullptr)) return 3;
  for (int i = 0; GetFileAttributesW(argv[1]) == INVALID_FILE_ATTRIBUTES; ++i) {
    if (i > 3000) return 4;  // 30 s: nobody said go
    Sleep(10);
  }
  const std::string line(1023, 'x');
  for (int i = 0; i < 256; ++i) {
    if (!WriteFile(err, (line + "\n").data(), 1024, &n, nullptr)) return 5;
  }
  const HANDLE out = CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) return 6;
  WriteFile(out, "done\n", 5, &n, nullptr);
  CloseHandle(out);
  return 0;
}
