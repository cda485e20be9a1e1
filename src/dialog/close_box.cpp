#include "dialog/close_box.h"

namespace sorvane {

namespace {
bool Greyed(std::uint32_t state) {
  return (state & kMfsGrayed) == kMfsGrayed;
}
}  // namespace

std::int32_t CloseBox::SwapCloseId(std::int32_t action) {
  const std::uint32_t old_id = MenuInfo.wID;
  MenuInfo.wID = (Greyed(MenuInfo.fState) == (action == 1)) ? kScClose : kAltCloseId;
  MenuInfo.fMask = kMiimId;
  const std::int32_t result = api_.SetMenuItemInfoA(hSysMenu, old_id, false, MenuInfo);
  if (result == 0) {
    MenuInfo.wID = old_id;  // keep the record in step with the menu
  }
  return result;
}

void CloseBox::Load(FunctionRef<WindowHandle()> window) {
  hSysMenu = api_.GetSystemMenu(window(), false);
  MenuInfo.cbSize = kMenuItemRecordSize;
  MenuInfo.dwTypeData.assign(kMenuTextLength, '\0');
  MenuInfo.cch = kMenuTextLength;

  MenuInfo.fMask = kMiimState;
  MenuInfo.wID = kScClose;
  api_.GetMenuItemInfoA(hSysMenu, kScClose, false, MenuInfo);

  if (SwapCloseId(1) != 0) {
    MenuInfo.fState =
        Greyed(MenuInfo.fState) ? (MenuInfo.fState & ~kMfsGrayed) : (MenuInfo.fState | kMfsGrayed);
    MenuInfo.fMask = kMiimState;
    if (api_.SetMenuItemInfoA(hSysMenu, MenuInfo.wID, false, MenuInfo) == 0) {
      SwapCloseId(2);
    }
    // wParam -1: redraw the frame as active, showing the Close box as the menu now stands.
    api_.SendMessageA(window(), kWmNcActivate, static_cast<std::uintptr_t>(-1), 0);
  }

  MenuInfo.fState ^= kMfsChecked;
  MenuInfo.fMask = kMiimState;
  api_.SetMenuItemInfoA(hSysMenu, MenuInfo.wID, false, MenuInfo);
}

}  // namespace sorvane
