#include "dialog/win32_frm_open.h"

#include <commctrl.h>

#include <array>

#include "common/win32_text.h"
#include "dialog/frm_open_ids.h"
#include "host/com/win32_host_app.h"
#include "registry/win32_registry.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;  // NOLINT(bugprone-reserved-identifier)

namespace sorvane {

namespace {

// The module that holds the dialog's resources: the one this code is linked into.
HINSTANCE ThisModule() {
  return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

constexpr wchar_t kCaption[] = L"Open Web";
constexpr wchar_t kToolTip[] = L"Enter the URL or disk path to the web you would like to open.";
constexpr int kTwipsPerInch = 1440;
constexpr SIZE kClientTwips{4650, 2535};

// The controls in tab order; positions in twips. The text box and the label sit
// inside the frame and are measured from its top-left corner.
struct ControlSpec {
  int id;
  const wchar_t* window_class;
  const wchar_t* text;
  DWORD style;
  DWORD ex_style;
  bool in_frame;
  RECT twips;  // left, top, width, height
};
constexpr RECT kFrameTwips{60, 150, 4530, 1605};
constexpr std::array<ControlSpec, 5> kControls{{
    {IDC_FRAME1, L"BUTTON", L"", BS_GROUPBOX | WS_GROUP, 0, false, kFrameTwips},
    {IDC_LBLSPECIFY,
     L"STATIC",
     L"Please specify URL or disk location:",
     SS_LEFT | SS_NOPREFIX,
     0,
     true,
     {315, 405, 2655, 255}},
    {IDC_TXTWEBURL,
     L"EDIT",
     L"",
     ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP,
     WS_EX_CLIENTEDGE,
     true,
     {315, 690, 3855, 285}},
    {IDC_CMDOPEN,
     L"BUTTON",
     L"&Open",
     BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP,
     0,
     false,
     {2610, 2040, 900, 375}},
    {IDC_CMDCANCEL,
     L"BUTTON",
     L"Cancel",
     BS_PUSHBUTTON | WS_TABSTOP,
     0,
     false,
     {3660, 2040, 900, 375}},
}};

struct Dpi {
  int x;
  int y;
};
Dpi ScreenDpi() {
  const WindowDc screen(nullptr);
  return {::GetDeviceCaps(screen.get(), LOGPIXELSX), ::GetDeviceCaps(screen.get(), LOGPIXELSY)};
}
int ToPixels(int twips, int dpi) {
  return ::MulDiv(twips, dpi, kTwipsPerInch);
}

// What "&Open" works with in the module: the host through COM, the registry
// through advapi32, and the shared dialog.
class ModuleOpenServices final : public OpenServices {
 public:
  std::shared_ptr<host::Application> HostApp() override { return host::com::HostApp(); }
  RegistryApi& Registry() override { return registry_; }
  void UnloadOpenForm(OpenDialogView& view) override { sorvane::UnloadOpenForm(view); }

 private:
  Win32Registry registry_;
};

OpenServices* g_open_services = nullptr;

OpenServices& ActiveOpenServices() {
  static ModuleOpenServices module_services;
  return g_open_services != nullptr ? *g_open_services : module_services;
}

// The dialog whose keyboard the thread's message hook serves; one at a time.
HWND g_keyboard_dialog = nullptr;

// Gives the dialog its keyboard (Tab, Enter, Esc, access keys) in a message
// loop that knows nothing of it and so never calls IsDialogMessage.
LRESULT CALLBACK KeyboardHook(int code, WPARAM wparam, LPARAM lparam) noexcept {
  if (code == HC_ACTION && wparam == PM_REMOVE) {
    auto* msg = reinterpret_cast<MSG*>(lparam);
    const HWND dialog = g_keyboard_dialog;
    if (dialog != nullptr && msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST &&
        (msg->hwnd == dialog || ::IsChild(dialog, msg->hwnd) != FALSE) &&
        ::IsDialogMessageW(dialog, msg) != FALSE) {
      // Handled: the host's loop gets a message that does nothing.
      msg->message = WM_NULL;
      msg->wParam = 0;
      msg->lParam = 0;
    }
  }
  return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

void ShowMessage(HWND owner, const std::u16string& text) noexcept {
  try {
    ::MessageBoxW(owner, ToWide(text).c_str(), kCaption, MB_OK | MB_ICONEXCLAMATION);
  } catch (...) {  // NOLINT(bugprone-empty-catch)
    // Out of memory for the text: nothing left to show it with.
  }
}

}  // namespace

FrmOpen::~FrmOpen() {
  Unload();
}

HWND FrmOpen::hWnd() const {
  if (window_ == nullptr) {
    throw HResultError(kEUnexpected);
  }
  return window_.get();
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
    if (window_ != nullptr) {
      ::ShowWindow(window_.get(), SW_HIDE);
    }
    return;
  }
  if (window_ == nullptr) {
    Load();
  }
  ::ShowWindow(window_.get(), SW_SHOW);
  ::SetForegroundWindow(window_.get());
  if (focus_text_on_show_) {
    focus_text_on_show_ = false;
    ::SendMessageW(window_.get(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Control(IDC_TXTWEBURL)),
                   TRUE);
  }
}

void FrmOpen::Load() {
  // Owned by the window the user is working in (the host's), so the dialog stays
  // above it; the modeless dialog leaves that window usable.
  const HWND owner = ::GetActiveWindow();
  const HWND created = ::CreateDialogParamW(ThisModule(), MAKEINTRESOURCEW(IDD_FRMOPEN), owner,
                                            &FrmOpen::DialogProc, reinterpret_cast<LPARAM>(this));
  if (created == nullptr) {
    ThrowLastError();
  }
  window_.reset(created);
  ++loads_;
  mouse_pointer_ = kDefaultPointer;
  try {
    CreateControls();
    PlaceWindow(owner);
    AttachKeyboard();
    // The load handler: take the Close command away from the frame.
    close_box_.emplace(window_menu_);
    close_box_->Load([this] { return reinterpret_cast<WindowHandle>(hWnd()); });
    focus_text_on_show_ = true;
  } catch (...) {
    Unload();
    throw;
  }
}

void FrmOpen::CreateControls() {
  const HWND dialog = hWnd();
  const Dpi dpi = ScreenDpi();
  const auto font = static_cast<WPARAM>(::SendMessageW(dialog, WM_GETFONT, 0, 0));
  for (const ControlSpec& spec : kControls) {
    const int left = spec.twips.left + (spec.in_frame ? kFrameTwips.left : 0);
    const int top = spec.twips.top + (spec.in_frame ? kFrameTwips.top : 0);
    const int x = ToPixels(left, dpi.x);
    const int y = ToPixels(top, dpi.y);
    // Both edges are converted, so that neighbouring controls keep their gaps.
    const int width = ToPixels(left + spec.twips.right, dpi.x) - x;
    const int height = ToPixels(top + spec.twips.bottom, dpi.y) - y;
    const HWND control = ::CreateWindowExW(
        spec.ex_style, spec.window_class, spec.text, WS_CHILD | WS_VISIBLE | spec.style, x, y,
        width, height, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), ThisModule(),
        nullptr);
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
  tool.lpszText = const_cast<wchar_t*>(kToolTip);  // NOLINT(cppcoreguidelines-pro-type-const-cast)
  if (::SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)) == FALSE) {
    throw HResultError(kEFail);
  }

