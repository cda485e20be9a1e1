#pragma once

// Finds an add-in's windows on this thread the way a person at the screen
// would: the dialog by its caption, its controls by window class and text, a
// message box by the static control every message box has. No control
// identifier of the add-in is used, so a renumbered control still is found.

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace sorvane::standin {

inline constexpr wchar_t kDialogCaption[] = L"Open Web";

// The visible or hidden dialogs captioned "Open Web" with a text box.
HWND FindOpenWebDialog();
int CountOpenWebDialogs();

// A window's class name ("Button", "#32770", ...).
std::wstring ClassOf(HWND window);

// The first child of `parent` (at any depth) of that window class (letter case
// ignored) and, if given, exactly that text; null when there is none.
HWND FindChild(HWND parent, std::wstring_view window_class,
               std::optional<std::wstring_view> text = std::nullopt);
// The dialog's text box (its Edit), its "&Open" and its "Cancel".
HWND TextBoxOf(HWND dialog);
HWND OpenButtonOf(HWND dialog);
HWND CancelButtonOf(HWND dialog);

// The system's auto-complete drop-down shown under `text_box`: a visible
// window of this thread, just below the text box, holding a list (a ListBox
// under Wine, a SysListView32 under Windows). The list control, or null.
HWND SuggestionListOf(HWND text_box);
// How many suggestions the list holds.
int SuggestionCount(HWND list);

// A visible message box of this thread: a dialog whose text is the system's
// static control 0xFFFF; null when none.
HWND FindMessageBox();
std::u16string MessageBoxText(HWND box);

// The mouse pointer the window sets over its client area, as the form
// numbers its pointers: 11 for the hourglass (wait), 0 for the default.
int PointerOver(HWND window);

// The window menu's Close item, found by its text (the add-in may move it to
// another command identifier).
struct CloseItem {
  UINT id = 0;
  UINT state = 0;
};
std::optional<CloseItem> WindowMenuCloseItem(HWND window);

}  // namespace sorvane::standin
