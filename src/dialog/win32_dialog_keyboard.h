#pragma once

// Gives a modeless dialog its keyboard (Tab, Enter, Esc, access keys) in a
// message loop that knows nothing of it and so never calls IsDialogMessage,
// as the host's: a WH_GETMESSAGE hook on this thread hands the dialog's
// keyboard messages to IsDialogMessage, for as long as the object lives.
// While the text box's suggestion list is dropped down, Enter and Esc go to
// the list first (the host's loop delivers them), as the system has it.

#include <windows.h>

#include "common/win32_handles.h"

namespace sorvane {

class AddressSuggestions;

class DialogKeyboard {
 public:
  // Throws the system's error when the hook cannot be set.
  explicit DialogKeyboard(HWND dialog);
  ~DialogKeyboard();
  DialogKeyboard(const DialogKeyboard&) = delete;
  DialogKeyboard& operator=(const DialogKeyboard&) = delete;

  // The suggestions whose list takes Enter and Esc while it shows (null:
  // none); they must outlive this object or be taken away first.
  void SetSuggestions(const AddressSuggestions* suggestions) noexcept {
    suggestions_ = suggestions;
  }

 private:
  // Enter or Esc while the suggestion list shows: the list's, not the dialog's.
  bool ForTheSuggestionList(const MSG& msg) const noexcept;

  static LRESULT CALLBACK Hook(int code, WPARAM wparam, LPARAM lparam) noexcept;

  // The dialog whose keyboard the hook serves; one at a time.
  static inline DialogKeyboard* active_ = nullptr;

  HWND dialog_;
  const AddressSuggestions* suggestions_ = nullptr;
  UniqueHook hook_;
};

}  // namespace sorvane
