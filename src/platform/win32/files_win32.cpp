#include <windows.h>

#include <aclapi.h>

#include <atomic>

#include "platform/files.h"
#include "platform/win32/utf16.h"

namespace stanzo::platform {
namespace {

// Closes a handle when it goes out of scope.
class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool ok() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }
  // False when closing failed (a write the system could not finish).
  bool Close() {
    if (!ok()) return true;
    const bool closed = CloseHandle(h_) != 0;
    h_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE h_;
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool WriteAll(HANDLE h, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = bytes.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!WriteFile(h, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

// A link (symbolic link or junction) is written through: the file it
// points at is replaced, the link stays. The final path comes back as
// "\\?\C:\..." (or "\\?\UNC\..."), which every W function takes.
std::wstring ResolveLink(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return path;
  Handle h(CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h.ok()) return path;  // dangling: written like a missing file
  std::wstring final(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetFinalPathNameByHandleW(
        h.get(), final.data(), static_cast<DWORD>(final.size()), FILE_NAME_NORMALIZED);
    if (n == 0) return path;
    if (n < final.size()) {
      final.resize(n);
      return final;
    }
    final.resize(n + 1);
  }
}

// The replaced file's own access rules go to the temporary, so a file
// shared with one more user stays shared. Only its explicit entries are
// copied: the inherited ones come from the directory, which both share.
// A failure leaves the directory's defaults, as for a new file.
void KeepAccessRules(const std::wstring& from, HANDLE to) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (GetNamedSecurityInfoW(from.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                            nullptr, &dacl, nullptr, &sd) != ERROR_SUCCESS)
    return;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  const bool isProtected =
      GetSecurityDescriptorControl(sd, &control, &revision) && (control & SE_DACL_PROTECTED) != 0;
  (void)SetSecurityInfo(
      to, SE_FILE_OBJECT,
      DACL_SECURITY_INFORMATION | (isProtected ? PROTECTED_DACL_SECURITY_INFORMATION
                                               : UNPROTECTED_DACL_SECURITY_INFORMATION),
      nullptr, nullptr, dacl, nullptr);
  LocalFree(sd);
}

class Win32Files final : public Files {
 public:
  FileResult Read(const std::string& path, std::string* bytes) override {
    bytes->clear();
    // Shared for writing and deleting too: a file another program has open
    // (an editor, a replace under way) is still read.
    Handle h(CreateFileW(Widen(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.ok()) {
      const DWORD err = GetLastError();
      return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND ? FileResult::Missing
                                                                        : FileResult::CannotOpen;
    }
    char buf[65536];
    for (;;) {
      DWORD n = 0;
      if (!ReadFile(h.get(), buf, sizeof buf, &n, nullptr)) {
        bytes->clear();
        return FileResult::CannotOpen;
      }
      if (n == 0) break;
      bytes->append(buf, n);
    }
    return FileResult::Ok;
  }

  FileResult Replace(const std::string& path, std::string_view bytes) override {
    const std::wstring target = ResolveLink(Widen(path));
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists) {
      if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FileResult::CannotCreate;
      // A file the operator made read-only stays protected.
      if (attributes & FILE_ATTRIBUTE_READONLY) return FileResult::CannotCreate;
      // Opening it for writing asks the file's own access rules, as a
      // program that writes it itself would; a device (NUL, COM1) is
      // written in place, never replaced.
      Handle existing(CreateFileW(target.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!existing.ok()) return FileResult::CannotCreate;
      if (GetFileType(existing.get()) != FILE_TYPE_DISK) {
        const bool ok = WriteAll(existing.get(), bytes);
        return ok && existing.Close() ? FileResult::Ok : FileResult::WriteFailed;
      }
    }
    const std::string targetUtf8 = Narrow(target);
    RemoveStaleTemps(*this, targetUtf8);

    static std::atomic<uint64_t> counter{0};
    std::wstring temp;
    HANDLE created = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && created == INVALID_HANDLE_VALUE; ++attempt) {
      temp = Widen(TempNameFor(targetUtf8, GetCurrentProcessId(), counter.fetch_add(1)));
      // Hidden, like a dot file elsewhere; the replaced file's own
      // attributes are put back before the rename.
      created = CreateFileW(temp.c_str(), GENERIC_WRITE | WRITE_DAC, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_HIDDEN, nullptr);
      if (created == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    Handle file(created);
    if (!file.ok()) return FileResult::CannotCreate;

    if (exists) KeepAccessRules(target, file.get());
    const bool written = WriteAll(file.get(), bytes) && FlushFileBuffers(file.get());
    const bool closed = file.Close();
    if (!written || !closed) {
      DeleteFileW(temp.c_str());
      return FileResult::WriteFailed;
    }
    (void)SetFileAttributesW(
        temp.c_str(), exists ? attributes & ~FILE_ATTRIBUTE_REPARSE_POINT : FILE_ATTRIBUTE_NORMAL);
    // A virus scanner or an indexer may hold the target for a moment: a
    // few short retries before the save counts as failed.
    for (int attempt = 0;; ++attempt) {
      if (MoveFileExW(temp.c_str(), target.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return FileResult::Ok;
      const DWORD err = GetLastError();
      if (attempt == 9 || (err != ERROR_SHARING_VIOLATION && err != ERROR_ACCESS_DENIED)) break;
      Sleep(20);
    }
    DeleteFileW(temp.c_str());
    return FileResult::CannotCreate;
  }

  bool Remove(const std::string& path) override { return DeleteFileW(Widen(path).c_str()) != 0; }

  std::optional<std::vector<std::string>> List(const std::string& dir) override {
    std::wstring pattern = Widen(dir);
    if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW found;
    const HANDLE find = FindFirstFileW(pattern.c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_NOT_FOUND) return std::vector<std::string>{};
      return std::nullopt;
    }
    std::vector<std::string> names;
    do {
      const std::wstring_view name = found.cFileName;
      if (name != L"." && name != L"..") names.push_back(Narrow(name));
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return names;
  }
};

}  // namespace

Files& Files::Default() {
  static Win32Files files;
  return files;
}

}  // namespace stanzo::platform
