#pragma once

// Takes the Close command away from the dialog's frame when it loads: the Close
// item of its window menu gets another identifier and is greyed, so the Close
// box and the menu item show as unavailable; the frame is then redrawn.

#include <cstdint>
#include <string>

#include "common/function_ref.h"

namespace sorvane {

using WindowHandle = std::uintptr_t;
using MenuHandle = std::uintptr_t;

// The MENUITEMINFO record in its 44-byte form (without hbmpItem), field for field.
struct MenuItemRecord {
  std::uint32_t cbSize = 0;
  std::uint32_t fMask = 0;
  std::uint32_t fType = 0;
  std::uint32_t fState = 0;
  std::uint32_t wID = 0;
  std::uintptr_t hSubMenu = 0;
  std::uintptr_t hbmpChecked = 0;
  std::uintptr_t hbmpUnchecked = 0;
  std::uintptr_t dwItemData = 0;
  std::string dwTypeData;  // ANSI text buffer handed to the platform
  std::uint32_t cch = 0;
};

// The window-menu functions of user32 (ANSI forms), as the logic needs them.
// The record is copied back after every call, whatever the result.
class WindowMenuApi {
 public:
  virtual ~WindowMenuApi() = default;
  virtual MenuHandle GetSystemMenu(WindowHandle window, bool revert) = 0;
  virtual std::int32_t GetMenuItemInfoA(MenuHandle menu, std::uint32_t item, bool by_position,
                                        MenuItemRecord& record) = 0;
  virtual std::int32_t SetMenuItemInfoA(MenuHandle menu, std::uint32_t item, bool by_position,
                                        MenuItemRecord& record) = 0;
  virtual std::intptr_t SendMessageA(WindowHandle window, std::uint32_t message,
                                     std::uintptr_t wparam, std::intptr_t lparam) = 0;
};

inline constexpr std::uint32_t kScClose = 0xF060;
inline constexpr std::uint32_t kAltCloseId = static_cast<std::uint32_t>(-10);
inline constexpr std::uint32_t kMiimState = 1;
inline constexpr std::uint32_t kMiimId = 2;
inline constexpr std::uint32_t kMfsGrayed = 3;
inline constexpr std::uint32_t kMfsChecked = 8;
inline constexpr std::uint32_t kWmNcActivate = 0x86;
inline constexpr std::uint32_t kMenuItemRecordSize = 44;
inline constexpr std::size_t kMenuTextLength = 80;

// The dialog's window-menu state: one per dialog instance, set up by Load.
class CloseBox {
 public:
  explicit CloseBox(WindowMenuApi& api) : api_(api) {}

  // The dialog's load handler. `window` gives the dialog's window handle and
  // throws when there is none; that error ends the handler at once.
  void Load(FunctionRef<WindowHandle()> window);

  // Action 1 moves the Close item between SC_CLOSE and AltCloseId by its grey
  // state; 2 resets it. Returns SetMenuItemInfoA's result.
  std::int32_t SwapCloseId(std::int32_t action);

  MenuHandle hSysMenu = 0;
  MenuItemRecord MenuInfo;

 private:
  WindowMenuApi& api_;
};

}  // namespace sorvane
