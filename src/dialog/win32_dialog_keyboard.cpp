#include "dialog/win32_dialog_keyboard.h"

#include "common/win32_com.h"
#include "common/win32_text.h"
#include "dialog/win32_address_suggestions.h"

namespace sorvane {

DialogKeyboard::DialogKeyboard(HWND dialog)
    : dialog_(dialog),
      hook_(::SetWindowsHookExW(WH_GETMESSAGE, &DialogKeyboard::Hook, nullptr,
                                ::GetCurrentThreadId())) {
  if (hook_ == nullptr) {
    ThrowLastError();
  }
  active_ = this;
}

DialogKeyboard::~DialogKeyboard() {
  if (active_ == this) {
    active_ = nullptr;
  }
}

bool DialogKeyboard::ForTheSuggestionList(const MSG& msg) const noexcept {
  return msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE) &&
         suggestions_ != nullptr && suggestions_->DroppedDown();
}

LRESULT CALLBACK DialogKeyboard::Hook(int code, WPARAM wparam, LPARAM lparam) noexcept {
  const RunningCall running;  // IsDialogMessage may run the whole Open
  if (code == HC_ACTION && wparam == PM_REMOVE && active_ != nullptr) {
    auto* msg = reinterpret_cast<MSG*>(lparam);
    const HWND dialog = active_->dialog_;
    if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST &&
        (msg->hwnd == dialog || ::IsChild(dialog, msg->hwnd) != FALSE) &&
        !active_->ForTheSuggestionList(*msg) && ::IsDialogMessageW(dialog, msg) != FALSE) {
      // Handled: the host's loop gets a message that does nothing.
      msg->message = WM_NULL;
      msg->wParam = 0;
      msg->lParam = 0;
    }
  }
  return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace sorvane
