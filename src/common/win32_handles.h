#pragma once

// Move-only owners for the Win32 handles the product holds, one alias per kind.

#include <windows.h>

#include <memory>
#include <type_traits>

namespace sorvane {

template <typename Handle, auto Close>
struct HandleCloser {
  void operator()(Handle handle) const noexcept { Close(handle); }
};

template <typename Handle, auto Close>
using UniqueHandle = std::unique_ptr<std::remove_pointer_t<Handle>, HandleCloser<Handle, Close>>;

using UniqueWindow = UniqueHandle<HWND, &::DestroyWindow>;
using UniqueHook = UniqueHandle<HHOOK, &::UnhookWindowsHookEx>;
using UniqueIcon = UniqueHandle<HICON, &::DestroyIcon>;
using UniqueMenu = UniqueHandle<HMENU, &::DestroyMenu>;
using UniqueKey = UniqueHandle<HKEY, &::RegCloseKey>;
using UniqueBitmap = UniqueHandle<HBITMAP, &::DeleteObject>;

// A device context obtained with GetDC, given back with ReleaseDC.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
  ~WindowDc() {
    if (dc_ != nullptr) {
      ::ReleaseDC(window_, dc_);
    }
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const noexcept { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

}  // namespace sorvane
