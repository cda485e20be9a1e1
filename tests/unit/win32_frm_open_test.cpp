// The real dialog under Wine, driven by window messages through a message loop
// that, like the host's, never calls IsDialogMessage.

#include "dialog/win32_frm_open.h"

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlguid.h>

#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/win32_text.h"
#include "dialog/frm_open_ids.h"
#include "dialog/recent_web.h"
#include "fake_registry.h"
#include "model/command_bar_model.h"
#include "support/model_host.h"
#include "support/win32_dialog_driver.h"
#include "support/win32_ole.h"

namespace sorvane {
namespace {

using namespace testing_support;  // NOLINT(google-build-using-namespace)
using standin::ClassOf;

// The dialog's own controls by their identifiers: these tests are the dialog's.
HWND Item(HWND dialog, int id) {
  return ::GetDlgItem(dialog, id);
}

// The stand-in's command bars and an in-memory registry; `at_execute` looks at
// the dialog as the host executes the recent web, just before the Open ends.
class TestServices final : public OpenServices {
 public:
  TestServices()
      : state_([this](int n) {
          return n == 1 ? GetRegString(registry_, kHkeyCurrentUser, kRecentWebListKey, u"Web1")
                        : std::nullopt;
        }) {
    state_.faults().set_observer([this](std::string_view operation) {
      if (operation == "CommandBarControl.Execute" && at_execute) {
        at_execute();
      }
    });
  }
  std::shared_ptr<host::Application> HostApp() override {
    if (host_app_ == nullptr) {
      host_app_ = host_.NewApplication();
    }
    return host_app_;
  }
  RegistryApi& Registry() override { return registry_; }
  const std::vector<standin::OpenedWeb>& opened() const { return model_.opened(); }
  // The host's File Name MRU "Value", as earlier Opens left it.
  void StoreMru(const std::string& text) {
    const std::string path(kFileNameMruKey.begin(), kFileNameMruKey.end());
    registry_.keys[FakeRegistry::Lower(path)]["Value"] = {1, text};
  }

  std::function<void()> at_execute;

 private:
  FakeRegistry registry_;
  standin::HostState state_;
  standin::Model& model_ = state_.model();
  testing_support::ModelHost host_{state_};
  std::shared_ptr<host::Application> host_app_;
};

class FrmOpenTest : public testing::Test {
 protected:
  void TearDown() override {
    UnloadOpenForm();
    OpenFormInstance().reset();
    Pump();
    EXPECT_EQ(FindDialog(), nullptr) << "a dialog outlived its test";
  }

