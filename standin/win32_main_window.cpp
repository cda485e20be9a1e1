#include "win32_main_window.h"

#include "common/hresult.h"
#include "common/win32_text.h"

namespace sorvane::standin {

namespace {

constexpr wchar_t kClassName[] = L"SorvaneStandInHost";
constexpr UINT kClickMessage = WM_APP + 2;  // a control to execute, as clicked
constexpr UINT kFirstMenuCommand = 100;
constexpr UINT_PTR kMenuOpenTimer = 1;

}  // namespace

MainWindow::MainWindow(Model& model, std::function<void(HResult)> report,
                       std::function<void()> closed)
    : model_(model), report_(std::move(report)), closed_(std::move(closed)) {
  WNDCLASSW main_class{};
  main_class.lpfnWndProc = &MainWindow::WindowProc;
  main_class.hInstance = ::GetModuleHandleW(nullptr);
  main_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  main_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
  main_class.lpszClassName = kClassName;
  ::RegisterClassW(&main_class);  // fails harmlessly when a second host registers it again
  Create();
}

void MainWindow::Create() {
  bar_menus_.clear();
  popup_menus_.clear();
  menu_commands_.clear();
  const HMENU menu_bar = ::CreateMenu();  // owned by the window from here
  for (const Bar& bar : model_.bars()) {
    const HMENU popup = ::CreatePopupMenu();
    ::AppendMenuW(menu_bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup),
                  ToWide(u"&" + bar.name).c_str());
    bar_menus_[popup] = &bar;
  }
  window_.reset(::CreateWindowExW(0, kClassName, L"Microsoft FrontPage (Sorvane stand-in host)",
                                  WS_OVERLAPPEDWINDOW, 40, 40, 720, 480, nullptr, menu_bar,
                                  ::GetModuleHandleW(nullptr), this));
  if (window_ == nullptr) {
    ThrowLastError();
  }
  ::ShowWindow(window_.get(), SW_SHOWNORMAL);
  ::UpdateWindow(window_.get());
  ::SetForegroundWindow(window_.get());
}

void MainWindow::Restart() {
  window_.reset();  // owned windows are destroyed with it
  clicks_.clear();
  Create();
}

void MainWindow::Click(ControlPtr control) {
  // A user clicks in the window they are working in.
  ::SetForegroundWindow(window_.get());
  ::SetActiveWindow(window_.get());
  clicks_.push_back(std::move(control));
  ::PostMessageW(window_.get(), kClickMessage, 0, 0);
}

void MainWindow::WithFileMenuOpen(std::function<void()> while_open) {
  while_menu_open_ = std::move(while_open);
  ::SetForegroundWindow(window_.get());
  ::SetTimer(window_.get(), kMenuOpenTimer, 400, nullptr);
  ::PostMessageW(window_.get(), WM_SYSCOMMAND, SC_KEYMENU, 'f');
}

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wparam,
                                        LPARAM lparam) noexcept {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self != nullptr && message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  }
  if (self == nullptr || message == WM_NCCREATE) {
    return ::DefWindowProcW(window, message, wparam, lparam);
  }
  try {
    if (self->Handle(message, wparam, lparam)) {
      return 0;
    }
  } catch (...) {
    if (self->report_) {
      self->report_(CaughtHResult());
    }
    return 0;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

bool MainWindow::Handle(UINT message, WPARAM wparam, LPARAM /*lparam*/) {
  switch (message) {
    case kClickMessage: {
      if (clicks_.empty()) {
        return true;
      }
      const ControlPtr control = clicks_.front();
      clicks_.erase(clicks_.begin());
      model_.Execute(control);
      return true;
    }
    case WM_TIMER:
      if (wparam == kMenuOpenTimer) {
        ::KillTimer(window_.get(), kMenuOpenTimer);
        const std::function<void()> while_open = std::move(while_menu_open_);
        if (while_open) {
          while_open();
        }
        ::EndMenu();
        return true;
      }
      return false;
    case WM_INITMENUPOPUP:
      FillMenu(reinterpret_cast<HMENU>(wparam));
      return true;
    case WM_COMMAND: {
      const UINT id = LOWORD(wparam);
      if (HIWORD(wparam) != 0 || id < kFirstMenuCommand ||
          id - kFirstMenuCommand >= menu_commands_.size()) {
        return false;
      }
      const ControlPtr control = menu_commands_[id - kFirstMenuCommand];
      model_.Execute(control);
      return true;
    }
    case WM_CLOSE:
      if (closed_) {
        closed_();
        return true;
      }
      return false;
    default:
      return false;
  }
}

// The host lists a menu's controls as they stand when it opens.
void MainWindow::FillMenu(HMENU menu) {
  const auto bar = bar_menus_.find(menu);
  const auto popup = popup_menus_.find(menu);
  if (bar == bar_menus_.end() && popup == popup_menus_.end()) {
    return;
  }
  if (bar != bar_menus_.end()) {
    // One menu tree is open at a time: start its commands afresh.
    menu_commands_.clear();
    popup_menus_.clear();
  }
  while (::GetMenuItemCount(menu) > 0) {
    ::DeleteMenu(menu, 0, MF_BYPOSITION);  // destroys submenus too
  }
  const ControlList& list =
      bar != bar_menus_.end() ? *bar->second->list : model_.Submenu(*popup->second);
  for (const ControlPtr& control : list.controls) {
    if (!control->visible) {
      continue;
    }
    const UINT state = control->enabled ? MF_ENABLED : MF_GRAYED;
    const std::wstring caption = ToWide(control->caption);
    if (control->type == kControlPopup) {
      const HMENU submenu = ::CreatePopupMenu();
      popup_menus_[submenu] = control;
      ::AppendMenuW(menu, MF_POPUP | state, reinterpret_cast<UINT_PTR>(submenu), caption.c_str());
    } else {
      const UINT id = kFirstMenuCommand + static_cast<UINT>(menu_commands_.size());
      menu_commands_.push_back(control);
      ::AppendMenuW(menu, MF_STRING | state, id, caption.c_str());
    }
  }
}

}  // namespace sorvane::standin
