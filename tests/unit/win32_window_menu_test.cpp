#include "dialog/win32_window_menu.h"

#include <gtest/gtest.h>

#include "common/win32_handles.h"

namespace sorvane {
namespace {

// The binding against a real window menu: the record crosses in the size
// the platform takes on each architecture, and every field comes back.
class WindowMenuTest : public testing::Test {
 protected:
  void SetUp() override {
    window_.reset(::CreateWindowExW(0, L"STATIC", L"menu", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0,
                                    100, 100, nullptr, nullptr, nullptr, nullptr));
    ASSERT_NE(window_, nullptr);
    menu_ = api_.GetSystemMenu(reinterpret_cast<WindowHandle>(window_.get()), false);
    ASSERT_NE(menu_, MenuHandle{0});
  }
  // The record as the dialog's load handler fills it: 44 bytes, 80 NULs.
  static MenuItemRecord Record(std::uint32_t mask) {
    MenuItemRecord record;
    record.cbSize = kMenuItemRecordSize;
    record.fMask = mask;
    record.dwTypeData.assign(kMenuTextLength, '\0');
    record.cch = kMenuTextLength;
    return record;
  }

  UniqueWindow window_;
  Win32WindowMenu api_;
  MenuHandle menu_ = 0;
};

TEST_F(WindowMenuTest, ReadsAndChangesTheCloseItem) {
  MenuItemRecord record = Record(kMiimState | kMiimId);
  ASSERT_NE(api_.GetMenuItemInfoA(menu_, kScClose, false, record), 0);
  EXPECT_EQ(record.wID, kScClose) << "copied back";
  EXPECT_EQ(record.fState & kMfsGrayed, 0U);
  EXPECT_EQ(record.cbSize, kMenuItemRecordSize)
      << "the record keeps its own size, whatever size the platform took";
  EXPECT_EQ(record.dwTypeData.size(), kMenuTextLength);

  record.fMask = kMiimId;
  record.wID = kAltCloseId;
  ASSERT_NE(api_.SetMenuItemInfoA(menu_, kScClose, false, record), 0);
  MENUITEMINFOW moved{};
  moved.cbSize = sizeof moved;
  moved.fMask = MIIM_ID;
  EXPECT_NE(::GetMenuItemInfoW(reinterpret_cast<HMENU>(menu_), kAltCloseId, FALSE, &moved), FALSE);

  MenuItemRecord gone = Record(kMiimState);
  EXPECT_EQ(api_.GetMenuItemInfoA(menu_, kScClose, false, gone), 0) << "no such item any more";
  EXPECT_EQ(gone.fState, 0U);
}

TEST_F(WindowMenuTest, SendsTheMessageAndGivesItsResult) {
  EXPECT_EQ(api_.SendMessageA(reinterpret_cast<WindowHandle>(window_.get()), kWmNcActivate,
                              static_cast<std::uintptr_t>(-1), 0),
            TRUE);
}

}  // namespace
}  // namespace sorvane
