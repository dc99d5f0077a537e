#include "Screenshot.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace e2e {

std::string ScreenshotFolder() {
  const char* folder = std::getenv("OSTREL_E2E_SCREENSHOTS");
  if (folder != nullptr && *folder != '\0') {
    ::CreateDirectoryA(folder, nullptr);
    return folder;
  }
  char own[MAX_PATH * 2] = {};
  ::GetModuleFileNameA(nullptr, own, sizeof own);
  std::string path(own);
  return path.substr(0, path.find_last_of("\\/"));
}

std::string SaveScreenshot(const std::string& name, HWND window) {
  RECT area{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  if (window != nullptr) ::GetWindowRect(window, &area);
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;

  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as BMP files store it
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY | CAPTUREBLT);
  ::GdiFlush();

  const DWORD stride = ((width * 3) + 3) & ~3u;
  const DWORD imageBytes = stride * height;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  file.bfSize = file.bfOffBits + imageBytes;
  std::string path = ScreenshotFolder() + "\\" + name + ".bmp";
  FILE* out = std::fopen(path.c_str(), "wb");
  bool written = out != nullptr && std::fwrite(&file, sizeof file, 1, out) == 1 &&
                 std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
                 std::fwrite(bits, imageBytes, 1, out) == 1;
  if (out != nullptr) std::fclose(out);

  ::SelectObject(memory, previous);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  if (!written) throw std::runtime_error("cannot write " + path);
  return path;
}

}  // namespace e2e
