#include "common/win32_handles.h"

#include <gtest/gtest.h>

namespace sorvane {
namespace {

TEST(Win32Handles, EachOwnerClosesItsHandle) {
  HWND window = nullptr;
  HMENU menu = nullptr;
  {
    const UniqueWindow owned_window(::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1,
                                                      HWND_MESSAGE, nullptr, nullptr, nullptr));
    const UniqueMenu owned_menu(::CreatePopupMenu());
    window = owned_window.get();
    menu = owned_menu.get();
    ASSERT_NE(::IsWindow(window), FALSE);
    ASSERT_NE(::IsMenu(menu), FALSE);
  }
  EXPECT_EQ(::IsWindow(window), FALSE);
  EXPECT_EQ(::IsMenu(menu), FALSE);
}

// An owner that goes while a failure is reported keeps that failure's error:
// ThrowLastError after the failed call still says what failed.
TEST(Win32Handles, ClosingKeepsTheLastError) {
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Sorvane test handles", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  {
    const UniqueKey owned(key);
    ::SetLastError(ERROR_ACCESS_DENIED);
  }
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  {
    const UniqueWindow owned(::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, HWND_MESSAGE,
                                               nullptr, nullptr, nullptr));
    ::SetLastError(ERROR_FILE_NOT_FOUND);
  }
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Sorvane test handles");
  // A close that fails itself and says why: a window the system destroyed
  // with its owner, behind its owner object's back.
  {
    const HWND owner = ::CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED, 0, 0, 1, 1, nullptr,
                                         nullptr, nullptr, nullptr);
    const UniqueWindow owned(::CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED, 0, 0, 1, 1, owner,
                                               nullptr, nullptr, nullptr));
    ASSERT_NE(owned, nullptr);
    ::DestroyWindow(owner);  // takes the owned window with it
    ASSERT_EQ(::IsWindow(owned.get()), FALSE);
    ::SetLastError(ERROR_PATH_NOT_FOUND);
  }
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND))
      << "not the failed close's own error";
}

TEST(Win32Handles, ScreenDeviceContextIsGivenBack) {
  const WindowDc screen(nullptr);
  ASSERT_NE(screen.get(), nullptr);
  EXPECT_GT(::GetDeviceCaps(screen.get(), LOGPIXELSX), 0);
}

}  // namespace
}  // namespace sorvane
