#pragma once

// UTF-16 text crosses between std::u16string (the product's own) and the wide
// Win32 functions, where wchar_t is the same 16-bit code unit.

#include <windows.h>

#include <string>
#include <string_view>

#include "common/hresult.h"

namespace sorvane {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

inline std::wstring ToWide(std::u16string_view text) {
  return {text.begin(), text.end()};
}
inline std::u16string FromWide(std::wstring_view text) {
  return {text.begin(), text.end()};
}
// The text itself, as the wide functions take it (no copy: the product keeps
// its texts as std::u16string only).
inline const wchar_t* Wide(const std::u16string& text) noexcept {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

// The text of a window, whatever its length.
std::u16string WindowText(HWND window);

// The system's description of a status, without trailing line breaks; the
// status in hexadecimal when the system has none.
std::u16string DescribeHResult(HResult status);

// The status of the calling thread's last Win32 error, E_FAIL when there is none.
HResult LastErrorHResult();

// Throws the last Win32 error as HResultError.
[[noreturn]] void ThrowLastError();

}  // namespace sorvane
