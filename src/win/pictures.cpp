#include "win/pictures.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "console/window_rules.h"
#include "resources/back.xpm"
#include "resources/icon.xpm"
#include "resources/open.xpm"
#include "resources/save.xpm"

namespace stanzo::win {
namespace {

constexpr DWORD kTransparent = 0xFF000000;  // no 0x00RRGGBB colour has this bit
constexpr DWORD kLightGrey = 0xC0C0C0;      // the design's transparent colour

struct Image {
  int width = 0, height = 0;
  std::vector<DWORD> pixels;  // rows of 0x00RRGGBB, or kTransparent
};

// Reads an XPM image with one or two characters per pixel and "c #RRGGBB"
// or "c None" colours. The pictures' light grey is transparent as well.
Image ReadXpm(const char* const* xpm) {
  Image img;
  int colours = 0, perPixel = 0;
  if (std::sscanf(xpm[0], "%d %d %d %d", &img.width, &img.height, &colours, &perPixel) != 4 ||
      perPixel < 1 || perPixel > 2)
    return {};
  std::unordered_map<std::string, DWORD> palette;
  for (int i = 1; i <= colours; ++i) {
    const char* c = std::strstr(xpm[i] + perPixel, "c ");
    unsigned rgb = 0;
    const bool solid = c && std::sscanf(c, "c #%6x", &rgb) == 1 && rgb != kLightGrey;
    palette[std::string(xpm[i], perPixel)] = solid ? rgb : kTransparent;
  }
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x) {
      auto it = palette.find(std::string(xpm[1 + colours + y] + x * perPixel, perPixel));
      img.pixels.push_back(it == palette.end() ? kTransparent : it->second);
    }
  return img;
}

const Image& PictureImage(Picture picture) {
  static const Image open = ReadXpm(open_xpm), save = ReadXpm(save_xpm), back = ReadXpm(back_xpm),
                     none;
  return picture == Picture::Open   ? open
         : picture == Picture::Save ? save
         : picture == Picture::Back ? back
                                    : none;
}

COLORREF Ref(DWORD rgb) {
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

}  // namespace

SIZE PictureSize(Picture picture) {
  const Image& img = PictureImage(picture);
  return {img.width, img.height};
}

void DrawPicture(HDC dc, int x, int y, Picture picture, bool enabled) {
  const Image& img = PictureImage(picture);
  auto each = [&](auto&& draw) {
    for (int py = 0; py < img.height; ++py)
      for (int px = 0; px < img.width; ++px) {
        const DWORD p = img.pixels[static_cast<size_t>(py * img.width + px)];
        if (p != kTransparent) draw(px, py, p);
      }
  };
  if (enabled) {
    each([&](int px, int py, DWORD p) { SetPixelV(dc, x + px, y + py, Ref(p)); });
    return;
  }
  // The etching rule is the core's, over the picture as 0xAARRGGBB words.
  std::vector<uint32_t> argb;
  argb.reserve(img.pixels.size());
  for (DWORD px : img.pixels) argb.push_back(px == kTransparent ? 0 : 0xFF000000 | px);
  const auto word = [](COLORREF c) {
    return 0xFF000000u | static_cast<uint32_t>(GetRValue(c)) << 16 |
           static_cast<uint32_t>(GetGValue(c)) << 8 | GetBValue(c);
  };
  const std::vector<uint32_t> etched =
      EtchedPicture(argb, img.width, img.height, word(GetSysColor(COLOR_BTNSHADOW)),
                    word(GetSysColor(COLOR_BTNHIGHLIGHT)));
  for (int py = 0; py < img.height; ++py)
    for (int px = 0; px < img.width; ++px) {
      const uint32_t p = etched[static_cast<size_t>(py * img.width + px)];
      if (p) SetPixelV(dc, x + px, y + py, Ref(p & 0xFFFFFF));
    }
}

HICON ConsoleIcon() {
  const Image img = ReadXpm(icon_xpm);
  if (img.pixels.empty()) return nullptr;
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = img.width;
  bi.bmiHeader.biHeight = -img.height;  // top-down rows, as the XPM lists them
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP colour = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!colour || !bits) return nullptr;
  // The mask: 1 where the icon is transparent, rows padded to 16 bits.
  const int stride = (img.width + 15) / 16 * 2;
  std::vector<BYTE> mask(static_cast<size_t>(stride * img.height), 0);
  auto* out = static_cast<DWORD*>(bits);
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x) {
      const DWORD p = img.pixels[static_cast<size_t>(y * img.width + x)];
      out[y * img.width + x] = p == kTransparent ? 0 : p;
      if (p == kTransparent) mask[static_cast<size_t>(y * stride + x / 8)] |= 0x80 >> (x % 8);
    }
  HBITMAP monochrome = CreateBitmap(img.width, img.height, 1, 1, mask.data());
  ICONINFO ii = {TRUE, 0, 0, monochrome, colour};
  HICON icon = monochrome ? CreateIconIndirect(&ii) : nullptr;
  DeleteObject(colour);
  if (monochrome) DeleteObject(monochrome);
  return icon;
}

}  // namespace stanzo::win
