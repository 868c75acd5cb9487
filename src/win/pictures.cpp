#include "win/pictures.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "app/resources/back.xpm"
#include "app/resources/open.xpm"
#include "app/resources/save.xpm"

namespace stanzo::win {
namespace {

// Reads an XPM image with one character per pixel and "c #RRGGBB" or
// "c None" colours into rows of 0x00RRGGBB, None as `transparent`.
std::vector<DWORD> ReadXpm(const char* const* xpm, int* width, int* height, DWORD transparent) {
  int colours = 0, perPixel = 0;
  if (std::sscanf(xpm[0], "%d %d %d %d", width, height, &colours, &perPixel) != 4 || perPixel != 1)
    return {};
  DWORD palette[256] = {};
  for (int i = 1; i <= colours; ++i) {
    const unsigned char key = static_cast<unsigned char>(xpm[i][0]);
    const char* c = std::strstr(xpm[i] + 1, "c ");
    unsigned rgb = 0;
    palette[key] = c && std::sscanf(c, "c #%6x", &rgb) == 1 ? rgb : transparent;
  }
  std::vector<DWORD> pixels;
  for (int y = 0; y < *height; ++y)
    for (int x = 0; x < *width; ++x)
      pixels.push_back(palette[static_cast<unsigned char>(xpm[1 + colours + y][x])]);
  return pixels;
}

}  // namespace

HBITMAP PictureBitmap(Picture picture, COLORREF face) {
  const char* const* xpm = picture == Picture::Open   ? open_xpm
                           : picture == Picture::Save ? save_xpm
                           : picture == Picture::Back ? back_xpm
                                                      : nullptr;
  if (!xpm) return nullptr;
  int w = 0, h = 0;
  const DWORD faceRgb = (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face);
  const std::vector<DWORD> pixels = ReadXpm(xpm, &w, &h, faceRgb);
  if (pixels.empty()) return nullptr;
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;  // top-down rows, as the XPM lists them
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap && bits) std::memcpy(bits, pixels.data(), pixels.size() * sizeof(DWORD));
  return bitmap;
}

}  // namespace stanzo::win
