#include "dialog/win32_window_menu.h"

#include <windows.h>

#include <cstddef>
#include <vector>

namespace sorvane {

namespace {

// The record size handed to the platform: the record without hbmpItem where
// the platform accepts that (i686), the full record where it does not.
constexpr UINT kPlatformRecordSize = sizeof(void*) == 4
                                         ? static_cast<UINT>(offsetof(MENUITEMINFOA, hbmpItem))
                                         : static_cast<UINT>(sizeof(MENUITEMINFOA));
static_assert(sizeof(void*) != 4 || kPlatformRecordSize == kMenuItemRecordSize);

HWND ToHwnd(WindowHandle window) {
  return reinterpret_cast<HWND>(window);
}
HMENU ToHmenu(MenuHandle menu) {
  return reinterpret_cast<HMENU>(menu);
}

// Calls `call` with the record in its ANSI platform form (the text as a
// zero-filled byte buffer) and copies every field back afterwards.
template <typename Call>
std::int32_t WithPlatformRecord(MenuItemRecord& record, Call call) {
  std::vector<char> text(record.dwTypeData.begin(), record.dwTypeData.end());
  text.push_back('\0');
  MENUITEMINFOA info{};
  info.cbSize = kPlatformRecordSize;
  info.fMask = record.fMask;
  info.fType = record.fType;
  info.fState = record.fState;
  info.wID = record.wID;
  info.hSubMenu = reinterpret_cast<HMENU>(record.hSubMenu);
  info.hbmpChecked = reinterpret_cast<HBITMAP>(record.hbmpChecked);
  info.hbmpUnchecked = reinterpret_cast<HBITMAP>(record.hbmpUnchecked);
  info.dwItemData = record.dwItemData;
  info.dwTypeData = text.data();
  info.cch = record.cch;
  const std::int32_t result = call(info);
  record.fMask = info.fMask;
  record.fType = info.fType;
  record.fState = info.fState;
  record.wID = info.wID;
  record.hSubMenu = reinterpret_cast<std::uintptr_t>(info.hSubMenu);
  record.hbmpChecked = reinterpret_cast<std::uintptr_t>(info.hbmpChecked);
  record.hbmpUnchecked = reinterpret_cast<std::uintptr_t>(info.hbmpUnchecked);
  record.dwItemData = info.dwItemData;
  record.dwTypeData.assign(text.data(), record.dwTypeData.size());
  record.cch = info.cch;
  return result;
}

}  // namespace

MenuHandle Win32WindowMenu::GetSystemMenu(WindowHandle window, bool revert) {
  return reinterpret_cast<MenuHandle>(::GetSystemMenu(ToHwnd(window), revert ? TRUE : FALSE));
}

std::int32_t Win32WindowMenu::GetMenuItemInfoA(MenuHandle menu, std::uint32_t item,
                                               bool by_position, MenuItemRecord& record) {
  return WithPlatformRecord(record, [&](MENUITEMINFOA& info) {
    return ::GetMenuItemInfoA(ToHmenu(menu), item, by_position ? TRUE : FALSE, &info);
  });
}

std::int32_t Win32WindowMenu::SetMenuItemInfoA(MenuHandle menu, std::uint32_t item,
                                               bool by_position, MenuItemRecord& record) {
  return WithPlatformRecord(record, [&](MENUITEMINFOA& info) {
    return ::SetMenuItemInfoA(ToHmenu(menu), item, by_position ? TRUE : FALSE, &info);
  });
}

std::intptr_t Win32WindowMenu::SendMessageA(WindowHandle window, std::uint32_t message,
                                            std::uintptr_t wparam, std::intptr_t lparam) {
  return ::SendMessageA(ToHwnd(window), message, wparam, lparam);
}

}  // namespace sorvane
