#include "win32_screenshot.h"

#include <cstdio>
#include <memory>

#include "common/hresult.h"
#include "common/win32_handles.h"
#include "common/win32_text.h"

namespace sorvane::standin {

std::u16string WindowsPath(std::u16string path) {
  if (!path.empty() && path.front() == u'/') {
    for (char16_t& c : path) {
      c = c == u'/' ? u'\\' : c;
    }
    path.insert(0, u"Z:");
  }
  return path;
}

void SaveScreenshot(HWND window, const std::u16string& path, HWND also) {
  // Paint whatever is pending first: commands may come faster than paint messages.
  ::RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME | RDW_ERASE);

  // Wine paints into a window surface and copies it to the display a moment
  // later; let that happen before reading the screen.
  for (int i = 0; i < 10; ++i) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE) != FALSE) {
      ::DispatchMessageW(&msg);
    }
    ::Sleep(20);
  }
  RECT rect{};
  ::GetWindowRect(window, &rect);
  RECT other{};
  if (also != nullptr && ::GetWindowRect(also, &other) != FALSE) {
    ::UnionRect(&rect, &rect, &other);
  }
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  const WindowDc screen(nullptr);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const UniqueBitmap bitmap(
      ::CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (bitmap == nullptr) {
    ThrowLastError();
  }
  const HDC memory = ::CreateCompatibleDC(screen.get());
  const HGDIOBJ previous = ::SelectObject(memory, bitmap.get());
  ::BitBlt(memory, 0, 0, width, height, screen.get(), rect.left, rect.top, SRCCOPY);
  if (also != nullptr) {
    // Copied from the window's own pixels, where the system's z-order puts
    // it: on top. (Wine's X11 driver, in its virtual desktop, leaves a window
    // shown without activation, as the drop-down list is, below the dialog
    // on the display.)
    const HDC own = ::GetWindowDC(also);
    ::BitBlt(memory, other.left - rect.left, other.top - rect.top, other.right - other.left,
             other.bottom - other.top, own, 0, 0, SRCCOPY);
    ::ReleaseDC(also, own);
  }
  ::GdiFlush();
  ::SelectObject(memory, previous);
  ::DeleteDC(memory);

  const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
  const DWORD image_size = stride * static_cast<DWORD>(height);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  file.bfSize = file.bfOffBits + image_size;
  const std::unique_ptr<FILE, decltype(&std::fclose)> out(_wfopen(ToWide(path).c_str(), L"wb"),
                                                          &std::fclose);
  if (out == nullptr) {
    throw HResultError(HRESULT_FROM_WIN32(ERROR_CANNOT_MAKE));
  }
  std::fwrite(&file, sizeof file, 1, out.get());
  std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out.get());
  std::fwrite(bits, 1, image_size, out.get());
}

}  // namespace sorvane::standin
