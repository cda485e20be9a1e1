#pragma once

// Drives the add-in's dialog the way a user does, through window messages, in
// a message loop that (like the host's) never calls IsDialogMessage. The
// dialog and its controls are found as the stand-in host finds them: by
// caption, kind and text.

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <string_view>
#include <vector>

#include "common/win32_text.h"
#include "win32_dialog_finder.h"

namespace sorvane::testing_support {

using standin::CancelButtonOf;
using standin::OpenButtonOf;
using standin::TextBoxOf;

// The host's loop: translate and dispatch, nothing else.
inline void Pump() {
  for (int round = 0; round < 3; ++round) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::Sleep(0);
  }
}

inline HWND FindDialog() {
  return standin::FindOpenWebDialog();
}

inline void Type(HWND dialog, const std::wstring& text) {
  ::SendMessageW(TextBoxOf(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}
inline std::u16string TextOf(HWND dialog) {
  return WindowText(TextBoxOf(dialog));
}
inline void PostKey(HWND target, UINT key) {
  ::PostMessageW(target, WM_KEYDOWN, key, 1);
  ::PostMessageW(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001U));
  Pump();
}
inline void PostAltKey(HWND target, UINT key) {
  ::PostMessageW(target, WM_SYSKEYDOWN, key, 0x20000001);
  ::PostMessageW(target, WM_SYSKEYUP, key, static_cast<LPARAM>(0xE0000001U));
  Pump();
}
// Characters as the keyboard sends them (WM_CHAR each), into `target`.
inline void KeyIn(HWND target, std::wstring_view text) {
  for (const wchar_t c : text) {
    ::PostMessageW(target, WM_CHAR, c, 1);
  }
  Pump();
}
// The suggestions the system's drop-down shows under the dialog's text box
// now; 0 when it is not dropped down.
inline int ShownSuggestions(HWND dialog) {
  const HWND list = standin::SuggestionListOf(TextBoxOf(dialog));
  return list == nullptr ? 0 : standin::SuggestionCount(list);
}
// Enter in the text box: the Open.
inline void PressEnter(HWND dialog) {
  PostKey(TextBoxOf(dialog), VK_RETURN);
}
inline void ClickButton(HWND button) {
  ::SendMessageW(button, BM_CLICK, 0, 0);
  Pump();
}

// Answers the message box that a failed handler shows, from a thread timer
// that the box's own modal loop dispatches, and keeps its text.
// Whether a button is comctl32 version 6's (the themed one): only that one
// answers BCM_GETIDEALSIZE.
inline bool FromCommonControlsSix(HWND button) {
  SIZE ideal{};
  return ::SendMessageW(button, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)) != FALSE &&
         ideal.cx > 0;
}

class MessageBoxWatcher {
 public:
  MessageBoxWatcher() {
    instance_ = this;
    timer_ = ::SetTimer(nullptr, 0, 20, &MessageBoxWatcher::Tick);
  }
  ~MessageBoxWatcher() {
    ::KillTimer(nullptr, timer_);
    instance_ = nullptr;
  }
  MessageBoxWatcher(const MessageBoxWatcher&) = delete;
  MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;
  std::vector<std::u16string> texts;
  std::vector<HWND> owners;
  std::vector<bool> themed;  // its OK button is comctl32 6's

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    const HWND box = standin::FindMessageBox();
    if (instance_ != nullptr && box != nullptr) {
      instance_->texts.push_back(standin::MessageBoxText(box));
      instance_->owners.push_back(::GetWindow(box, GW_OWNER));
      instance_->themed.push_back(FromCommonControlsSix(standin::FindChild(box, L"Button")));
      ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
  }
  static inline MessageBoxWatcher* instance_ = nullptr;
  UINT_PTR timer_;
};

}  // namespace sorvane::testing_support
