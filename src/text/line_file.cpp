#include "text/line_file.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <string>

namespace stanzo {

namespace {

// ---------------------------------------------------------------------------
// Windows-1252 <-> Unicode.
//
// 0x80..0x9F hold the typographic characters; the five bytes the code page
// leaves undefined (0x81 0x8D 0x8F 0x90 0x9D) map to the C1 control code of
// the same value, so every byte decodes to something and encodes back to
// itself. Every other byte is its own code point.
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

char32_t Cp1252ToUnicode(unsigned char b) {
  if (b >= 0x80 && b <= 0x9F) return kCp1252High[b - 0x80];
  return b;
}

// Returns the byte for `cp`, or -1 when Windows-1252 has none.
int UnicodeToCp1252(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int i = 0; i < 32; ++i) {
    if (kCp1252High[i] == cp) return 0x80 + i;
  }
  return -1;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Decodes one well-formed UTF-8 sequence at s[i] (shortest form, no
// surrogates, at most U+10FFFF). Returns its length, or 0 when the bytes
// there are not one.
size_t DecodeUtf8At(std::string_view s, size_t i, char32_t* cp) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char b0 = byte(i);
  if (b0 < 0x80) {
    *cp = b0;
    return 1;
  }
  size_t len;
  char32_t value;
  char32_t min;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2, value = b0 & 0x1F, min = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    len = 3, value = b0 & 0x0F, min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4, value = b0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + len > s.size()) return 0;
  for (size_t k = 1; k < len; ++k) {
    const unsigned char b = byte(i + k);
    if ((b & 0xC0) != 0x80) return 0;
    value = (value << 6) | (b & 0x3F);
  }
  if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *cp = value;
  return len;
}

bool IsValidUtf8(std::string_view s) {
  char32_t cp;
  for (size_t i = 0; i < s.size();) {
    const size_t n = DecodeUtf8At(s, i, &cp);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

constexpr std::string_view kBom = "\xEF\xBB\xBF";

std::string_view CutAtNul(std::string_view raw) {
  const size_t nul = raw.find('\0');
  return nul == std::string_view::npos ? raw : raw.substr(0, nul);
}

}  // namespace

// Any failure, to open or to read, is "Cannot open file": the caller has
// touched nothing yet.
std::string ReadFileBytes(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw FileError("Cannot open file " + path);
  std::string data;
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n > 0) {
      data.append(buf, static_cast<size_t>(n));
    } else if (n == 0) {
      break;
    } else if (errno != EINTR) {
      ::close(fd);
      throw FileError("Cannot open file " + path);
    }
  }
  ::close(fd);
  return data;
}

namespace {

// Writes all of `bytes` to `fd`; false on any failure (full disk, file size
// limit, I/O error).
bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// A name for the temporary file beside `target`: hidden, and unique within
// this process; O_EXCL guards against anything else.
std::string TempNameFor(const std::string& target) {
  static std::atomic<unsigned> counter{0};
  const size_t slash = target.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  return dir + "." + base + ".tmp-" + std::to_string(::getpid()) + "-" +
         std::to_string(counter.fetch_add(1));
}

// Overwrites a non-regular file (a device, a pipe) in place: such a target
// cannot be replaced by renaming and must not be. O_NONBLOCK keeps a pipe
// without a reader from hanging the caller; it is cleared once open.
void WriteInPlace(const std::string& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) throw FileError("Cannot create file " + path);
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) (void)::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  const bool ok = WriteAll(fd, bytes);
  const bool closed = ::close(fd) == 0;
  if (!ok || !closed) throw FileError("Stream write error");
}

}  // namespace

std::string NormalizeEditorText(std::string_view raw) {
  raw = CutAtNul(raw);
  std::string out;
  out.reserve(raw.size());
  for (size_t i = 0; i < raw.size(); ++i) {
    const char c = raw[i];
    if (c == '\r') {
      if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
      out += '\n';
    } else {
      out += c;
    }
  }
  return out;
}

std::vector<std::string> SplitListItems(std::string_view raw) {
  raw = CutAtNul(raw);
  std::vector<std::string> items;
  std::string current;
  for (size_t i = 0; i < raw.size(); ++i) {
    const char c = raw[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
      items.push_back(std::move(current));
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) items.push_back(std::move(current));
  return items;
}

std::string JoinListItems(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) {
    out += item;
    out += "\r\n";
  }
  return out;
}

