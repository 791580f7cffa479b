#include "guilib/platform/win32/gdi_win32.h"

#include <cstring>

#include "guilib/platform/win32/ms32_win32.h"

namespace gfx {

void free_gdi(gdi& g) {
  if (g.memory) {
    if (g.old) SelectObject(g.memory, g.old);
    DeleteDC(g.memory);
  }
  if (g.dib) DeleteObject(g.dib);
  g = {};
}

bool make_gdi(gdi& g, int32_t width, int32_t height) {
  if (g.dib && g.width == width && g.height == height) return true;
  free_gdi(g);
  if (width <= 0 || height <= 0) return false;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;  // top-down, as the toolkit's rows are
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  g.memory = CreateCompatibleDC(nullptr);
  g.dib = g.memory ? CreateDIBSection(g.memory, &bi, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
  if (!g.dib) {
    wnd::report_platform_error(GetLastError(), "gfx::gdi");
    free_gdi(g);
    return false;
  }
  g.bits = static_cast<uint32_t*>(bits);
  g.old = static_cast<HBITMAP>(SelectObject(g.memory, g.dib));
  g.width = width;
  g.height = height;
  return true;
}

bool present_gdi(HWND hwnd, gdi& g, const gfx::surface& s, const gui::rect& r0) {
  const gui::bitmap& px = s.pixels;
  if (!make_gdi(g, px.width(), px.height())) return false;
  const gui::rect r = gui::intersection(r0, {0, 0, px.width(), px.height()});
  if (r.empty()) return true;
  GdiFlush();  // GDI may still be reading the DIB
  for (int32_t y = r.y1; y < r.y2; ++y)
    std::memcpy(g.bits + size_t(y) * size_t(g.width) + size_t(r.x1), &px.pixels[size_t(y) * size_t(px.width()) + size_t(r.x1)],
                size_t(r.width()) * 4);
  HDC dc = GetDC(hwnd);
  // The inclusive rectangle x1..x2 - 1: width x2 - x1, height y2 - y1.
  const BOOL ok = dc && BitBlt(dc, r.x1, r.y1, r.width(), r.height(), g.memory, r.x1, r.y1, SRCCOPY);
  if (dc) ReleaseDC(hwnd, dc);
  if (!ok) wnd::report_platform_error(GetLastError(), "gfx::gdi");
  return ok != 0;
}

bool present_layered(HWND hwnd, gdi& g, gfx::surface& s) {
  const gui::bitmap& px = s.pixels;
  if (!make_gdi(g, px.width(), px.height())) return false;
  premultiply_for_layered(px, s.premultiplied);
  GdiFlush();
  std::memcpy(g.bits, s.premultiplied.pixels.data(), s.premultiplied.pixels.size() * 4);
  RECT wr;
  GetWindowRect(hwnd, &wr);
  POINT at{wr.left, wr.top}, from{0, 0};
  SIZE size{px.width(), px.height()};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  HDC screen = GetDC(nullptr);
  const BOOL ok = UpdateLayeredWindow(hwnd, screen, &at, &size, g.memory, &from, 0, &blend, ULW_ALPHA);
  ReleaseDC(nullptr, screen);
  if (!ok) wnd::report_platform_error(GetLastError(), "gfx::gdi");
  return ok != 0;
}

}  // namespace gfx
