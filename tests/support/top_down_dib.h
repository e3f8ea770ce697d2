// A bitmap header for the Windows tests' reads and drawings: rows top to bottom, with room for
// the two colours of a one-bit image.
#pragma once

#include <windows.h>

namespace zendrel::test {

struct TopDownDib {
  BITMAPINFOHEADER header;
  RGBQUAD colours[2];

  TopDownDib(int width, int height, int bitCount) : header(), colours() {
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = -height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bitCount);
    header.biCompression = BI_RGB;
  }
  BITMAPINFO* info() { return reinterpret_cast<BITMAPINFO*>(this); }
};

}  // namespace zendrel::test
