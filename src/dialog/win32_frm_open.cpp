#include "dialog/win32_frm_open.h"

#include <commctrl.h>

#include "common/trace.h"
#include "common/win32_com.h"
#include "common/win32_text.h"
#include "dialog/frm_open_ids.h"
#include "dialog/frm_open_layout.h"
#include "dialog/recent_web.h"
#include "dialog/win32_message_box.h"
#include "dialog/win32_visual_styles.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;  // NOLINT(bugprone-reserved-identifier)

namespace sorvane {

namespace {

namespace layout = frm_open_layout;

// Posted to the dialog when it first shows: offer the suggestions next.
constexpr UINT kOfferSuggestions = WM_APP + 1;

// The module that holds the dialog's resources: the one this code is linked into.
HINSTANCE ThisModule() {
  return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

struct Dpi {
  int x;
  int y;
};
Dpi ScreenDpi() {
  const WindowDc screen(nullptr);
  return {::GetDeviceCaps(screen.get(), LOGPIXELSX), ::GetDeviceCaps(screen.get(), LOGPIXELSY)};
}

// A text of the layout as the wide functions take it: the layout's strings
// are literals, so each ends in a NUL.
const wchar_t* WideLiteral(std::u16string_view text) {
  return reinterpret_cast<const wchar_t*>(text.data());
}

// The window class and styles of each kind of control.
struct ControlClass {
  const wchar_t* window_class;
  DWORD style;
  DWORD ex_style;
};
ControlClass ClassOf(layout::Kind kind) {
  switch (kind) {
    case layout::Kind::kFrame:
      return {L"BUTTON", BS_GROUPBOX | WS_GROUP, 0};
    case layout::Kind::kLabel:
      return {L"STATIC", SS_LEFT | SS_NOPREFIX, 0};
    case layout::Kind::kTextBox:
      return {L"EDIT", ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP, WS_EX_CLIENTEDGE};
    case layout::Kind::kDefaultButton:
      return {L"BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 0};
    case layout::Kind::kButton:
    default:
      return {L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0};
  }
}

}  // namespace

FrmOpen::~FrmOpen() {
  Unload();
}

HWND FrmOpen::hWnd() const {
  if (loaded_ == nullptr || loaded_->window == nullptr) {
    throw HResultError(kEUnexpected);
  }
  return loaded_->window.get();
}

HWND FrmOpen::Control(int id) const {
  const HWND control = ::GetDlgItem(hWnd(), id);
  if (control == nullptr) {
    ThrowLastError();
  }
  return control;
}

void FrmOpen::SetVisible(bool visible) {
  if (!visible) {
    if (loaded_ != nullptr) {
      ::ShowWindow(hWnd(), SW_HIDE);
    }
    return;
  }
  // The dialog, its controls and its tooltip made and shown with comctl32 6.
  const VisualStylesScope themed;
  if (loaded_ == nullptr) {
    Load();
  }
  const HWND dialog = hWnd();
  ::ShowWindow(dialog, SW_SHOW);
  ::SetForegroundWindow(dialog);
  if (loaded_->focus_text_on_show) {
    loaded_->focus_text_on_show = false;
    ::SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Control(IDC_TXTWEBURL)), TRUE);
    ::PostMessageW(dialog, kOfferSuggestions, 0, 0);
  }
}

void FrmOpen::Load() {
  loaded_ = std::make_unique<LoadedWindow>();
  try {
    // Owned by the window the user is working in (the host's), so the dialog
    // stays above it; the modeless dialog leaves that window usable.
    const HWND owner = ::GetActiveWindow();
    loaded_->window.reset(::CreateDialogParamW(ThisModule(), MAKEINTRESOURCEW(IDD_FRMOPEN), owner,
                                               &FrmOpen::DialogProc,
                                               reinterpret_cast<LPARAM>(this)));
    if (loaded_->window == nullptr) {
      ThrowLastError();
    }
    ++loads_;
    mouse_pointer_ = kDefaultPointer;
    CreateControls();
    PlaceWindow(owner);
    loaded_->keyboard.emplace(hWnd());
    // The load handler: take the Close command away from the frame.
    loaded_->close_box.emplace(window_menu_);
    loaded_->close_box->Load([this] { return reinterpret_cast<WindowHandle>(hWnd()); });
  } catch (...) {
    Unload();
    throw;
  }
}

void FrmOpen::CreateControls() {
  const HWND dialog = hWnd();
  const Dpi dpi = ScreenDpi();
  const auto font = static_cast<WPARAM>(::SendMessageW(dialog, WM_GETFONT, 0, 0));
  for (const layout::Control& item : layout::kControls) {
    const layout::Twips at = layout::InClient(item);
    const int x = layout::ToPixels(at.left, dpi.x);
    const int y = layout::ToPixels(at.top, dpi.y);
    const ControlClass kind = ClassOf(item.kind);
    const HWND control = ::CreateWindowExW(
        kind.ex_style, kind.window_class, WideLiteral(item.text),
        WS_CHILD | WS_VISIBLE | kind.style, x, y, layout::ToPixels(at.right(), dpi.x) - x,
        layout::ToPixels(at.bottom(), dpi.y) - y, dialog,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(item.id)), ThisModule(), nullptr);
    if (control == nullptr) {
      ThrowLastError();
    }
    ::SendMessageW(control, WM_SETFONT, font, FALSE);
  }
  // No length limit: the largest text the edit control takes.
  ::SendMessageW(Control(IDC_TXTWEBURL), EM_SETLIMITTEXT, 0, 0);

  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&classes);
  // The tooltip window is owned by the dialog and destroyed with it.
  const HWND tooltip = ::CreateWindowExW(
      WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr, ThisModule(), nullptr);
  if (tooltip == nullptr) {
    ThrowLastError();
  }
  TTTOOLINFOW tool{};
  // The version-2 record: every comctl32 since Internet Explorer 4 takes it.
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = dialog;
  tool.uId = reinterpret_cast<UINT_PTR>(Control(IDC_TXTWEBURL));
  // Copied by the tooltip, never written.
  tool.lpszText = const_cast<wchar_t*>(
      WideLiteral(layout::kToolTip));  // NOLINT(cppcoreguidelines-pro-type-const-cast)
  if (::SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)) == FALSE) {
    throw HResultError(kEFail);
  }

  // The 256-colour icon; Windows scales it for the small one.
  const int small_size = ::GetSystemMetrics(SM_CXSMICON);
  loaded_->icon_large.reset(static_cast<HICON>(
      ::LoadImageW(ThisModule(), MAKEINTRESOURCEW(IDI_SORVANE), IMAGE_ICON, 32, 32, 0)));
  loaded_->icon_small.reset(static_cast<HICON>(::LoadImageW(
      ThisModule(), MAKEINTRESOURCEW(IDI_SORVANE), IMAGE_ICON, small_size, small_size, 0)));
  if (loaded_->icon_large == nullptr || loaded_->icon_small == nullptr) {
    ThrowLastError();
  }
  ::SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(loaded_->icon_large.get()));
  ::SendMessageW(dialog, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(loaded_->icon_small.get()));
}

