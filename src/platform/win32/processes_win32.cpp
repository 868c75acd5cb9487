#include <windows.h>

#include <map>

#include "platform/processes.h"
#include "platform/win32/utf16.h"

namespace stanzo::platform {
namespace {

// The system's own text for `err`, on one line ("The system cannot find
// the file specified."), in UTF-8.
std::string SystemMessage(DWORD err) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, err, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message = n > 0 ? Narrow(std::wstring_view(text, n)) : std::string();
  if (text != nullptr) LocalFree(text);
  for (char& c : message) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  while (!message.empty() && message.back() == ' ') message.pop_back();
  return message.empty() ? "error " + std::to_string(err) : message;
}

bool HasDirectory(const std::wstring& program) {
  return program.find_first_of(L"\\/:") != std::wstring::npos;
}

class Win32Processes final : public Processes {
 public:
  // The line goes to CreateProcessW unchanged: the program is its first
  // word (quoted when it holds blanks), found by the system's usual search
  // when it has no directory. CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS
  // (0x30): a console program gets a console of its own. No handles are
  // inherited, the environment is the console's, the startup description
  // is empty.
  Started Start(const std::string& commandLine, const std::string& workingDir) override {
    if (commandLine.find_first_not_of(" \t") == std::string::npos) return {0, "no program named"};
    // CreateProcessW may write into the line it is given.
    std::wstring line = Widen(commandLine);
    const std::wstring dir = Widen(workingDir);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE,
                        CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS, nullptr,
                        dir.empty() ? nullptr : dir.c_str(), &startup, &info)) {
      return {0, SystemMessage(GetLastError())};
    }
    CloseHandle(info.hThread);
    const Id id = ++lastId_;
    watched_[id] = Watched{info.hProcess, {}};
    return {id, {}};
  }

  Status Poll(Id id) override {
    Watched& w = watched_.at(id);
    if (!w.status.ended && WaitForSingleObject(w.process, 0) == WAIT_OBJECT_0) {
      DWORD code = 0;
      GetExitCodeProcess(w.process, &code);
      w.status = {true, code};
    }
    return w.status;
  }

  void Release(Id id) override {
    auto it = watched_.find(id);
    if (it == watched_.end()) return;
    CloseHandle(it->second.process);
    watched_.erase(it);
  }

  // SearchPathW looks where process creation looks: the program's own
  // folder, the current one, the system folders and PATH, with ".exe"
  // added to a name that has no extension.
  bool IsInstalled(const std::string& program) override {
    const std::wstring name = Widen(program);
    if (name.empty()) return false;
    std::wstring found(MAX_PATH, L'\0');
    if (HasDirectory(name)) {
      for (const std::wstring& candidate : {name, name + L".exe"}) {
        const DWORD a = GetFileAttributesW(candidate.c_str());
        if (a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY)) return true;
      }
      return false;
    }
    const DWORD n = SearchPathW(nullptr, name.c_str(), L".exe", static_cast<DWORD>(found.size()),
                                found.data(), nullptr);
    if (n == 0) return false;
    if (n > found.size()) {
      found.resize(n);
      if (SearchPathW(nullptr, name.c_str(), L".exe", n, found.data(), nullptr) == 0) return false;
    }
    const DWORD a = GetFileAttributesW(found.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
  }

 private:
  struct Watched {
    HANDLE process = nullptr;
    Status status;
  };

  Id lastId_ = 0;
  std::map<Id, Watched> watched_;
};

}  // namespace

Processes& Processes::Default() {
  static Win32Processes processes;
  return processes;
}

}  // namespace stanzo::platform
