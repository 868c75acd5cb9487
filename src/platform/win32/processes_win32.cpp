#include <windows.h>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

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

bool Valid(HANDLE h) {
  return h != nullptr && h != INVALID_HANDLE_VALUE;
}

// An inheritable handle for a child's standard handle: a copy of `own` (the
// console's), or the NUL device where the console has none.
HANDLE InheritableCopy(HANDLE own, DWORD access) {
  HANDLE copy = nullptr;
  const HANDLE self = GetCurrentProcess();
  if (Valid(own) && DuplicateHandle(self, own, self, &copy, 0, TRUE, DUPLICATE_SAME_ACCESS))
    return copy;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileW(L"NUL", access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                     nullptr);
}

// What a program's standard error pipe shares between the console's thread
// and the pipe's reader. The reader never allocates: it may still run while
// the console exits, and a thread ended inside the heap's lock would hang
// the rest of the exit.
struct ErrorRelay {
  explicit ErrorRelay(HANDLE readEnd) : pipe(readEnd) {}
  ~ErrorRelay() { CloseHandle(pipe); }
  ErrorRelay(const ErrorRelay&) = delete;
  ErrorRelay& operator=(const ErrorRelay&) = delete;

  HANDLE pipe;
  SRWLOCK lock = SRWLOCK_INIT;
  bool watched = true;  // under lock; false once released
  size_t held = 0;      // under lock: bytes in `bytes` not yet handed out
  char bytes[64 * 1024];
};

