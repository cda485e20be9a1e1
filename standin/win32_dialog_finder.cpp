#include "win32_dialog_finder.h"

#include <commctrl.h>

#include <cwchar>
#include <vector>

#include "common/win32_text.h"

namespace sorvane::standin {

namespace {

constexpr int kMessageBoxTextId = 0xFFFF;

bool IsOpenWebDialog(HWND window) {
  return ClassOf(window) == L"#32770" && WindowText(window) == FromWide(kDialogCaption) &&
         FindChild(window, L"Edit") != nullptr;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM found) {
  reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
  return TRUE;
}

std::vector<HWND> ThreadWindows() {
  std::vector<HWND> windows;
  ::EnumThreadWindows(::GetCurrentThreadId(), &CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

struct ChildSearch {
  std::wstring_view window_class;
  std::optional<std::wstring_view> text;
  HWND found;
};

BOOL CALLBACK MatchChild(HWND child, LPARAM param) {
  auto& wanted = *reinterpret_cast<ChildSearch*>(param);
  const std::wstring name = ClassOf(child);
  if (_wcsicmp(name.c_str(), std::wstring(wanted.window_class).c_str()) != 0) {
    return TRUE;
  }
  if (wanted.text && ToWide(WindowText(child)) != *wanted.text) {
    return TRUE;
  }
  wanted.found = child;
  return FALSE;
}

}  // namespace

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  return name;
}

HWND FindOpenWebDialog() {
  for (const HWND window : ThreadWindows()) {
    if (IsOpenWebDialog(window)) {
      return window;
    }
  }
  return nullptr;
}

int CountOpenWebDialogs() {
  int count = 0;
  for (const HWND window : ThreadWindows()) {
    count += IsOpenWebDialog(window) ? 1 : 0;
  }
  return count;
}

HWND FindChild(HWND parent, std::wstring_view window_class, std::optional<std::wstring_view> text) {
  ChildSearch search{window_class, text, nullptr};
  ::EnumChildWindows(parent, &MatchChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND TextBoxOf(HWND dialog) {
  return FindChild(dialog, L"Edit");
}

HWND OpenButtonOf(HWND dialog) {
  return FindChild(dialog, L"Button", L"&Open");
}

HWND CancelButtonOf(HWND dialog) {
  return FindChild(dialog, L"Button", L"Cancel");
}

HWND SuggestionListOf(HWND text_box) {
  RECT box{};
  if (text_box == nullptr || ::GetWindowRect(text_box, &box) == FALSE) {
    return nullptr;
  }
  for (const HWND window : ThreadWindows()) {
    RECT drop{};
    if (::IsWindowVisible(window) == FALSE || ::GetWindowRect(window, &drop) == FALSE ||
        drop.top < box.bottom - 2 || drop.top > box.bottom + 8 || drop.left > box.left + 8 ||
        drop.right < box.left) {
      continue;
    }
    for (const wchar_t* kind : {L"ListBox", L"SysListView32"}) {
      if (const HWND list = ClassOf(window) == kind ? window : FindChild(window, kind)) {
        return list;
      }
    }
  }
  return nullptr;
}

int SuggestionCount(HWND list) {
  const UINT count_message = ClassOf(list) == L"ListBox" ? LB_GETCOUNT : LVM_GETITEMCOUNT;
  return static_cast<int>(::SendMessageW(list, count_message, 0, 0));
}

HWND FindMessageBox() {
  for (const HWND window : ThreadWindows()) {
    if (::GetDlgItem(window, kMessageBoxTextId) != nullptr && ::IsWindowVisible(window) != FALSE) {
      return window;
    }
  }
  return nullptr;
}

std::u16string MessageBoxText(HWND box) {
  return WindowText(::GetDlgItem(box, kMessageBoxTextId));
}

int PointerOver(HWND window) {
  const HCURSOR before = ::GetCursor();
  ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
  ::SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  const bool hourglass = ::GetCursor() == ::LoadCursorW(nullptr, IDC_WAIT);
  ::SetCursor(before);
  return hourglass ? 11 : 0;
}

std::optional<CloseItem> WindowMenuCloseItem(HWND window) {
  const HMENU menu = ::GetSystemMenu(window, FALSE);
  if (menu == nullptr) {
    return std::nullopt;
  }
  for (int position = 0; position < ::GetMenuItemCount(menu); ++position) {
    wchar_t text[64] = {};
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_ID | MIIM_STATE | MIIM_STRING;
    item.dwTypeData = text;
    item.cch = 64;
    if (::GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &item) == FALSE) {
      continue;
    }
    // "&Close\tAlt+F4": compared without its "&" and its shortcut.
    std::wstring label;
    for (const wchar_t* c = text; *c != L'\0' && *c != L'\t'; ++c) {
      if (*c != L'&') {
        label += *c;
      }
    }
    if (label == L"Close") {
      return CloseItem{item.wID, item.fState};
    }
  }
  return std::nullopt;
}

}  // namespace sorvane::standin
