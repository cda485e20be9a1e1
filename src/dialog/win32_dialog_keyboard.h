#pragma once

// Gives a modeless dialog its keyboard (Tab, Enter, Esc, access keys) in a
// message loop that knows nothing of it and so never calls IsDialogMessage,
// as the host's: a WH_GETMESSAGE hook on this thread hands the dialog's
// keyboard messages to IsDialogMessage, for as long as the object lives.

#include <windows.h>

#include "common/win32_handles.h"

namespace sorvane {

class DialogKeyboard {
 public:
  // Throws the system's error when the hook cannot be set.
  explicit DialogKeyboard(HWND dialog);
  ~DialogKeyboard();
  DialogKeyboard(const DialogKeyboard&) = delete;
  DialogKeyboard& operator=(const DialogKeyboard&) = delete;

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wparam, LPARAM lparam) noexcept;

  // The dialog whose keyboard the hook serves; one at a time.
  static inline DialogKeyboard* active_ = nullptr;

  HWND dialog_;
  UniqueHook hook_;
};

}  // namespace sorvane
