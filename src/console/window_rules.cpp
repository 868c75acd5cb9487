#include "console/window_rules.h"

namespace stanzo {

bool CameraChoiceCounts(int selected, int clicked, int count) {
  return clicked >= 0 && clicked < count && clicked != selected;
}

std::vector<Rect> CameraRows(int width, int height, int captionHeight, int count, double scale) {
  std::vector<Rect> rows;
  if (count <= 0) return rows;
  auto scaled = [scale](int v) { return static_cast<int>(v * scale + 0.5); };
  const int left = scaled(8), right = scaled(4), bottom = scaled(4);
  const int usable = height - captionHeight - bottom;
  for (int i = 0; i < count; ++i) {
    const int y = captionHeight + usable * i / count;
    const int h = usable * (i + 1) / count - usable * i / count;
    rows.push_back({left, y, width - left - right, h});
  }
  return rows;
}

size_t Utf8Length(std::u16string_view text, size_t i, size_t* units) {
  const char16_t c = text[i];
  *units = 1;
  if (c < 0x80) return 1;
  if (c < 0x800) return 2;
  if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
      text[i + 1] <= 0xDFFF) {
    *units = 2;
    return 4;
  }
  return 3;  // unpaired surrogates become U+FFFD, also 3 bytes
}

namespace {

// The UTF-16 units and UTF-8 bytes of the unit at text[i].
size_t Unit(std::u16string_view text, size_t i, bool crlf, size_t* units) {
  if (crlf && text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
    *units = 2;
    return 1;
  }
  return Utf8Length(text, i, units);
}

}  // namespace

size_t Utf8Offset(std::u16string_view text, size_t index, bool crlf) {
  size_t bytes = 0;
  for (size_t i = 0; i < text.size() && i < index;) {
    size_t units = 1;
    const size_t n = Unit(text, i, crlf, &units);
    if (i + units > index) break;
    bytes += n;
    i += units;
  }
  return bytes;
}

size_t Utf16Index(std::u16string_view text, size_t offset, bool crlf) {
  size_t bytes = 0, i = 0;
  while (i < text.size()) {
    size_t units = 1;
    const size_t n = Unit(text, i, crlf, &units);
    if (bytes + n > offset) break;
    bytes += n;
    i += units;
  }
  return i;
}

std::vector<uint32_t> EtchedPicture(std::span<const uint32_t> pixels, int width, int height,
                                    uint32_t shadow, uint32_t highlight) {
  std::vector<uint32_t> out(pixels.size(), 0);
  if (width <= 0 || height <= 0 || pixels.size() < static_cast<size_t>(width) * height) return out;
  auto at = [width](int x, int y) { return static_cast<size_t>(y) * width + x; };
  auto dark = [&](int x, int y) {
    const uint32_t p = pixels[at(x, y)];
    const uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    return (p >> 24) >= 128 && (r * 11 + g * 16 + b * 5) / 32 < 128;
  };
  // Highlight first, so that a shadow pixel laid on top of it wins.
  for (int y = 0; y + 1 < height; ++y)
    for (int x = 0; x + 1 < width; ++x)
      if (dark(x, y)) out[at(x + 1, y + 1)] = highlight;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (dark(x, y)) out[at(x, y)] = shadow;
  return out;
}

}  // namespace stanzo
