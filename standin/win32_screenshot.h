#pragma once

// Pictures of the stand-in host's windows, as they show on the screen.

#include <windows.h>

#include <string>

namespace sorvane::standin {

// Writes the window, frame included, to a 24-bit BMP at `path` (a Windows
// path); with `also`, the picture takes in that window too (a drop-down
// shown over and below it).
void SaveScreenshot(HWND window, const std::u16string& path, HWND also = nullptr);

// A Unix path ("/tmp/x.bmp") as Wine sees it ("Z:\tmp\x.bmp"); others unchanged.
std::u16string WindowsPath(std::u16string path);

}  // namespace sorvane::standin