// The reader: blocks in ReadFile until the program (and every program that
// inherited its standard error) has closed the pipe. Every byte goes on to
// the console's standard error, looked up at each write so that a console
// that changes it is followed; while watched it is also kept for
// ReadErrors, up to the buffer's size (a console that does not fetch loses
// the rest there, never the program). It lives on after Release, so the
// program never meets a full pipe while the console runs; when the console
// process ends, the pipe's last reader goes with it, and the program's
// writes to its standard error fail from then on instead of blocking (there
// is no signal on Windows that would end it).
DWORD WINAPI RelayErrors(void* param) {
  auto* relay = static_cast<std::shared_ptr<ErrorRelay>*>(param);
  ErrorRelay& r = **relay;
  char buf[4096];
  DWORD n = 0;
  while (ReadFile(r.pipe, buf, sizeof buf, &n, nullptr) || GetLastError() == ERROR_MORE_DATA) {
    if (n == 0) continue;
    const HANDLE out = GetStdHandle(STD_ERROR_HANDLE);
    for (DWORD done = 0, w = 0; Valid(out) && done < n; done += w) {
      if (!WriteFile(out, buf + done, n - done, &w, nullptr) || w == 0) break;  // gone: drop it
    }
    AcquireSRWLockExclusive(&r.lock);
    if (r.watched) {
      const size_t take = std::min<size_t>(n, sizeof r.bytes - r.held);
      std::copy(buf, buf + take, r.bytes + r.held);
      r.held += take;
    }
    ReleaseSRWLockExclusive(&r.lock);
  }
  delete relay;
  return 0;
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
    return Launch(commandLine, workingDir, false);
  }

  // As Start, but the program's standard handles are given: NUL for its
  // input (nothing worth reading), the console's standard output (NUL when
  // it has none) and the write end of a pipe for its standard error, which
  // a thread of ours reads (RelayErrors). Exactly these three are
  // inherited.
  Started StartReadingErrors(const std::string& commandLine,
                             const std::string& workingDir) override {
    return Launch(commandLine, workingDir, true);
  }

  std::string ReadErrors(Id id) override {
    Watched& w = watched_.at(id);
    if (!w.errors) return std::string();
    ErrorRelay& r = *w.errors;
    AcquireSRWLockExclusive(&r.lock);
    std::string bytes(r.bytes, r.held);
    r.held = 0;
    ReleaseSRWLockExclusive(&r.lock);
    return bytes;
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
    if (it->second.errors) {
      ErrorRelay& r = *it->second.errors;
      AcquireSRWLockExclusive(&r.lock);
      r.watched = false;
      r.held = 0;
      ReleaseSRWLockExclusive(&r.lock);
    }
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
    std::shared_ptr<ErrorRelay> errors;  // for a program whose errors are read
  };

  // The standard handles a program whose errors are read is given, and the
  // console's end of its error pipe. Closes what it holds.
  struct ChildHandles {
    ChildHandles() = default;
    ChildHandles(const ChildHandles&) = delete;
    ChildHandles& operator=(const ChildHandles&) = delete;
    ~ChildHandles() {
      for (HANDLE h : {input, output, errorWrite, errorRead})
        if (Valid(h)) CloseHandle(h);
    }
    HANDLE input = nullptr;
    HANDLE output = nullptr;
    HANDLE errorWrite = nullptr;
    HANDLE errorRead = nullptr;
  };

  Started Launch(const std::string& commandLine, const std::string& workingDir, bool readErrors) {
    if (commandLine.find_first_not_of(" \t") == std::string::npos) return {0, "no program named"};
    // CreateProcessW may write into the line it is given.
    std::wstring line = Widen(commandLine);
    const std::wstring dir = Widen(workingDir);
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup.StartupInfo;
    DWORD flags = CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS;
    ChildHandles handles;
    std::vector<char> attributes;
    HANDLE inherited[3] = {};  // read by process creation, through the attribute list
    if (readErrors) {
      // The read end is not inheritable: a program holding it would keep
      // its own pipe from ever ending.
      SECURITY_ATTRIBUTES plain{sizeof plain, nullptr, FALSE};
      if (!CreatePipe(&handles.errorRead, &handles.errorWrite, &plain, 0) ||
          !SetHandleInformation(handles.errorWrite, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT))
        return {0, SystemMessage(GetLastError())};
      handles.input = InheritableCopy(nullptr, GENERIC_READ);
      handles.output = InheritableCopy(GetStdHandle(STD_OUTPUT_HANDLE), GENERIC_WRITE);
      if (!Valid(handles.input) || !Valid(handles.output))
        return {0, SystemMessage(GetLastError())};
      startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
      startup.StartupInfo.hStdInput = handles.input;
      startup.StartupInfo.hStdOutput = handles.output;
      startup.StartupInfo.hStdError = handles.errorWrite;
      inherited[0] = handles.input;
      inherited[1] = handles.output;
      inherited[2] = handles.errorWrite;
      // Only these three are inherited, whatever else in the console is
      // inheritable. A system that cannot list them inherits every
      // inheritable handle; the console makes none of its own.
      SIZE_T size = 0;
      InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
      attributes.resize(size);
      auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes.data());
      if (size > 0 && InitializeProcThreadAttributeList(list, 1, 0, &size)) {
        if (UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
                                      sizeof inherited, nullptr, nullptr)) {
          startup.lpAttributeList = list;
          startup.StartupInfo.cb = sizeof startup;
          flags |= EXTENDED_STARTUPINFO_PRESENT;
        } else {
          DeleteProcThreadAttributeList(list);
        }
      }
    }
    PROCESS_INFORMATION info{};
    const BOOL created =
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, readErrors ? TRUE : FALSE, flags,
                       nullptr, dir.empty() ? nullptr : dir.c_str(), &startup.StartupInfo, &info);
    const DWORD err = GetLastError();
    if (startup.lpAttributeList != nullptr) DeleteProcThreadAttributeList(startup.lpAttributeList);
    if (!created) return {0, SystemMessage(err)};
    CloseHandle(info.hThread);
    Watched watched{info.hProcess, {}, nullptr};
    if (readErrors) {
      // Our copy of the write end goes now: the pipe ends when the program
      // (and whatever inherited it from the program) has closed its own.
      CloseHandle(handles.errorWrite);
      handles.errorWrite = nullptr;
      watched.errors = std::make_shared<ErrorRelay>(handles.errorRead);
      handles.errorRead = nullptr;
      auto* param = new std::shared_ptr<ErrorRelay>(watched.errors);
      const HANDLE thread = CreateThread(nullptr, 64 * 1024, RelayErrors, param,
                                         STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
      if (thread == nullptr) {
        // Nobody would read the pipe: the program would block at its first
        // full pipe. Closing the read end makes its writes fail instead.
        delete param;
        watched.errors.reset();
      } else {
        CloseHandle(thread);
      }
    }
    const Id id = ++lastId_;
    watched_[id] = std::move(watched);
    return {id, {}};
  }

  Id lastId_ = 0;
  std::map<Id, Watched> watched_;
};

}  // namespace

Processes& Processes::Default() {
  static Win32Processes processes;
  return processes;
}

}  // namespace stanzo::platform
