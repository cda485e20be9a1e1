#pragma once

// frmOpen: the small modeless dialog in which the user types a web address.
// At most one instance exists; the module reaches it only through the shared
// reference below.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/win32_handles.h"
#include "dialog/close_box.h"
#include "dialog/open_action.h"
#include "dialog/win32_window_menu.h"

namespace sorvane {

class FrmOpen final : public OpenDialogView, public std::enable_shared_from_this<FrmOpen> {
 public:
  FrmOpen() = default;
  ~FrmOpen() override;
  FrmOpen(const FrmOpen&) = delete;
  FrmOpen& operator=(const FrmOpen&) = delete;

  // True loads the instance if needed (window, controls, load handler) and shows
  // it modeless, in front; false hides it.
  void SetVisible(bool visible);
  // Destroys the window and its controls; the instance lives on and loads anew
  // (empty text, default pointer) when it is shown again.
  void Unload() noexcept;
  bool Loaded() const noexcept { return window_ != nullptr; }
  // The dialog's window handle; throws when it is not loaded.
  HWND hWnd() const;
  std::int16_t MousePointer() const noexcept { return mouse_pointer_; }
  // True while an Open runs that began in the window shown now.
  bool OpenRunsInThisLoad() const noexcept {
    return open_began_in_ != 0 && open_began_in_ == loads_ && Loaded();
  }

  // OpenDialogView
  std::u16string Text() const override;
  void SetText(std::u16string_view text) override;
  void SetMousePointer(std::int16_t pointer) override;
  void ReportOpenFailure(HResult failure) override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wparam,
                                     LPARAM lparam) noexcept;
  INT_PTR HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void Load();
  void CreateControls();
  void PlaceWindow(HWND owner) const;
  void AttachKeyboard();
  void OnDestroyed() noexcept;
  void cmdCancel_Click();
  HWND Control(int id) const;

  // Declared first so that it is destroyed last: the window and everything it owns.
  UniqueWindow window_;
  UniqueIcon icon_large_;
  UniqueIcon icon_small_;
  UniqueHook keyboard_hook_;
  Win32WindowMenu window_menu_;
  std::optional<CloseBox> close_box_;  // hSysMenu and MenuInfo of the current load
  std::int16_t mouse_pointer_ = kDefaultPointer;
  bool focus_text_on_show_ = false;
  // Counts the loads; an Open running now remembers the load it began in
  // (0: none), since the host may pump messages meanwhile and the window may
  // be closed, or even loaded anew, before the Open ends.
  unsigned loads_ = 0;
  unsigned open_began_in_ = 0;
};

// The shared instance reference: empty until the dialog is first shown.
std::shared_ptr<FrmOpen>& OpenFormInstance();

// What a click of the File-menu button does: creates the instance on first use
// and makes it visible.
void ShowOpenForm();

// Hides, unloads and releases the shared instance.
void UnloadOpenForm();

// The same for `form` only if it is still the shared instance: the end of
// an Open leaves a dialog shown since it began alone.
void UnloadOpenForm(const OpenDialogView& form);

// Replaces what "&Open" works with (the host, the registry, the dialog's
// unload); null restores the module's own. For tests.
void SetOpenServices(OpenServices* services) noexcept;

// Reports a failure of a dialog event handler to the user: a message box with
// the system's description of the failure, owned by `owner`.
void ReportHandlerFailure(HWND owner, HResult failure) noexcept;

}  // namespace sorvane
