#include "dialog/win32_message_box.h"

#include "common/win32_text.h"
#include "dialog/frm_open_layout.h"
#include "dialog/win32_visual_styles.h"

namespace sorvane {

void ShowMessage(HWND owner, const std::u16string& text) noexcept {
  try {
    const VisualStylesScope themed;
    // The caption is a literal, so it ends in a NUL.
    ::MessageBoxW(owner, Wide(text),
                  reinterpret_cast<const wchar_t*>(frm_open_layout::kCaption.data()),
                  MB_OK | MB_ICONEXCLAMATION);
  } catch (...) {  // NOLINT(bugprone-empty-catch)
    // Out of memory for the text: nothing left to show it with.
  }
}

void ReportHandlerFailure(HWND owner, HResult failure) noexcept {
  try {
    ShowMessage(owner, DescribeHResult(failure));
  } catch (...) {  // NOLINT(bugprone-empty-catch)
  }
}

}  // namespace sorvane