  HWND Show() {
    ShowOpenForm(services_);
    Pump();
    const HWND dialog = FindDialog();
    EXPECT_NE(dialog, nullptr);
    return dialog;
  }
  TestServices services_;
};

struct Twips {
  int left, top, width, height;
};

// `actual` in pixels against `expected` in twips, each edge within one pixel.
void ExpectTwips(const RECT& actual, const Twips& expected, const char* what) {
  const WindowDc screen(nullptr);
  const int dpi_x = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
  const int dpi_y = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
  const double left = expected.left * dpi_x / 1440.0;
  const double top = expected.top * dpi_y / 1440.0;
  const double right = (expected.left + expected.width) * dpi_x / 1440.0;
  const double bottom = (expected.top + expected.height) * dpi_y / 1440.0;
  EXPECT_NEAR(actual.left, left, 1.0) << what;
  EXPECT_NEAR(actual.top, top, 1.0) << what;
  EXPECT_NEAR(actual.right, right, 1.0) << what;
  EXPECT_NEAR(actual.bottom, bottom, 1.0) << what;
}

RECT ClientRectOf(HWND control, HWND dialog) {
  RECT rect{};
  ::GetWindowRect(control, &rect);
  ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// The window-menu item with that command identifier, if there is one.
std::optional<MENUITEMINFOW> MenuItem(HWND dialog, UINT id) {
  MENUITEMINFOW item{};
  item.cbSize = sizeof item;
  item.fMask = MIIM_STATE | MIIM_ID;
  if (::GetMenuItemInfoW(::GetSystemMenu(dialog, FALSE), id, FALSE, &item) == FALSE) {
    return std::nullopt;
  }
  return item;
}

TEST_F(FrmOpenTest, WindowIsAFixedModelessDialog) {
  const HWND dialog = Show();
  EXPECT_EQ(WindowText(dialog), u"Open Web");
  const auto style = static_cast<DWORD>(::GetWindowLongPtrW(dialog, GWL_STYLE));
  EXPECT_EQ(style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
  EXPECT_NE(style & WS_SYSMENU, 0U);
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0U);
  EXPECT_NE(::GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME, 0);
  EXPECT_NE(::IsWindowVisible(dialog), FALSE);
  RECT client{};
  ::GetClientRect(dialog, &client);
  ExpectTwips(client, {0, 0, 4650, 2535}, "client area");
  // Modeless: the call above returned with the dialog shown.
  EXPECT_NE(::IsWindowEnabled(dialog), FALSE);
}

struct ControlCase {
  int id;
  const wchar_t* window_class;
  LONG kind;  // the style bits that make the control what it is
  LONG kind_mask;
  const char16_t* text;
  Twips twips;  // in the dialog's client area
};

TEST_F(FrmOpenTest, ControlsKindsTextsAndPlaces) {
  const HWND dialog = Show();
  const ControlCase controls[] = {
      {IDC_CMDCANCEL, L"Button", BS_PUSHBUTTON, BS_TYPEMASK, u"Cancel", {3660, 2040, 900, 375}},
      {IDC_CMDOPEN, L"Button", BS_DEFPUSHBUTTON, BS_TYPEMASK, u"&Open", {2610, 2040, 900, 375}},
      {IDC_FRAME1, L"Button", BS_GROUPBOX, BS_TYPEMASK, u"", {60, 150, 4530, 1605}},
      {IDC_TXTWEBURL, L"Edit", 0, ES_MULTILINE, u"", {375, 840, 3855, 285}},
      {IDC_LBLSPECIFY,
       L"Static",
       SS_NOPREFIX,
       SS_NOPREFIX,
       u"Please specify URL or disk location:",
       {375, 555, 2655, 255}},
  };
  const auto dialog_font = ::SendMessageW(dialog, WM_GETFONT, 0, 0);
  ASSERT_NE(dialog_font, 0);
  LOGFONTW face{};
  ::GetObjectW(reinterpret_cast<HFONT>(dialog_font), sizeof face, &face);
  EXPECT_STREQ(face.lfFaceName, L"MS Sans Serif");
  for (const ControlCase& c : controls) {
    const HWND control = Item(dialog, c.id);
    ASSERT_NE(control, nullptr) << c.id;
    EXPECT_EQ(ClassOf(control), c.window_class) << c.id;
    EXPECT_EQ(::GetWindowLongPtrW(control, GWL_STYLE) & c.kind_mask, c.kind) << c.id;
    EXPECT_EQ(WindowText(control), c.text) << c.id;
    EXPECT_NE(::IsWindowVisible(control), FALSE) << c.id;
    EXPECT_NE(::IsWindowEnabled(control), FALSE) << c.id;
    EXPECT_EQ(::SendMessageW(control, WM_GETFONT, 0, 0), dialog_font) << c.id;
    ExpectTwips(ClientRectOf(control, dialog), c.twips, "control");
  }
  // The text box takes any length.
  EXPECT_GE(::SendMessageW(Item(dialog, IDC_TXTWEBURL), EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFE);
}

// The screen's DPI: the layout in twips scales with it. SORVANE_EXPECT_DPI
// names the DPI the run was set up for (at_dpi.py sets the prefix's).
TEST_F(FrmOpenTest, LayoutScalesWithTheScreensDpi) {
  const char* expected = std::getenv("SORVANE_EXPECT_DPI");
  const int expected_dpi = expected != nullptr ? std::atoi(expected) : 96;
  const WindowDc screen(nullptr);
  ASSERT_EQ(::GetDeviceCaps(screen.get(), LOGPIXELSY), expected_dpi)
      << "the run is not at the DPI it was set up for";
  const HWND dialog = Show();
  RECT client{};
  ::GetClientRect(dialog, &client);
  // Each control inside the client area, and the label's text inside the label.
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    const RECT place = ClientRectOf(child, dialog);
    EXPECT_GE(place.left, client.left) << ::GetDlgCtrlID(child);
    EXPECT_GE(place.top, client.top) << ::GetDlgCtrlID(child);
    EXPECT_LE(place.right, client.right) << ::GetDlgCtrlID(child);
    EXPECT_LE(place.bottom, client.bottom) << ::GetDlgCtrlID(child);
  }
  // The dialog's font is 8 points at this DPI, so the text grows with the boxes.
  LOGFONTW face{};
  ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof face,
               &face);
  EXPECT_NEAR(std::abs(face.lfHeight), ::MulDiv(8, expected_dpi, 72), 1);
  const HWND label = Item(dialog, IDC_LBLSPECIFY);
  const WindowDc dc(label);
  auto* const old_font =
      ::SelectObject(dc.get(), reinterpret_cast<HGDIOBJ>(::SendMessageW(label, WM_GETFONT, 0, 0)));
  const std::wstring text = L"Please specify URL or disk location:";
  SIZE extent{};
  ::GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent);
  ::SelectObject(dc.get(), old_font);
  RECT label_client{};
  ::GetClientRect(label, &label_client);
  EXPECT_LE(extent.cx, label_client.right) << "the label's text is cut off";
  EXPECT_LE(extent.cy, label_client.bottom) << "the label's text is cut off";
}

// Made in the module's own activation context: comctl32 6's controls, so the
// dialog is drawn themed in a host without a manifest; outside it, windows
// are as before.
TEST_F(FrmOpenTest, ControlsComeFromCommonControlsSix) {
  const HWND dialog = Show();
  EXPECT_TRUE(FromCommonControlsSix(Item(dialog, IDC_CMDOPEN)));
  EXPECT_TRUE(FromCommonControlsSix(Item(dialog, IDC_CMDCANCEL)));
  const HWND plain =
      ::CreateWindowW(L"Button", L"x", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
  EXPECT_FALSE(FromCommonControlsSix(plain)) << "the context is active only around the dialog";
  ::DestroyWindow(plain);
}

// High contrast: the dialog paints its controls with the system's colours, as
// a plain dialog does; no colour of its own that a scheme could not change.
TEST_F(FrmOpenTest, PaintsWithTheSystemsColoursOnly) {
  const HWND dialog = Show();
  const HWND plain =
      ::CreateWindowW(L"#32770", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  struct Case {
    const char* what;
    UINT message;
    int control;
  };
  const Case cases[] = {
      {"dialog", WM_CTLCOLORDLG, 0},
      {"label", WM_CTLCOLORSTATIC, IDC_LBLSPECIFY},
      {"text box", WM_CTLCOLOREDIT, IDC_TXTWEBURL},
      {"button", WM_CTLCOLORBTN, IDC_CMDOPEN},
      {"frame", WM_CTLCOLORSTATIC, IDC_FRAME1},
  };
  const WindowDc dc(dialog);
  for (const Case& c : cases) {
    const HWND control = c.control == 0 ? dialog : Item(dialog, c.control);
    const COLORREF text_before = ::GetTextColor(dc.get());
    const auto ours = ::SendMessageW(dialog, c.message, reinterpret_cast<WPARAM>(dc.get()),
                                     reinterpret_cast<LPARAM>(control));
    EXPECT_EQ(::GetTextColor(dc.get()), text_before) << c.what << ": a text colour of its own";
    const auto system = ::SendMessageW(plain, c.message, reinterpret_cast<WPARAM>(dc.get()),
                                       reinterpret_cast<LPARAM>(control));
    EXPECT_EQ(ours, system) << c.what << ": the brush a plain dialog gives";
  }
  ::DestroyWindow(plain);
}

// Whether windows here remember a hidden focus or access-key state at all.
bool PlatformKeepsUiState() {
  const HWND probe =
      ::CreateWindowW(L"#32770", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ::SendMessageW(probe, WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
  const bool kept = (::SendMessageW(probe, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0;
  ::DestroyWindow(probe);
  return kept;
}

// Keyboard users see where the focus is and which letters are access keys:
// once the dialog is used from the keyboard (Tab, or Alt), its focus
// rectangles and underlines show, as the dialog manager shows them, though
// the host's loop never calls IsDialogMessage.
TEST_F(FrmOpenTest, KeyboardUseShowsFocusAndAccessKeys) {
  if (!PlatformKeepsUiState()) {
    GTEST_SKIP() << "this system keeps no UI state (Wine 8.0 answers WM_QUERYUISTATE with 0 "
                    "whatever WM_CHANGEUISTATE said): focus and access keys always show";
  }
  const HWND dialog = Show();
  const auto hidden = [dialog] {
    return static_cast<UINT>(::SendMessageW(Item(dialog, IDC_CMDOPEN), WM_QUERYUISTATE, 0, 0));
  };
  struct Case {
    const char* what;
    UINT key;
    bool alt;
    UINT shown;  // the UISF_ flags the key must clear
  };
  const Case cases[] = {
      {"Tab", VK_TAB, false, UISF_HIDEFOCUS | UISF_HIDEACCEL},
      {"Alt", VK_MENU, true, UISF_HIDEACCEL},
  };
  for (const Case& c : cases) {
    // As after a mouse click: both hidden.
    ::SendMessageW(dialog, WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS | UISF_HIDEACCEL),
                   0);
    Pump();
    ASSERT_EQ(hidden() & (UISF_HIDEFOCUS | UISF_HIDEACCEL),
              static_cast<UINT>(UISF_HIDEFOCUS | UISF_HIDEACCEL))
        << c.what;
    if (c.alt) {
      PostAltKey(Item(dialog, IDC_TXTWEBURL), c.key);
    } else {
      PostKey(Item(dialog, IDC_TXTWEBURL), c.key);
    }
    EXPECT_EQ(hidden() & c.shown, 0U) << c.what << " shows them";
  }
  EXPECT_NE(FindDialog(), nullptr);
}

TEST_F(FrmOpenTest, TabOrderDefaultAndCancel) {
  const HWND dialog = Show();
  const HWND text = Item(dialog, IDC_TXTWEBURL);
  const HWND open = Item(dialog, IDC_CMDOPEN);
  const HWND cancel = Item(dialog, IDC_CMDCANCEL);
  EXPECT_EQ(::GetFocus(), text) << "the text box has the focus when first shown";
  EXPECT_EQ(LOWORD(::SendMessageW(dialog, DM_GETDEFID, 0, 0)), IDC_CMDOPEN);
  EXPECT_EQ(IDC_CMDCANCEL, IDCANCEL);
  // Tab, delivered through the loop, walks text box, "&Open", "Cancel" and round.
  const HWND expected[] = {open, cancel, text, open};
  for (const HWND next : expected) {
    PostKey(::GetFocus(), VK_TAB);
    EXPECT_EQ(::GetFocus(), next);
  }
}

struct ToolTipSearch {
  HWND dialog;
  HWND tooltip;
};
BOOL CALLBACK FindToolTip(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<ToolTipSearch*>(param);
  if (ClassOf(window) == TOOLTIPS_CLASSW && ::GetWindow(window, GW_OWNER) == search->dialog) {
    search->tooltip = window;
  }
  return TRUE;
}

TEST_F(FrmOpenTest, ToolTipOnTheTextBox) {
  const HWND dialog = Show();
  ToolTipSearch found{dialog, nullptr};
  ::EnumThreadWindows(::GetCurrentThreadId(), &FindToolTip, reinterpret_cast<LPARAM>(&found));
  ASSERT_NE(found.tooltip, nullptr);
  ASSERT_EQ(::SendMessageW(found.tooltip, TTM_GETTOOLCOUNT, 0, 0), 1);
  wchar_t text[256] = {};
  TTTOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.lpszText = text;
  ASSERT_NE(::SendMessageW(found.tooltip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool)), 0);
  EXPECT_EQ(reinterpret_cast<HWND>(tool.uId), Item(dialog, IDC_TXTWEBURL));
  tool.lpszText = text;
  ::SendMessageW(found.tooltip, TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&tool));
  EXPECT_STREQ(text, L"Enter the URL or disk path to the web you would like to open.");
}

TEST_F(FrmOpenTest, IconIs32By32With256Colours) {
  const HWND dialog = Show();
  auto* const icon = reinterpret_cast<HICON>(::SendMessageW(dialog, WM_GETICON, ICON_BIG, 0));
  ASSERT_NE(icon, nullptr);
  ICONINFO info{};
  ASSERT_NE(::GetIconInfo(icon, &info), FALSE);
  BITMAP colour{};
  ::GetObjectW(info.hbmColor, sizeof colour, &colour);
  EXPECT_EQ(colour.bmWidth, 32);
  EXPECT_EQ(colour.bmHeight, 32);
  ::DeleteObject(info.hbmColor);
  ::DeleteObject(info.hbmMask);
  // The image stored with the dialog: 32 x 32 at 8 bits per pixel.
  const HMODULE module = ::GetModuleHandleW(nullptr);
  const HRSRC group = ::FindResourceW(module, MAKEINTRESOURCEW(IDI_SORVANE), RT_GROUP_ICON);
  ASSERT_NE(group, nullptr);
  const auto* bytes = static_cast<const BYTE*>(::LockResource(::LoadResource(module, group)));
  ASSERT_EQ(bytes[4] | (bytes[5] << 8), 1) << "one image";
  const BYTE* entry = bytes + 6;  // width, height, colours, reserved, planes, bit count
  EXPECT_EQ(entry[0], 32);
  EXPECT_EQ(entry[1], 32);
  EXPECT_EQ(entry[6] | (entry[7] << 8), 8);
}

TEST_F(FrmOpenTest, EnterOpensFromTheTextBoxAndTheDialogGoes) {
  const HWND dialog = Show();
  Type(dialog, L"myserver/sales");
  std::u16string text_at_unload;
  services_.at_execute = [&] { text_at_unload = WindowText(Item(dialog, IDC_TXTWEBURL)); };
  PostKey(Item(dialog, IDC_TXTWEBURL), VK_RETURN);
  ASSERT_EQ(services_.opened().size(), 1U);
  EXPECT_EQ(services_.opened()[0].server, u"http://myserver");
  EXPECT_EQ(services_.opened()[0].web, u"sales");
  EXPECT_EQ(text_at_unload, u"http://myserver/sales");
  EXPECT_EQ(::IsWindow(dialog), FALSE);
  EXPECT_EQ(OpenFormInstance(), nullptr);
}

TEST_F(FrmOpenTest, AltOOpensFromAnyControl) {
  const HWND dialog = Show();
  Type(dialog, L"http://a/b");
  ::SetFocus(Item(dialog, IDC_CMDCANCEL));
  PostAltKey(Item(dialog, IDC_CMDCANCEL), 'O');
  ASSERT_EQ(services_.opened().size(), 1U);
  EXPECT_EQ(services_.opened()[0].web, u"b");
}

TEST_F(FrmOpenTest, EscAndEnterOnCancelCloseTheDialog) {
  for (const bool enter_on_cancel : {false, true}) {
    const HWND dialog = Show();
    Type(dialog, L"typed");
    if (enter_on_cancel) {
      PostKey(::GetFocus(), VK_TAB);
      PostKey(::GetFocus(), VK_TAB);
      ASSERT_EQ(::GetFocus(), Item(dialog, IDC_CMDCANCEL));
      PostKey(::GetFocus(), VK_RETURN);
    } else {
      PostKey(Item(dialog, IDC_TXTWEBURL), VK_ESCAPE);
    }
    EXPECT_EQ(FindDialog(), nullptr) << enter_on_cancel;
    EXPECT_EQ(OpenFormInstance(), nullptr) << enter_on_cancel;
    EXPECT_TRUE(services_.opened().empty());
  }
}

TEST_F(FrmOpenTest, SecondShowKeepsTheInstanceAndItsText) {
  const HWND dialog = Show();
  const FrmOpen* instance = OpenFormInstance().get();
  Type(dialog, L"half typed");
  EXPECT_EQ(Show(), dialog);
  EXPECT_EQ(OpenFormInstance().get(), instance);
  EXPECT_EQ(WindowText(Item(dialog, IDC_TXTWEBURL)), u"half typed");
  // The load handler ran once: a second run would have enabled Close again.
  const auto item = MenuItem(dialog, kAltCloseId);
  ASSERT_TRUE(item);
  EXPECT_EQ(item->fState & MFS_GRAYED, static_cast<UINT>(MFS_GRAYED));
}

TEST_F(FrmOpenTest, CancelUnloadsAndTheNextShowStartsFresh) {
  HWND dialog = Show();
  Type(dialog, L"typed");
  ::SendMessageW(Item(dialog, IDC_CMDCANCEL), BM_CLICK, 0, 0);
  Pump();
  EXPECT_EQ(::IsWindow(dialog), FALSE);
  EXPECT_EQ(OpenFormInstance(), nullptr);

  dialog = Show();
  EXPECT_EQ(WindowText(Item(dialog, IDC_TXTWEBURL)), u"");
  EXPECT_EQ(OpenFormInstance()->MousePointer(), kDefaultPointer);
}

TEST_F(FrmOpenTest, HourglassOverDialogAndControlsWhileOpening) {
  HWND dialog = Show();
  const HCURSOR wait = ::LoadCursorW(nullptr, IDC_WAIT);
  const auto pointer_over = [&](HWND window) {
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    ::SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return ::GetCursor();
  };
  EXPECT_NE(pointer_over(Item(dialog, IDC_TXTWEBURL)), wait);
  Type(dialog, L"myserver");
  // Looked at while the Open runs: the host has opened the web, the dialog is still there.
  bool looked = false;
  services_.at_execute = [&] {
    looked = true;
    EXPECT_EQ(OpenFormInstance()->MousePointer(), kHourglassPointer);
    for (const int id : {IDC_TXTWEBURL, IDC_CMDOPEN, IDC_LBLSPECIFY, IDC_FRAME1}) {
      EXPECT_EQ(pointer_over(Item(dialog, id)), wait) << id;
    }
    EXPECT_EQ(pointer_over(dialog), wait);
  };
  ::SendMessageW(Item(dialog, IDC_CMDOPEN), BM_CLICK, 0, 0);
  EXPECT_TRUE(looked);
  dialog = Show();
  EXPECT_EQ(OpenFormInstance()->MousePointer(), kDefaultPointer);
  EXPECT_NE(pointer_over(dialog), wait) << "a new dialog has the default pointer";
}

TEST_F(FrmOpenTest, CloseItemIsMovedGreyedAndChecked) {
  const HWND dialog = Show();
  EXPECT_FALSE(MenuItem(dialog, SC_CLOSE));
  const auto item = MenuItem(dialog, kAltCloseId);
  ASSERT_TRUE(item);
  EXPECT_EQ(item->wID, 0xFFFFFFF6U);
  EXPECT_EQ(item->fState & (MFS_GRAYED | MFS_CHECKED), static_cast<UINT>(MFS_GRAYED | MFS_CHECKED));
}

TEST_F(FrmOpenTest, FailedOpenKeepsTheDialogAndSaysWhy) {
  const HWND dialog = Show();
  // A host of 32761 characters followed by "/" leaves the 16-bit range.
  std::wstring typed(32761, L'h');
  typed += L"/web";
  Type(dialog, typed);
  MessageBoxWatcher watcher;
  PostKey(Item(dialog, IDC_TXTWEBURL), VK_RETURN);
  ASSERT_EQ(watcher.texts.size(), 1U);
  EXPECT_EQ(watcher.owners[0], dialog);
  EXPECT_EQ(watcher.texts[0].rfind(u"The web could not be opened.\n\n", 0), 0U);
  EXPECT_GT(watcher.texts[0].size(), 31U) << "with the system's description";
  EXPECT_TRUE(services_.opened().empty());
  EXPECT_EQ(FindDialog(), dialog);
  EXPECT_EQ(OpenFormInstance()->MousePointer(), kDefaultPointer);
  EXPECT_EQ(WindowText(Item(dialog, IDC_TXTWEBURL)), u"http://" + FromWide(typed));
}

TEST_F(FrmOpenTest, ForeignCloseUnloadsButKeepsTheSharedInstance) {
  const HWND dialog = Show();
  const FrmOpen* instance = OpenFormInstance().get();
  Type(dialog, L"typed");
  ::SendMessageW(dialog, WM_CLOSE, 0, 0);
  Pump();
  EXPECT_EQ(::IsWindow(dialog), FALSE);
  ASSERT_EQ(OpenFormInstance().get(), instance);
  EXPECT_FALSE(instance->Loaded());
  const HWND again = Show();
  EXPECT_EQ(OpenFormInstance().get(), instance);
  EXPECT_EQ(WindowText(Item(again, IDC_TXTWEBURL)), u"");
  EXPECT_TRUE(MenuItem(again, kAltCloseId)) << "the load handler ran again";
}

// The host's thread has COM, and with it the system's auto-complete object.
class FrmOpenSuggestionTest : public FrmOpenTest {
 protected:
  OleApartment apartment_;
};

// Only this test's "Value" below: repeats, a run of blanks, another scheme.
constexpr char kEarlierValue[] =
    "http://srv/b http://srv/a  http://srv/b http://other/x ftp://f/y ";

TEST_F(FrmOpenSuggestionTest, OffersEachAddressTypedBeforeOnceAsTheTextBegins) {
  services_.StoreMru(kEarlierValue);
  const HWND dialog = Show();
  EXPECT_EQ(ShownSuggestions(dialog), 0) << "nothing before the first key";
  KeyIn(TextBoxOf(dialog), L"h");
  ASSERT_EQ(ShownSuggestions(dialog), 3);
  EXPECT_EQ(TextOf(dialog), u"h") << "the text stays as typed";
  // Down walks the list; each suggestion in turn goes into the text box.
  std::set<std::u16string> walked;
  for (int i = 0; i < 3; ++i) {
    PostKey(TextBoxOf(dialog), VK_DOWN);
    walked.insert(TextOf(dialog));
  }
  EXPECT_EQ(walked,
            (std::set<std::u16string>{u"http://srv/b", u"http://srv/a", u"http://other/x"}));
  Type(dialog, L"");
  KeyIn(TextBoxOf(dialog), L"ftp");
  EXPECT_EQ(ShownSuggestions(dialog), 1);
  KeyIn(TextBoxOf(dialog), L"x");
  EXPECT_EQ(ShownSuggestions(dialog), 0) << "no address begins so";
}

// With the list dropped down, Enter and Esc are the list's first; the next
// one is the dialog's, as always.
struct DroppedDownKey {
  const char* name;
  UINT key;
  bool opens;  // the second key opens the web (else it closes the dialog)
};

TEST_F(FrmOpenSuggestionTest, EnterAndEscCloseTheListFirst) {
  for (const DroppedDownKey& c :
       {DroppedDownKey{"Enter", VK_RETURN, true}, DroppedDownKey{"Esc", VK_ESCAPE, false}}) {
    SCOPED_TRACE(c.name);
    services_.StoreMru(kEarlierValue);
    const std::size_t opened_before = services_.opened().size();
    const HWND dialog = Show();
    KeyIn(TextBoxOf(dialog), L"http://srv");
    ASSERT_EQ(ShownSuggestions(dialog), 2);
    PostKey(TextBoxOf(dialog), VK_DOWN);
    const std::u16string chosen = TextOf(dialog);
    ASSERT_EQ(chosen.rfind(u"http://srv/", 0), 0U);

    PostKey(TextBoxOf(dialog), c.key);
    EXPECT_EQ(ShownSuggestions(dialog), 0);
    ASSERT_EQ(FindDialog(), dialog) << "the first key is the list's";
    EXPECT_EQ(TextOf(dialog), chosen);
    EXPECT_EQ(services_.opened().size(), opened_before);

    PostKey(TextBoxOf(dialog), c.key);
    EXPECT_EQ(FindDialog(), nullptr);
    ASSERT_EQ(services_.opened().size() - opened_before, c.opens ? 1U : 0U);
    if (c.opens) {
      EXPECT_EQ(u"http://srv/" + services_.opened().back().web, chosen);
    }
  }
}

// Earlier addresses are offered as people type them, with their scheme or
// without, in any letter case; disk and UNC paths as they were typed.
TEST_F(FrmOpenSuggestionTest, OffersEachAddressWithItsSchemeOrWithout) {
  struct Case {
    const wchar_t* typed;
    std::set<std::u16string> offered;
  };
  for (const Case& c : {
           Case{L"alp", {u"alpha-server/one"}},
           Case{L"ALP", {u"alpha-server/one"}},
           Case{L"http://alp", {u"http://alpha-server/one"}},
           Case{L"HTTP://alp", {u"http://alpha-server/one"}},
           Case{L"sec", {u"secure/x"}},
           Case{L"https://sec", {u"https://secure/x"}},
           Case{L"c:\\we", {u"c:\\webs\\site"}},
           Case{L"\\\\sr", {u"\\\\srv\\webs"}},
           Case{L"bet", {u"beta/two"}} /* held in both forms, offered once */,
           Case{L"http://bet", {u"http://beta/two"}},
           Case{L"h",
                {u"http://alpha-server/one", u"https://secure/x", u"http://\\\\srv\\webs",
                 u"http://beta/two"}},
       }) {
    SCOPED_TRACE(testing::Message() << c.typed);
    services_.StoreMru(
        "http://alpha-server/one https://secure/x c:\\webs\\site http://\\\\srv\\webs "
        "http://beta/two beta/two ");
    const HWND dialog = Show();
    KeyIn(TextBoxOf(dialog), c.typed);
    // The system's list draws its items itself: Down puts each in the box.
    const int count = ShownSuggestions(dialog);
    std::set<std::u16string> shown;
    for (int i = 0; i < count; ++i) {
      PostKey(TextBoxOf(dialog), VK_DOWN);
      shown.insert(TextOf(dialog));
    }
    EXPECT_EQ(shown, c.offered);
    EXPECT_EQ(count, static_cast<int>(c.offered.size())) << "each once";
    UnloadOpenForm();
  }
}

// A picked offer goes into the box as offered, and opens the web it was
// opened as: an https address offered without its scheme stays https.
TEST_F(FrmOpenSuggestionTest, APickedOfferOpensTheWebItStandsFor) {
  struct Case {
    const wchar_t* typed;
    const char16_t* picked;
    const char16_t* server;
  };
  for (const Case& c : {Case{L"alp", u"alpha-server/one", u"http://alpha-server"},
                        Case{L"sec", u"secure/x", u"https://secure"},
                        Case{L"https://sec", u"https://secure/x", u"https://secure"}}) {
    SCOPED_TRACE(testing::Message() << c.typed);
    services_.StoreMru("https://secure/x http://alpha-server/one ");
    const HWND dialog = Show();
    KeyIn(TextBoxOf(dialog), c.typed);
    ASSERT_EQ(ShownSuggestions(dialog), 1);
    PostKey(TextBoxOf(dialog), VK_DOWN);
    EXPECT_EQ(TextOf(dialog), c.picked);
    PostKey(TextBoxOf(dialog), VK_RETURN);  // closes the list
    PostKey(TextBoxOf(dialog), VK_RETURN);  // opens
    ASSERT_EQ(FindDialog(), nullptr);
    EXPECT_EQ(services_.opened().back().server, c.server);
  }
}

// With suggestions at hand but none shown, every key does what it always did.
struct ClosedListKey {
  const char* name;
  UINT message;  // WM_KEYDOWN, or WM_SYSKEYDOWN for Alt
  UINT key;
  bool opens;
  bool dialog_stays;
};

TEST_F(FrmOpenSuggestionTest, KeysActAtOnceWhileTheListIsClosed) {
  for (const ClosedListKey& c : {ClosedListKey{"Enter", WM_KEYDOWN, VK_RETURN, true, false},
                                 ClosedListKey{"Esc", WM_KEYDOWN, VK_ESCAPE, false, false},
                                 ClosedListKey{"Tab", WM_KEYDOWN, VK_TAB, false, true},
                                 ClosedListKey{"Alt+O", WM_SYSKEYDOWN, 'O', true, false}}) {
    SCOPED_TRACE(c.name);
    services_.StoreMru(kEarlierValue);
    const HWND dialog = Show();
    KeyIn(TextBoxOf(dialog), L"zz/y");
    ASSERT_EQ(ShownSuggestions(dialog), 0);
    const std::size_t opened_before = services_.opened().size();
    if (c.message == WM_SYSKEYDOWN) {
      PostAltKey(TextBoxOf(dialog), c.key);
    } else {
      PostKey(TextBoxOf(dialog), c.key);
    }
    EXPECT_EQ(services_.opened().size() - opened_before, c.opens ? 1U : 0U);
    EXPECT_EQ(FindDialog() != nullptr, c.dialog_stays);
    if (c.dialog_stays) {
      EXPECT_EQ(::GetFocus(), OpenButtonOf(dialog)) << "Tab went on to \"&Open\"";
      UnloadOpenForm();
    }
  }
}

// Stands in for a system without the auto-complete object (before Internet
// Explorer 5): this thread's COM finds this class object first, and it makes
// nothing; registered for the object's lifetime.
class NoAutoComplete final : public ComObject<NoAutoComplete, ClassFactoryBase<NoAutoComplete>> {
 public:
  static ComPtr<IUnknown> Create() { throw HResultError(REGDB_E_CLASSNOTREG); }
  STDMETHODIMP LockServer(BOOL) noexcept override { return S_OK; }
};
class WithoutAutoComplete {
 public:
  WithoutAutoComplete() {
    EXPECT_EQ(::CoRegisterClassObject(CLSID_AutoComplete, factory_.Get(), CLSCTX_INPROC_SERVER,
                                      REGCLS_MULTIPLEUSE, &cookie_),
              S_OK);
  }
  ~WithoutAutoComplete() { ::CoRevokeClassObject(cookie_); }
  WithoutAutoComplete(const WithoutAutoComplete&) = delete;
  WithoutAutoComplete& operator=(const WithoutAutoComplete&) = delete;

 private:
  ComPtr<NoAutoComplete> factory_ = MakeCom<NoAutoComplete>();
  DWORD cookie_ = 0;
};

TEST_F(FrmOpenSuggestionTest, WithoutTheSystemsAutoCompleteTheTextBoxWorksAsBefore) {
  const WithoutAutoComplete none;
  services_.StoreMru(kEarlierValue);
  const HWND dialog = Show();
  KeyIn(TextBoxOf(dialog), L"h");
  EXPECT_EQ(ShownSuggestions(dialog), 0);
  PressEnter(dialog);
  ASSERT_EQ(services_.opened().size(), 1U);
  EXPECT_EQ(services_.opened()[0].server, u"http://h");
}

}  // namespace
}  // namespace sorvane