  // The 256-colour icon; Windows scales it for the small one.
  const int small_size = ::GetSystemMetrics(SM_CXSMICON);
  icon_large_.reset(static_cast<HICON>(
      ::LoadImageW(ThisModule(), MAKEINTRESOURCEW(IDI_SORVANE), IMAGE_ICON, 32, 32, 0)));
  icon_small_.reset(static_cast<HICON>(::LoadImageW(ThisModule(), MAKEINTRESOURCEW(IDI_SORVANE),
                                                    IMAGE_ICON, small_size, small_size, 0)));
  if (icon_large_ == nullptr || icon_small_ == nullptr) {
    ThrowLastError();
  }
  ::SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_large_.get()));
  ::SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_small_.get()));
}

void FrmOpen::PlaceWindow(HWND owner) const {
  const HWND dialog = hWnd();
  const Dpi dpi = ScreenDpi();
  RECT frame{0, 0, ToPixels(kClientTwips.cx, dpi.x), ToPixels(kClientTwips.cy, dpi.y)};
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

void FrmOpen::AttachKeyboard() {
  keyboard_hook_.reset(
      ::SetWindowsHookExW(WH_GETMESSAGE, &KeyboardHook, nullptr, ::GetCurrentThreadId()));
  if (keyboard_hook_ == nullptr) {
    ThrowLastError();
  }
  g_keyboard_dialog = hWnd();
}

void FrmOpen::Unload() noexcept {
  // The window's destruction releases what the window used (OnDestroyed).
  if (const HWND window = window_.release()) {
    ::DestroyWindow(window);
  }
  OnDestroyed();
}

// Whoever destroys the window (Unload, or the system with the window's owner),
// nothing of it stays held: the hook, the window menu's record, the icons.
void FrmOpen::OnDestroyed() noexcept {
  if (keyboard_hook_ != nullptr) {
    g_keyboard_dialog = nullptr;
    keyboard_hook_.reset();
  }
  close_box_.reset();
  icon_large_.reset();
  icon_small_.reset();
  focus_text_on_show_ = false;
  window_.release();  // NOLINT(bugprone-unused-return-value): the window is gone or going
}

std::u16string FrmOpen::Text() const {
  return WindowText(Control(IDC_TXTWEBURL));
}

void FrmOpen::SetText(std::u16string_view text) {
  if (::SetWindowTextW(Control(IDC_TXTWEBURL), ToWide(text).c_str()) == FALSE) {
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

void FrmOpen::ReportOpenFailure(HResult failure) {
  // A dialog closed (or loaded anew) while its Open ran has no one left to
  // tell: the user closed it, and the host reports its own failures.
  if (open_began_in_ != 0 && !OpenRunsInThisLoad()) {
    return;
  }
  ShowMessage(window_.get(), OpenFailureMessage(DescribeHResult(failure)));
}

void FrmOpen::cmdCancel_Click() {
  // Held past the unload. lock() rather than shared_from_this(): no exception
  // path for a form that is always owned while its window exists.
  const std::shared_ptr<FrmOpen> self = weak_from_this().lock();
  UnloadOpenForm();
}

INT_PTR CALLBACK FrmOpen::DialogProc(HWND dialog, UINT message, WPARAM wparam,
                                     LPARAM lparam) noexcept {
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
    form->OnDestroyed();
    return FALSE;
  }
  try {
    return form->HandleMessage(message, wparam, lparam);
  } catch (...) {
    ReportHandlerFailure(dialog, HResultFromCurrentException());
    return TRUE;
  }
}

INT_PTR FrmOpen::HandleMessage(UINT message, WPARAM wparam, LPARAM /*lparam*/) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wparam) != BN_CLICKED) {
        return FALSE;
      }
      if (LOWORD(wparam) == IDC_CMDOPEN) {
        // One Open at a time: the host pumps messages while it opens the web,
        // and a second "&Open" (or Enter) then would write and open it twice.
        if (open_began_in_ != 0) {
          return TRUE;
        }
        // The handler keeps its dialog alive: a successful Open unloads it.
        const std::shared_ptr<FrmOpen> self = weak_from_this().lock();
        open_began_in_ = loads_;
        cmdOpen_Click(*this, ActiveOpenServices());
        open_began_in_ = 0;
        return TRUE;
      }
      if (LOWORD(wparam) == IDC_CMDCANCEL) {
        cmdCancel_Click();
        return TRUE;
      }
      return FALSE;
    case WM_SETCURSOR:
      if (mouse_pointer_ == kHourglassPointer) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
        ::SetWindowLongPtrW(hWnd(), DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      // Only a foreign close gets here (the Close item is taken away): the window
      // goes, the instance stays shared and loads anew on the next showing.
      Unload();
      return TRUE;
    default:
      return FALSE;
  }
}

std::shared_ptr<FrmOpen>& OpenFormInstance() {
  // Never destroyed by static destructors: at process exit the window is gone
  // with its thread, and the module may be unloading under the loader lock.
  // NOLINTNEXTLINE(cppcoreguidelines-owning-memory): never freed, see above
  static auto* const instance = new std::shared_ptr<FrmOpen>();
  return *instance;
}

void ShowOpenForm() {
  std::shared_ptr<FrmOpen>& instance = OpenFormInstance();
  if (instance == nullptr) {
    instance = std::make_shared<FrmOpen>();
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

void UnloadOpenForm(const OpenDialogView& form) {
  const std::shared_ptr<FrmOpen>& instance = OpenFormInstance();
  if (instance != nullptr && static_cast<const OpenDialogView*>(instance.get()) == &form &&
      instance->OpenRunsInThisLoad()) {
    UnloadOpenForm();
  }
}

void SetOpenServices(OpenServices* services) noexcept {
  g_open_services = services;
}

void ReportHandlerFailure(HWND owner, HResult failure) noexcept {
  try {
    ShowMessage(owner, DescribeHResult(failure));
  } catch (...) {  // NOLINT(bugprone-empty-catch)
  }
}

}  // namespace sorvane