void FrmOpen::PlaceWindow(HWND owner) const {
  const HWND dialog = hWnd();
  const Dpi dpi = ScreenDpi();
  RECT frame{0, 0, layout::ToPixels(layout::kClientWidth, dpi.x),
             layout::ToPixels(layout::kClientHeight, dpi.y)};
  ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  // Centred over the owner, or over the work area when there is none.
  RECT area{};
  if (owner == nullptr || ::GetWindowRect(owner, &area) == FALSE) {
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  const int x = area.left + ((area.right - area.left) - width) / 2;
  const int y = area.top + ((area.bottom - area.top) - height) / 2;
  ::SetWindowPos(dialog, nullptr, x < 0 ? 0 : x, y < 0 ? 0 : y, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void FrmOpen::OfferSuggestions() noexcept {
  // An extra: a "Value" that cannot be read, or a system without the
  // auto-complete object, leaves the text box as it always was.
  try {
    if (loaded_->suggestions) {
      return;
    }
    // The user sees the dialog whole first: its painting waits for no value.
    ::UpdateWindow(hWnd());
    const std::u16string value =
        GetRegString(services_.Registry(), kHkeyCurrentUser, kFileNameMruKey, kFileNameMruValue)
            .value_or(u"");
    AddressOffers offers = OfferedAddresses(value);
    if (offers.texts.empty()) {
      return;
    }
    // The system's list is a window too: made in the dialog's look.
    const VisualStylesScope themed;
    loaded_->suggestions.emplace(Control(IDC_TXTWEBURL), offers.texts);
    offers.texts.clear();  // views into `value`, which goes
    loaded_->offers = std::move(offers);
    loaded_->keyboard->SetSuggestions(&*loaded_->suggestions);
  } catch (...) {  // NOLINT(bugprone-empty-catch): the text box stays as it was
  }
}

void FrmOpen::Unload() noexcept {
  // The load is released before its window goes, so that the window's own
  // destruction (OnWindowDestroyed) finds nothing left to release.
  const std::unique_ptr<LoadedWindow> load = std::move(loaded_);
}

void FrmOpen::OnWindowDestroyed(HWND window) noexcept {
  if (loaded_ != nullptr && loaded_->window.get() == window) {
    // NOLINTNEXTLINE(bugprone-unused-return-value): the window is gone already
    loaded_->window.release();
    Unload();
  }
}

std::u16string FrmOpen::Text() const {
  return WindowText(Control(IDC_TXTWEBURL));
}

void FrmOpen::SetText(std::u16string_view text) {
  if (::SetWindowTextW(Control(IDC_TXTWEBURL), Wide(std::u16string(text))) == FALSE) {
    ThrowLastError();
  }
}

void FrmOpen::SetMousePointer(std::int16_t pointer) {
  mouse_pointer_ = pointer;
  // Show the new pointer now if the mouse rests on the dialog.
  const HWND dialog = hWnd();
  POINT at{};
  ::GetCursorPos(&at);
  const HWND under = ::WindowFromPoint(at);
  if (under == dialog || ::IsChild(dialog, under) != FALSE) {
    ::SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  }
}

void FrmOpen::ReportOpenFailure(HResult failure, std::u16string_view reason) {
  // A dialog closed (or loaded anew) while its Open ran has no one left to
  // tell: the user closed it, and the host reports its own failures.
  if (open_began_in_ != 0 && !OpenRunsInThisLoad()) {
    return;
  }
  ShowMessage(hWnd(), OpenFailureMessage(reason.empty() ? DescribeHResult(failure)
                                                        : std::u16string(reason)));
}

std::u16string_view FrmOpen::OfferedAddress(std::u16string_view text) const {
  return loaded_ == nullptr ? text : loaded_->offers.AddressFor(text);
}

void FrmOpen::cmdOpen_Click() {
  // One Open at a time: the host pumps messages while it opens the web, and
  // a second "&Open" (or Enter) then would write and open it twice.
  if (open_began_in_ != 0) {
    return;
  }
  open_began_in_ = loads_;
  const OpenOutcome outcome = sorvane::cmdOpen_Click(*this, services_);
  // The host pumps messages while it opens the web: a dialog closed meanwhile,
  // or one shown since, is the user's and is left alone.
  const bool close = outcome.kind == OpenOutcome::Kind::kOpened && OpenRunsInThisLoad();
  open_began_in_ = 0;
  if (close) {
    SetVisible(false);
    Unload();
    // The shared reference goes too; the handler holds this instance until it returns.
    if (OpenFormInstance().get() == this) {
      OpenFormInstance().reset();
    }
  }
}

void FrmOpen::cmdCancel_Click() {
  UnloadOpenForm();
}

INT_PTR CALLBACK FrmOpen::DialogProc(HWND dialog, UINT message, WPARAM wparam,
                                     LPARAM lparam) noexcept {
  const RunningCall running;
  if (message == WM_INITDIALOG) {
    ::SetWindowLongPtrW(dialog, DWLP_USER, lparam);
    return FALSE;  // the focus goes to the text box when the dialog is first shown
  }
  auto* form = reinterpret_cast<FrmOpen*>(::GetWindowLongPtrW(dialog, DWLP_USER));
  if (form == nullptr) {
    return FALSE;
  }
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(dialog, DWLP_USER, 0);
    form->OnWindowDestroyed(dialog);
    return FALSE;
  }
  if (!form->Loaded()) {
    return FALSE;  // the window goes: nothing of the form answers any more
  }
  try {
    return form->HandleMessage(message, wparam);
  } catch (...) {
    ReportHandlerFailure(dialog, TraceCaught(u"the dialog"));
    return TRUE;
  }
}

INT_PTR FrmOpen::HandleMessage(UINT message, WPARAM wparam) {
  switch (message) {
    case WM_COMMAND: {
      if (HIWORD(wparam) != BN_CLICKED ||
          (LOWORD(wparam) != IDC_CMDOPEN && LOWORD(wparam) != IDC_CMDCANCEL)) {
        return FALSE;
      }
      // The handler holds its own dialog while it runs: it may unload it.
      const std::shared_ptr<FrmOpen> self = weak_from_this().lock();
      if (LOWORD(wparam) == IDC_CMDOPEN) {
        cmdOpen_Click();
      } else {
        cmdCancel_Click();
      }
      return TRUE;
    }
    case WM_SETCURSOR:
      if (mouse_pointer_ == kHourglassPointer) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
        ::SetWindowLongPtrW(hWnd(), DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      return FALSE;
    case kOfferSuggestions:
      OfferSuggestions();
      return TRUE;
    case WM_CLOSE:
      // Only a foreign close gets here (the Close item is taken away): the window
      // goes, the instance stays shared and loads anew on the next showing.
      Unload();
      return TRUE;
    default:
      return FALSE;
  }
}

namespace {
// Made when the module loads. Never destroyed by static destructors: at
// process exit the window is gone with its thread, and the module may be
// unloading under the loader lock.
// NOLINTNEXTLINE(cppcoreguidelines-owning-memory,cert-err58-cpp): never freed, see above
auto* const gInstance = new std::shared_ptr<FrmOpen>();
}  // namespace

std::shared_ptr<FrmOpen>& OpenFormInstance() {
  return *gInstance;
}

void ShowOpenForm(OpenServices& services) {
  std::shared_ptr<FrmOpen>& instance = OpenFormInstance();
  if (instance == nullptr) {
    instance = std::shared_ptr<FrmOpen>(std::make_unique<FrmOpen>(services));
  }
  const std::shared_ptr<FrmOpen> shown = instance;  // held while it loads
  shown->SetVisible(true);
}

void UnloadOpenForm() {
  std::shared_ptr<FrmOpen>& instance = OpenFormInstance();
  if (instance == nullptr) {
    return;
  }
  instance->SetVisible(false);
  instance->Unload();
  instance.reset();
}

}  // namespace sorvane
