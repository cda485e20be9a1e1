#pragma once

// The add-in's windows on this thread, found as a user finds them: the dialog
// by its caption, its controls by their kind and text, a message box by the
// system's own layout. Nothing here knows the add-in's control identifiers.

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace sorvane::standin {

inline constexpr wchar_t kDialogCaption[] = L"Open Web";

// The visible or hidden dialogs captioned "Open Web" with a text box.
HWND FindOpenWebDialog();
int CountOpenWebDialogs();

// The first child of `parent` (at any depth) of that window class (letter case
// ignored) and, if given, exactly that text; null when there is none.
HWND FindChild(HWND parent, std::wstring_view window_class,
               std::optional<std::wstring_view> text = std::nullopt);
// The dialog's text box (its Edit), its "&Open" and its "Cancel".
HWND TextBoxOf(HWND dialog);
HWND OpenButtonOf(HWND dialog);
HWND CancelButtonOf(HWND dialog);

// A visible message box of this thread: a dialog whose text is the system's
// static control 0xFFFF; null when none.
HWND FindMessageBox();
std::u16string MessageBoxText(HWND box);

// The pointer a user sees over the window: 11 for the hourglass, else 0.
int PointerOver(HWND window);

// The window menu's Close item, whatever identifier it carries now, found by
// its text as a user finds it.
struct CloseItem {
  UINT id = 0;
  UINT state = 0;
};
std::optional<CloseItem> WindowMenuCloseItem(HWND window);

}  // namespace sorvane::standin