std::string DecodeFileBytes(std::string_view raw, TextEncoding* encoding) {
  TextEncoding found;
  std::string text;
  if (raw.substr(0, kBom.size()) == kBom && IsValidUtf8(raw.substr(kBom.size()))) {
    found = TextEncoding::Utf8Bom;
    text.assign(raw.substr(kBom.size()));
  } else if (IsValidUtf8(raw)) {
    found = TextEncoding::Utf8;
    text.assign(raw);
  } else {
    found = TextEncoding::Windows1252;
    text.reserve(raw.size() + raw.size() / 2);
    for (const char c : raw) AppendUtf8(text, Cp1252ToUnicode(static_cast<unsigned char>(c)));
  }
  if (encoding != nullptr) *encoding = found;
  return text;
}

std::string EncodeFileBytes(std::string_view utf8, TextEncoding encoding, const std::string& path) {
  switch (encoding) {
    case TextEncoding::Utf8:
      return std::string(utf8);
    case TextEncoding::Utf8Bom:
      return std::string(kBom) + std::string(utf8);
    case TextEncoding::Windows1252:
      break;
  }
  std::string out;
  out.reserve(utf8.size());
  char32_t cp;
  for (size_t i = 0; i < utf8.size();) {
    const size_t n = DecodeUtf8At(utf8, i, &cp);
    if (n == 0) {
      throw FileError("Cannot save " + path + ": the text is not valid UTF-8");
    }
    const int b = UnicodeToCp1252(cp);
    if (b < 0) {
      throw FileError("Cannot save " + path +
                      ": the text holds characters that cannot be stored in Windows-1252");
    }
    out += static_cast<char>(b);
    i += n;
  }
  return out;
}

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
  // Replacing a symbolic link by renaming would cut the link; write to the
  // file it points at instead. A dangling link is written through to its
  // (new) target like an ordinary missing file.
  std::string target = path;
  struct stat lst;
  if (::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) != nullptr) {
      target = resolved;
    } else {
      char link[PATH_MAX];
      const ssize_t n = ::readlink(path.c_str(), link, sizeof link - 1);
      if (n > 0) {
        link[n] = '\0';
        target = link[0] == '/' ? std::string(link) : DirectoryOf(path) + "/" + link;
      }
    }
  }

  struct stat st;
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists) {
    if (S_ISDIR(st.st_mode)) throw FileError("Cannot create file " + path);
    if (!S_ISREG(st.st_mode)) return WriteInPlace(target, bytes);
    // A file the operator made read-only stays protected, as it would be
    // for a program that opens the file itself for writing.
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
      throw FileError("Cannot create file " + path);
    }
  }

  // Mode 0666 lets the umask decide, as for any newly created file.
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = TempNameFor(target);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) throw FileError("Cannot create file " + path);

  if (exists) {
    // Keep the replaced file's owner (when we may) and permission bits.
    if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) {
      (void)::fchown(fd, st.st_uid, st.st_gid);
    }
    (void)::fchmod(fd, st.st_mode & 07777);
  }

  const bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed) {
    ::unlink(temp.c_str());
    throw FileError("Stream write error");
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    ::unlink(temp.c_str());
    throw FileError("Cannot create file " + path);
  }
  // Make the rename itself durable; the data is already safe either way.
  const int dirFd = ::open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    (void)::fsync(dirFd);
    ::close(dirFd);
  }
}

EditorFile LoadEditorFile(const std::string& path) {
  const std::string raw = ReadFileBytes(path);
  EditorFile file;
  file.text = NormalizeEditorText(DecodeFileBytes(CutAtNul(raw), &file.encoding));
  return file;
}

void SaveEditorFile(const std::string& path, std::string_view text, TextEncoding encoding) {
  // Encode first: an unencodable character must stop the save before the
  // disk is touched. Line ends are ASCII in every encoding we write.
  const std::string encoded = EncodeFileBytes(text, encoding, path);
  std::string bytes;
  bytes.reserve(encoded.size() + encoded.size() / 16);
  for (const char c : encoded) {
    if (c == '\n') bytes += '\r';
    bytes += c;
  }
  WriteFileAtomically(path, bytes);
}

ListFile LoadListFile(const std::string& path) {
  const std::string raw = ReadFileBytes(path);
  ListFile file;
  file.items = SplitListItems(DecodeFileBytes(CutAtNul(raw), &file.encoding));
  return file;
}

void SaveListFile(const std::string& path, const std::vector<std::string>& items,
                  TextEncoding encoding) {
  WriteFileAtomically(path, EncodeFileBytes(JoinListItems(items), encoding, path));
}

std::vector<std::string> EditorLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

}  // namespace stanzo
