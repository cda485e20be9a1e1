#pragma once

// Move-only owners for the Win32 handles the product holds, one alias per kind.

#include <windows.h>

#include <memory>
#include <type_traits>

namespace sorvane {

// Closes a handle without losing the thread's last error: an owner that goes
// while a failure is being reported (ThrowLastError after a failed call) must
// not replace that failure's error with its own close's.
template <typename Handle, auto Close>
struct HandleCloser {
  void operator()(Handle handle) const noexcept {
    const DWORD error = ::GetLastError();
    Close(handle);
    ::SetLastError(error);
  }
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
