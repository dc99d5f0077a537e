#pragma once
// Saves what the display shows as a 24-bit BMP file, for a person to look
// at: whether Chinese texts are drawn, not boxes.

#include <windows.h>

#include <string>

namespace e2e {

// The folder screenshots go to: $OSTREL_E2E_SCREENSHOTS, or the driver's own.
std::string ScreenshotFolder();

// Captures `window`'s screen rectangle (its frame, menu and all), or the
// whole screen when `window` is null. Returns the file's path.
std::string SaveScreenshot(const std::string& name, HWND window = nullptr);

}  // namespace e2e
