#include "text/line_file.h"

#include <cstdint>
#include <string>

#include "base/utf8.h"
#include "platform/codepage.h"

namespace stanzo {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

std::string_view CutAtNul(std::string_view raw) {
  const size_t nul = raw.find('\0');
  return nul == std::string_view::npos ? raw : raw.substr(0, nul);
}

// ---------------------------------------------------------------------------
// UTF-16 with a byte-order mark, as Windows editors save "Unicode" text.

bool HasUtf16Bom(std::string_view raw, bool* bigEndian) {
  if (raw.size() < 2) return false;
  const auto b0 = static_cast<unsigned char>(raw[0]);
  const auto b1 = static_cast<unsigned char>(raw[1]);
  *bigEndian = b0 == 0xFE && b1 == 0xFF;
  return *bigEndian || (b0 == 0xFF && b1 == 0xFE);
}

// Decodes the units after the byte-order mark; false when they are not
// well-formed UTF-16 (an odd length, a lone surrogate), with *out left
// empty for the 8-bit reading that follows.
bool DecodeUtf16Units(std::string_view raw, bool bigEndian, std::string* out) {
  if (raw.size() % 2 != 0) return false;
  const auto unit = [&](size_t i) -> char32_t {
    const auto hi = static_cast<unsigned char>(raw[i + (bigEndian ? 0 : 1)]);
    const auto lo = static_cast<unsigned char>(raw[i + (bigEndian ? 1 : 0)]);
    return static_cast<char32_t>(hi << 8 | lo);
  };
  out->reserve(raw.size());
  for (size_t i = 2; i < raw.size(); i += 2) {
    char32_t cp = unit(i);
    if (cp >= 0xDC00 && cp <= 0xDFFF) return false;
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      if (i + 2 >= raw.size()) return false;
      const char32_t low = unit(i + 2);
      if (low < 0xDC00 || low > 0xDFFF) return false;
      cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    AppendUtf8(*out, cp);
  }
  return true;
}

bool DecodeUtf16(std::string_view raw, bool bigEndian, std::string* out) {
  if (!DecodeUtf16Units(raw, bigEndian, out)) {
    out->clear();
    return false;
  }
  return true;
}

void AppendUtf16Unit(std::string& out, char32_t unit, bool bigEndian) {
  const char hi = static_cast<char>(unit >> 8);
  const char lo = static_cast<char>(unit & 0xFF);
  out += bigEndian ? hi : lo;
  out += bigEndian ? lo : hi;
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

std::string DecodeFileBytes(std::string_view raw, TextEncoding* encoding,
                            platform::CodePage& codePage) {
  TextEncoding found;
  std::string text;
  bool bigEndian = false;
  if (HasUtf16Bom(raw, &bigEndian) && DecodeUtf16(raw, bigEndian, &text)) {
    found = bigEndian ? TextEncoding::Utf16Be : TextEncoding::Utf16Le;
  } else if (raw.substr(0, kBom.size()) == kBom && IsValidUtf8(raw.substr(kBom.size()))) {
    found = TextEncoding::Utf8Bom;
    text.assign(raw.substr(kBom.size()));
  } else if (IsValidUtf8(raw)) {
    found = TextEncoding::Utf8;
    text.assign(raw);
  } else {
    found = TextEncoding::Ansi;
    text = codePage.ToUtf8(raw);
  }
  if (encoding != nullptr) *encoding = found;
  return text;
}

// A NUL byte of an 8-bit file ends it before decoding, so that the bytes
// after it cannot change how the rest is read; in UTF-16 a NUL byte is
// half of most characters, so there the decoded NUL character ends it.
std::string DecodeFileText(std::string_view raw, TextEncoding* encoding, bool* cut,
                           platform::CodePage& codePage) {
  bool bigEndian = false;
  std::string text;
  if (HasUtf16Bom(raw, &bigEndian) && DecodeUtf16(raw, bigEndian, &text)) {
    *encoding = bigEndian ? TextEncoding::Utf16Be : TextEncoding::Utf16Le;
  } else {
    const std::string_view before = CutAtNul(raw);
    *cut = before.size() != raw.size();
    return DecodeFileBytes(before, encoding, codePage);
  }
  const size_t nul = text.find('\0');
  *cut = nul != std::string::npos;
  if (*cut) text.resize(nul);
  return text;
}

std::string EncodeFileBytes(std::string_view utf8, TextEncoding encoding, const std::string& path,
                            platform::CodePage& codePage) {
  switch (encoding) {
    case TextEncoding::Utf8:
      return std::string(utf8);
    case TextEncoding::Utf8Bom:
      return std::string(kBom) + std::string(utf8);
    case TextEncoding::Ansi: {
      std::string out;
      if (!codePage.FromUtf8(utf8, &out)) {
        const std::string why =
            IsValidUtf8(utf8)
                ? "the text holds characters that cannot be stored in " + codePage.Name()
                : std::string("the text is not valid UTF-8");
        throw FileError("Cannot save " + path + ": " + why);
      }
      return out;
    }
    case TextEncoding::Utf16Le:
    case TextEncoding::Utf16Be:
      break;
  }
  const bool bigEndian = encoding == TextEncoding::Utf16Be;
  std::string out;
  out.reserve(2 * utf8.size() + 2);
  AppendUtf16Unit(out, 0xFEFF, bigEndian);
  char32_t cp;
  for (size_t i = 0; i < utf8.size();) {
    const size_t n = DecodeUtf8At(utf8, i, &cp);
    if (n == 0) {
      throw FileError("Cannot save " + path + ": the text is not valid UTF-8");
    }
    i += n;
    if (cp >= 0x10000) {
      AppendUtf16Unit(out, 0xD800 + ((cp - 0x10000) >> 10), bigEndian);
      AppendUtf16Unit(out, 0xDC00 + ((cp - 0x10000) & 0x3FF), bigEndian);
    } else {
      AppendUtf16Unit(out, cp, bigEndian);
    }
  }
  return out;
}

std::string ReadFileBytes(const std::string& path, Files& files) {
  std::string bytes;
  if (files.Read(path, &bytes) != platform::FileResult::Ok) {
    throw FileError("Cannot open file " + path);
  }
  return bytes;
}

void WriteFileAtomically(const std::string& path, std::string_view bytes, Files& files) {
  switch (files.Replace(path, bytes)) {
    case platform::FileResult::Ok:
      return;
    case platform::FileResult::WriteFailed:
      throw FileError("Stream write error");
    default:
      throw FileError("Cannot create file " + path);
  }
}

EditorFile LoadEditorFile(const std::string& path, const platform::Env& env) {
  const std::string raw = ReadFileBytes(path, env.files);
  EditorFile file;
  file.text =
      NormalizeEditorText(DecodeFileText(raw, &file.encoding, &file.cutAtNul, env.codePage));
  return file;
}

void SaveEditorFile(const std::string& path, std::string_view text, TextEncoding encoding,
                    const platform::Env& env) {
  std::string crlf;
  crlf.reserve(text.size() + text.size() / 16);
  for (const char c : text) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  // Encode first: an unencodable character must stop the save before the
  // disk is touched.
  WriteFileAtomically(path, EncodeFileBytes(crlf, encoding, path, env.codePage), env.files);
}

ListFile LoadListFile(const std::string& path, const platform::Env& env) {
  const std::string raw = ReadFileBytes(path, env.files);
  ListFile file;
  bool cut = false;
  file.items = SplitListItems(DecodeFileText(raw, &file.encoding, &cut, env.codePage));
  return file;
}

void SaveListFile(const std::string& path, const std::vector<std::string>& items,
                  TextEncoding encoding, const platform::Env& env) {
  WriteFileAtomically(path, EncodeFileBytes(JoinListItems(items), encoding, path, env.codePage),
                      env.files);
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
