#pragma once

// Drives the add-in's dialog the way a user does, through window messages, in
// a message loop that (like the host's) never calls IsDialogMessage.

#include <windows.h>

#include <string>
#include <vector>

#include "common/win32_text.h"
#include "dialog/frm_open_ids.h"

namespace sorvane::testing_support {

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
  return ::FindWindowW(L"#32770", L"Open Web");
}

inline HWND Item(HWND dialog, int id) {
  return ::GetDlgItem(dialog, id);
}
inline void Type(HWND dialog, const std::wstring& text) {
  ::SendMessageW(Item(dialog, IDC_TXTWEBURL), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(text.c_str()));
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

// Answers the message box that a failed handler shows, from a thread timer
// that the box's own modal loop dispatches, and keeps its text.
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

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    ::EnumThreadWindows(::GetCurrentThreadId(), &MessageBoxWatcher::Visit, 0);
  }
  static BOOL CALLBACK Visit(HWND window, LPARAM) {
    // A message box is a dialog with the static text 0xFFFF.
    const HWND text = ::GetDlgItem(window, 0xFFFF);
    if (instance_ != nullptr && text != nullptr && ::IsWindowVisible(window) != FALSE) {
      instance_->texts.push_back(WindowText(text));
      instance_->owners.push_back(::GetWindow(window, GW_OWNER));
      ::PostMessageW(window, WM_COMMAND, IDOK, 0);
    }
    return TRUE;
  }
  static inline MessageBoxWatcher* instance_ = nullptr;
  UINT_PTR timer_;
};

}  // namespace sorvane::testing_support
