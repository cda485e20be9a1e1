#include "dialog/close_box.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/hresult.h"

namespace sorvane {
namespace {

constexpr WindowHandle kWindow = 0x1234;
constexpr MenuHandle kMenu = 0x5678;

std::string Hex(std::uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

// A window menu with one Close item. Records every call; fails the
// SetMenuItemInfoA calls whose 1-based numbers are in `failing_sets`.
class FakeWindowMenu final : public WindowMenuApi {
 public:
  struct Item {
    std::uint32_t id;
    std::uint32_t state;
  };
  bool has_menu = true;
  std::optional<Item> close_item = Item{kScClose, 0};
  std::set<int> failing_sets;
  std::vector<std::string> calls;

  MenuHandle GetSystemMenu(WindowHandle window, bool revert) override {
    calls.push_back("GetSystemMenu " + Hex(window) + (revert ? " revert" : ""));
    return has_menu ? kMenu : 0;
  }
  std::int32_t GetMenuItemInfoA(MenuHandle menu, std::uint32_t item, bool by_position,
                                MenuItemRecord& record) override {
    CheckRecord(record, by_position);
    calls.push_back("Get " + Hex(item) + " mask=" + Hex(record.fMask));
    Item* found = Find(menu, item);
    if (found == nullptr) {
      return 0;
    }
    if ((record.fMask & kMiimState) != 0) {
      record.fState = found->state;
    }
    return 1;
  }
  std::int32_t SetMenuItemInfoA(MenuHandle menu, std::uint32_t item, bool by_position,
                                MenuItemRecord& record) override {
    CheckRecord(record, by_position);
    const int number = ++set_calls_;
    calls.push_back("Set " + Hex(item) +
                    ((record.fMask & kMiimId) != 0 ? " id=" + Hex(record.wID)
                                                   : " state=" + Hex(record.fState)));
    Item* found = Find(menu, item);
    if (found == nullptr || failing_sets.contains(number)) {
      return 0;
    }
    if ((record.fMask & kMiimId) != 0) {
      found->id = record.wID;
    }
    if ((record.fMask & kMiimState) != 0) {
      found->state = record.fState;
    }
    return 7;  // any nonzero status is success, and must come back unchanged
  }
  std::intptr_t SendMessageA(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                             std::intptr_t lparam) override {
    calls.push_back("Send " + Hex(window) + " " + Hex(message) + " " +
                    std::to_string(static_cast<std::intptr_t>(wparam)) + " " +
                    std::to_string(lparam));
    return 0;
  }

 private:
  Item* Find(MenuHandle menu, std::uint32_t item) {
    if (menu != kMenu || !has_menu || !close_item || close_item->id != item) {
      return nullptr;
    }
    return &*close_item;
  }
  static void CheckRecord(const MenuItemRecord& record, bool by_position) {
    EXPECT_FALSE(by_position) << "items are addressed by command";
    EXPECT_EQ(record.cbSize, 44U);
    EXPECT_EQ(record.cch, 80U);
    EXPECT_EQ(record.dwTypeData, std::string(80, '\0'));
    EXPECT_EQ(record.fType, 0U);
    EXPECT_EQ(record.hSubMenu, 0U);
  }
  int set_calls_ = 0;
};

struct LoadCase {
  const char* name;
  std::optional<std::uint32_t> initial_state;  // none: the menu has no Close item
  std::set<int> failing_sets;
  std::vector<std::string> calls;
  std::uint32_t final_id;
  std::uint32_t final_state;
};
void PrintTo(const LoadCase& c, std::ostream* os) {
  *os << c.name;
}

class CloseBoxLoad : public testing::TestWithParam<LoadCase> {};

TEST_P(CloseBoxLoad, CallsAndOutcome) {
  const LoadCase& c = GetParam();
  FakeWindowMenu menu;
  if (c.initial_state) {
    menu.close_item = FakeWindowMenu::Item{kScClose, *c.initial_state};
  } else {
    menu.close_item.reset();
  }
  menu.failing_sets = c.failing_sets;
  CloseBox close_box(menu);
  close_box.Load([] { return kWindow; });

  std::vector<std::string> expected{"GetSystemMenu 0x1234"};
  expected.insert(expected.end(), c.calls.begin(), c.calls.end());
  EXPECT_EQ(menu.calls, expected);
  EXPECT_EQ(close_box.hSysMenu, kMenu);
  // The record names the item by the identifier it really has.
  EXPECT_EQ(close_box.MenuInfo.wID, c.final_id);
  if (menu.close_item) {
    EXPECT_EQ(menu.close_item->id, c.final_id);
    EXPECT_EQ(menu.close_item->state, c.final_state);
  }
}

constexpr const char* kRedraw = "Send 0x1234 0x86 -1 0";

INSTANTIATE_TEST_SUITE_P(
    Sequences, CloseBoxLoad,
    testing::Values(
        LoadCase{"FreshItem",
                 0x0,
                 {},
                 {"Get 0xF060 mask=0x1", "Set 0xF060 id=0xFFFFFFF6", "Set 0xFFFFFFF6 state=0x3",
                  kRedraw, "Set 0xFFFFFFF6 state=0xB"},
                 kAltCloseId,
                 0xB},
        LoadCase{"AlreadyGreyedIsEnabledAgain",
                 0x3,
                 {},
                 {"Get 0xF060 mask=0x1", "Set 0xF060 id=0xF060", "Set 0xF060 state=0x0", kRedraw,
                  "Set 0xF060 state=0x8"},
                 kScClose,
                 0x8},
        LoadCase{"OneGreyBitCountsAsEnabled",
                 0x1,
                 {},
                 {"Get 0xF060 mask=0x1", "Set 0xF060 id=0xFFFFFFF6", "Set 0xFFFFFFF6 state=0x3",
                  kRedraw, "Set 0xFFFFFFF6 state=0xB"},
                 kAltCloseId,
                 0xB},
        LoadCase{"OtherGreyBitCountsAsEnabled",
                 0x2,
                 {},
                 {"Get 0xF060 mask=0x1", "Set 0xF060 id=0xFFFFFFF6", "Set 0xFFFFFFF6 state=0x3",
                  kRedraw, "Set 0xFFFFFFF6 state=0xB"},
                 kAltCloseId,
                 0xB},
        LoadCase{"CheckedItemIsUnchecked",
                 0x8,
                 {},
                 {"Get 0xF060 mask=0x1", "Set 0xF060 id=0xFFFFFFF6", "Set 0xFFFFFFF6 state=0xB",
                  kRedraw, "Set 0xFFFFFFF6 state=0x3"},
                 kAltCloseId,
                 0x3},
        LoadCase{"IdentifierChangeFails",
                 0x0,
                 {1},
                 {"Get 0xF060 mask=0x1", "Set 0xF060 id=0xFFFFFFF6", "Set 0xF060 state=0x8"},
                 kScClose,
                 0x8},
        LoadCase{"StateChangeFailsKeepsAltId",
                 0x0,
                 {2},
                 {"Get 0xF060 mask=0x1", "Set 0xF060 id=0xFFFFFFF6", "Set 0xFFFFFFF6 state=0x3",
                  "Set 0xFFFFFFF6 id=0xFFFFFFF6", kRedraw, "Set 0xFFFFFFF6 state=0xB"},
                 kAltCloseId,
                 0xB},
        LoadCase{"NoCloseItem",
                 std::nullopt,
                 {},
                 {"Get 0xF060 mask=0x1", "Set 0xF060 id=0xFFFFFFF6", "Set 0xF060 state=0x8"},
                 kScClose,
                 0}),
    [](const testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.name); });

TEST(CloseBox, WithoutWindowMenuEveryCallFailsQuietly) {
  FakeWindowMenu menu;
  menu.has_menu = false;
  CloseBox close_box(menu);
  close_box.Load([] { return kWindow; });
  EXPECT_EQ(close_box.hSysMenu, 0U);
  EXPECT_EQ(close_box.MenuInfo.wID, kScClose);
  EXPECT_EQ(close_box.MenuInfo.fState, kMfsChecked);  // read as 0, then flipped
  EXPECT_EQ(menu.calls.size(), 4U);                   // no redraw
}

TEST(CloseBox, MissingWindowEndsTheLoadBeforeAnyMenuCall) {
  FakeWindowMenu menu;
  CloseBox close_box(menu);
  EXPECT_THROW(close_box.Load([]() -> WindowHandle { throw HResultError(kEUnexpected); }),
               HResultError);
  EXPECT_TRUE(menu.calls.empty());
}

TEST(CloseBox, SwapCloseIdReturnsThePlatformStatus) {
  FakeWindowMenu menu;
  CloseBox close_box(menu);
  close_box.hSysMenu = kMenu;
  close_box.MenuInfo.cbSize = 44;
  close_box.MenuInfo.cch = 80;
  close_box.MenuInfo.dwTypeData.assign(80, '\0');
  close_box.MenuInfo.wID = kScClose;
  EXPECT_EQ(close_box.SwapCloseId(1), 7);
  EXPECT_EQ(close_box.MenuInfo.wID, kAltCloseId);
  menu.failing_sets = {2};
  close_box.MenuInfo.fState = kMfsGrayed;  // greyed, action 1: back to SC_CLOSE, but refused
  EXPECT_EQ(close_box.SwapCloseId(1), 0);
  EXPECT_EQ(close_box.MenuInfo.wID, kAltCloseId);
  EXPECT_EQ(menu.close_item->id, kAltCloseId);
}

}  // namespace
}  // namespace sorvane
