// Fuzzes the dialog's load handler against a window menu in any state: a
// Close item or none, any state bits, any of its calls failing. The record
// always names the item by the identifier it really has, and the frame is
// redrawn once at most, only after the identifier moved.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "dialog/close_box.h"

namespace {

void Check(bool condition) {
  if (!condition) {
    std::abort();
  }
}

class FuzzedMenu final : public sorvane::WindowMenuApi {
 public:
  bool has_menu = true;
  std::optional<std::uint32_t> item_id;
  std::uint32_t item_state = 0;
  std::uint32_t failing_sets = 0;  // bit n: the n-th SetMenuItemInfoA fails
  bool failing_get = false;
  int sets = 0;
  int redraws = 0;
  int id_changes = 0;

  sorvane::MenuHandle GetSystemMenu(sorvane::WindowHandle, bool) override {
    return has_menu ? 7 : 0;
  }
  std::int32_t GetMenuItemInfoA(sorvane::MenuHandle menu, std::uint32_t item, bool,
                                sorvane::MenuItemRecord& record) override {
    if (menu != 7 || failing_get || !item_id || *item_id != item) {
      return 0;
    }
    record.fState = item_state;
    return 1;
  }
  std::int32_t SetMenuItemInfoA(sorvane::MenuHandle menu, std::uint32_t item, bool,
                                sorvane::MenuItemRecord& record) override {
    const int number = sets++;
    if (menu != 7 || !item_id || *item_id != item || ((failing_sets >> number) & 1) != 0) {
      return 0;
    }
    if ((record.fMask & sorvane::kMiimId) != 0) {
      item_id = record.wID;
      ++id_changes;
    }
    if ((record.fMask & sorvane::kMiimState) != 0) {
      item_state = record.fState;
    }
    return 1;
  }
  std::intptr_t SendMessageA(sorvane::WindowHandle, std::uint32_t message, std::uintptr_t,
                             std::intptr_t) override {
    Check(message == sorvane::kWmNcActivate);
    ++redraws;
    return 0;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 7) {
    return 0;
  }
  FuzzedMenu menu;
  menu.has_menu = (data[0] & 1) != 0;
  menu.failing_get = (data[0] & 2) != 0;
  if ((data[0] & 4) != 0) {
    menu.item_id = (data[0] & 8) != 0 ? sorvane::kScClose : sorvane::kAltCloseId;
  }
  menu.item_state = static_cast<std::uint32_t>(data[1] | (data[2] << 8) | (data[3] << 16) |
                                               (static_cast<std::uint32_t>(data[4]) << 24));
  menu.failing_sets = data[5];

  sorvane::CloseBox close_box(menu);
  close_box.Load([] { return sorvane::WindowHandle{42}; });

  Check(menu.sets <= 4);
  Check(menu.redraws <= 1);
  Check(menu.redraws == 0 || menu.id_changes >= 1);
  if (menu.item_id && menu.id_changes > 0) {
    Check(close_box.MenuInfo.wID == *menu.item_id);  // in step with the menu
  }
  Check(close_box.MenuInfo.cbSize == sorvane::kMenuItemRecordSize);
  return 0;
}
