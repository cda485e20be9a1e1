#pragma once

// frmOpen: the small modeless dialog in which the user types a web address.
// At most one instance exists; the module reaches it only through the shared
// reference below. Its layout is frm_open_layout.h; what its "&Open" works
// with (the host, the registry) is handed to it when it is made.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/win32_handles.h"
#include "dialog/close_box.h"
#include "dialog/open_action.h"
#include "dialog/recent_web.h"
#include "dialog/win32_address_suggestions.h"
#include "dialog/win32_dialog_keyboard.h"
#include "dialog/win32_window_menu.h"

namespace sorvane {

class FrmOpen final : public OpenDialogView, public std::enable_shared_from_this<FrmOpen> {
 public:
  explicit FrmOpen(OpenServices& services) : services_(services) {}
  ~FrmOpen() override;
  FrmOpen(const FrmOpen&) = delete;
  FrmOpen& operator=(const FrmOpen&) = delete;

  // True loads the instance if needed (window, controls, load handler) and shows
  // it modeless, in front; false hides it.
  void SetVisible(bool visible);
  // Destroys the window and everything of its load; the instance lives on and
  // loads anew (empty text, default pointer) when it is shown again. The one
  // place that destroys: a window the system destroys (with its owner) ends
  // up here too.
  void Unload() noexcept;
  bool Loaded() const noexcept { return loaded_ != nullptr; }
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
  void ReportOpenFailure(HResult failure, std::u16string_view reason) override;
  std::u16string_view OfferedAddress(std::u16string_view text) const override;

 private:
  // Everything of one load: the window and what serves it, owned together.
  // Destroying it destroys the window first (members go in reverse order).
  struct LoadedWindow {
    UniqueIcon icon_large;
    UniqueIcon icon_small;
    std::optional<AddressSuggestions> suggestions;  // after the first showing, if any
    AddressOffers offers;                           // their https forms only
    std::optional<DialogKeyboard> keyboard;
    std::optional<CloseBox> close_box;  // hSysMenu and MenuInfo of this load
    bool focus_text_on_show = true;
    UniqueWindow window;
  };

  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wparam,
                                     LPARAM lparam) noexcept;
  INT_PTR HandleMessage(UINT message, WPARAM wparam);
  // The system destroyed the window (Unload's own destruction finds the load
  // gone already): the rest of the load goes the usual way.
  void OnWindowDestroyed(HWND window) noexcept;
  void Load();
  void CreateControls();
  void PlaceWindow(HWND owner) const;
  // Offers the addresses typed before under the text box. Done once the
  // dialog shows and has painted, so that reading a long "Value" never
  // delays it.
  void OfferSuggestions() noexcept;
  void cmdOpen_Click();
  // Closes the shared instance (this one: the handler holds it meanwhile).
  static void cmdCancel_Click();
  HWND Control(int id) const;

  OpenServices& services_;
  Win32WindowMenu window_menu_;
  std::unique_ptr<LoadedWindow> loaded_;
  std::int16_t mouse_pointer_ = kDefaultPointer;
  // Counts the loads; an Open running now remembers the load it began in
  // (0: none), since the host may pump messages meanwhile and the window may
  // be closed, or even loaded anew, before the Open ends.
  unsigned loads_ = 0;
  unsigned open_began_in_ = 0;
};

// The shared instance reference: empty until the dialog is first shown.
std::shared_ptr<FrmOpen>& OpenFormInstance();

// What a click of the File-menu button does: creates the instance on first use
// (working with `services`) and makes it visible.
void ShowOpenForm(OpenServices& services);

// Hides, unloads and releases the shared instance.
void UnloadOpenForm();

}  // namespace sorvane
