#pragma once

#include "dialog/close_box.h"

namespace sorvane {

// The window-menu functions of user32. The record goes to the platform in its
// 44-byte form on i686; x86_64 refuses that size, so it gets the full record.
class Win32WindowMenu final : public WindowMenuApi {
 public:
  MenuHandle GetSystemMenu(WindowHandle window, bool revert) override;
  std::int32_t GetMenuItemInfoA(MenuHandle menu, std::uint32_t item, bool by_position,
                                MenuItemRecord& record) override;
  std::int32_t SetMenuItemInfoA(MenuHandle menu, std::uint32_t item, bool by_position,
                                MenuItemRecord& record) override;
  std::intptr_t SendMessageA(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                             std::intptr_t lparam) override;
};

}  // namespace sorvane
