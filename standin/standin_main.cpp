// The stand-in host: a window with the host's menu bar over the command-bar
// model, the host's COM object model registered for this process, add-ins
// loaded and connected as the host does it, and a command line on standard
// input (one command per line; answers on standard output in UTF-8, one fact
// per line). Its message loop, like the host's, never calls IsDialogMessage.

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <tuple>
#include <vector>

#include "com/win32_host_objects.h"
#include "common/hresult.h"
#include "common/win32_com.h"
#include "common/win32_handles.h"
#include "common/win32_text.h"
#include "dialog/close_box.h"
#include "dialog/frm_open_ids.h"
#include "dialog/recent_web.h"
#include "host/com/win32_host_ids.h"
#include "model/command_bar_model.h"
#include "registry/mod_reg_api.h"
#include "registry/win32_registry.h"
#include "win32_addins.h"
#include "win32_host.h"

namespace sorvane::standin {
namespace {

constexpr UINT kWakeMessage = WM_APP;         // a command line is waiting
constexpr UINT kSettledMessage = WM_APP + 1;  // the input posted before it was dispatched
constexpr UINT kClickMessage = WM_APP + 2;    // a File-bar control to execute, as clicked
constexpr UINT kFirstMenuCommand = 100;
constexpr UINT_PTR kMenuShotTimer = 1;

// A failure of the stand-in itself, reported as "error: TEXT".
class CommandError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string ToUtf8(std::u16string_view text) {
  const std::wstring wide = ToWide(text);
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size,
                        nullptr, nullptr);
  return utf8;
}

std::u16string FromUtf8(std::string_view text) {
  const int size =
      ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return FromWide(wide);
}

// Text for a one-line answer: line breaks written as "\n".
std::string OneLine(std::u16string_view text) {
  std::string line;
  for (const char c : ToUtf8(text)) {
    if (c == '\n') {
      line += "\\n";
    } else if (c != '\r') {
      line += c;
    }
  }
  return line;
}

void Answer(std::string_view line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

BOOL CALLBACK FindDialogIn(HWND window, LPARAM param) {
  wchar_t name[16] = {};
  ::GetClassNameW(window, name, 16);
  if (std::wstring_view(name) == L"#32770" && WindowText(window) == u"Open Web" &&
      ::GetDlgItem(window, IDC_TXTWEBURL) != nullptr) {
    *reinterpret_cast<HWND*>(param) = window;
    return FALSE;
  }
  return TRUE;
}

// The add-in's dialog in this process, found as a user finds it: by caption.
HWND FindDialog() {
  HWND found = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), &FindDialogIn, reinterpret_cast<LPARAM>(&found));
  return found;
}

BOOL CALLBACK FindMessageBoxIn(HWND window, LPARAM param) {
  if (::GetDlgItem(window, 0xFFFF) != nullptr && ::IsWindowVisible(window) != FALSE) {
    *reinterpret_cast<HWND*>(param) = window;
    return FALSE;
  }
  return TRUE;
}

// A message box on this thread: a dialog whose text is the static control 0xFFFF.
HWND FindMessageBox() {
  HWND found = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), &FindMessageBoxIn, reinterpret_cast<LPARAM>(&found));
  return found;
}

// The pointer a user sees over the dialog: 11 for the hourglass, else 0.
int PointerOver(HWND window) {
  const HCURSOR before = ::GetCursor();
  ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
  ::SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  const bool hourglass = ::GetCursor() == ::LoadCursorW(nullptr, IDC_WAIT);
  ::SetCursor(before);
  return hourglass ? 11 : 0;
}

// A Unix path ("/tmp/x.bmp") as Wine sees it ("Z:\tmp\x.bmp"); others unchanged.
std::u16string WindowsPath(std::u16string path) {
  if (!path.empty() && path.front() == u'/') {
    for (char16_t& c : path) {
      c = c == u'/' ? u'\\' : c;
    }
    path.insert(0, u"Z:");
  }
  return path;
}

// Writes a window as it shows on the screen, frame included, to a 24-bit BMP.
void SaveScreenshot(HWND window, const std::u16string& path) {
  // Paint whatever is pending first: commands may come faster than paint messages.
  ::RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME | RDW_ERASE);
  // Wine paints into a window surface and copies it to the display a moment
  // later; let that happen before reading the screen.
  for (int i = 0; i < 10; ++i) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE) != FALSE) {
      ::DispatchMessageW(&msg);
    }
    ::Sleep(20);
  }
  RECT rect{};
  ::GetWindowRect(window, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  const WindowDc screen(nullptr);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const UniqueBitmap bitmap(
      ::CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (bitmap == nullptr) {
    ThrowLastError();
  }
  const HDC memory = ::CreateCompatibleDC(screen.get());
  const HGDIOBJ previous = ::SelectObject(memory, bitmap.get());
  ::BitBlt(memory, 0, 0, width, height, screen.get(), rect.left, rect.top, SRCCOPY);
  ::GdiFlush();
  ::SelectObject(memory, previous);
  ::DeleteDC(memory);

  const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
  const DWORD image_size = stride * static_cast<DWORD>(height);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  file.bfSize = file.bfOffBits + image_size;
  const std::unique_ptr<FILE, decltype(&std::fclose)> out(_wfopen(ToWide(path).c_str(), L"wb"),
                                                          &std::fclose);
  if (out == nullptr) {
    throw CommandError("cannot write " + ToUtf8(path));
  }
  std::fwrite(&file, sizeof file, 1, out.get());
  std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out.get());
  std::fwrite(bits, 1, image_size, out.get());
}

class StandIn {
 public:
  StandIn() {
    RegisterDesignerLibrary();
    CreateWindows();
  }
  ~StandIn() = default;
  StandIn(const StandIn&) = delete;
  StandIn& operator=(const StandIn&) = delete;

  int Run() {
    std::thread reader([this] { ReadCommands(); });
    reader.detach();  // blocked in a read; it ends with the process
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    return 0;
  }

 private:
  void CreateWindows() {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSW commands_class{};
    commands_class.lpfnWndProc = &StandIn::WindowProc;
    commands_class.hInstance = instance;
    commands_class.lpszClassName = L"SorvaneStandInCommands";
    ::RegisterClassW(&commands_class);
    // A message-only window: modal loops (message boxes) dispatch its messages,
    // so commands keep arriving while one is open.
    commands_window_.reset(::CreateWindowExW(0, commands_class.lpszClassName, nullptr, 0, 0, 0, 0,
                                             0, HWND_MESSAGE, nullptr, instance, this));

    WNDCLASSW main_class{};
    main_class.lpfnWndProc = &StandIn::WindowProc;
    main_class.hInstance = instance;
    main_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    main_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    main_class.lpszClassName = L"SorvaneStandInHost";
    ::RegisterClassW(&main_class);
    menu_bar_ = ::CreateMenu();
    for (const Bar& bar : model_.bars()) {
      const HMENU popup = ::CreatePopupMenu();
      ::AppendMenuW(menu_bar_, MF_POPUP, reinterpret_cast<UINT_PTR>(popup),
                    ToWide(u"&" + bar.name).c_str());
      bar_menus_[popup] = &bar;
    }
    main_window_.reset(::CreateWindowExW(
        0, main_class.lpszClassName, L"Microsoft FrontPage (Sorvane stand-in host)",
        WS_OVERLAPPEDWINDOW, 40, 40, 720, 480, nullptr, menu_bar_, instance, this));
    ::ShowWindow(main_window_.get(), SW_SHOWNORMAL);
    ::UpdateWindow(main_window_.get());
  }

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam,
                                     LPARAM lparam) noexcept {
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
      ::SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<StandIn*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
      return ::DefWindowProcW(window, message, wparam, lparam);
    }
    try {
      switch (message) {
        case kWakeMessage:
        case kSettledMessage:
          self->OnCommandMessage(message, wparam);
          return 0;
        case kClickMessage:
          self->model_.Execute(self->pending_click_);
          return 0;
        case WM_TIMER:
          if (wparam == kMenuShotTimer) {
            self->TakeMenuScreenshot();
            return 0;
          }
          break;
        case WM_INITMENUPOPUP:
          self->FillMenu(reinterpret_cast<HMENU>(wparam));
          return 0;
        case WM_COMMAND:
          if (HIWORD(wparam) == 0 && self->OnMenuCommand(LOWORD(wparam))) {
            return 0;
          }
          break;
        case WM_CLOSE:
          if (window == self->main_window_.get()) {
            ::PostQuitMessage(0);
            return 0;
          }
          break;
        default:
          break;
      }
    } catch (...) {
      Answer("error: " + ToUtf8(DescribeHResult(HResultFromCurrentException())));
      return 0;
    }
    return ::DefWindowProcW(window, message, wparam, lparam);
  }

  // The host lists a menu's controls as they stand when it opens.
  void FillMenu(HMENU menu) {
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

  bool OnMenuCommand(UINT id) {
    if (id < kFirstMenuCommand || id - kFirstMenuCommand >= menu_commands_.size()) {
      return false;
    }
    const ControlPtr control = menu_commands_[id - kFirstMenuCommand];
    model_.Execute(control);
    return true;
  }

  void ReadCommands() {
    std::string line;
    char chunk[4096];
    while (std::fgets(chunk, sizeof chunk, stdin) != nullptr) {
      line += chunk;
      if (line.empty() || line.back() != '\n') {
        continue;
      }
      while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
      }
      Enqueue(line);
      line.clear();
    }
    if (!line.empty()) {
      Enqueue(line);
    }
    Enqueue("quit");
  }

  void Enqueue(std::string line) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      lines_.push_back(std::move(line));
    }
    ::PostMessageW(commands_window_.get(), kWakeMessage, 0, 0);
  }

  void OnCommandMessage(UINT message, WPARAM rounds_left) {
    if (message == kSettledMessage) {
      // Input posted by the last command has been dispatched; messages that its
      // translation posted come next, so wait one more round for those.
      if (rounds_left > 0) {
        ::PostMessageW(commands_window_.get(), kSettledMessage, rounds_left - 1, 0);
        return;
      }
      Answer(pending_answer_);
      settling_ = false;
    }
    // A command that pumps messages must not start the next one inside itself.
    if (executing_) {
      return;
    }
    while (!settling_ && !quitting_) {
      std::string line;
      {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (lines_.empty()) {
          return;
        }
        line = std::move(lines_.front());
        lines_.pop_front();
      }
      executing_ = true;
      try {
        Execute(line);
      } catch (const std::exception& error) {
        Answer(std::string("error: ") + error.what());
      } catch (...) {
        Answer("error: " + ToUtf8(DescribeHResult(HResultFromCurrentException())));
      }
      executing_ = false;
    }
  }

  // Answers once the input posted so far has been dispatched, and only then
  // takes the next command.
  void AnswerWhenSettled(std::string answer) {
    pending_answer_ = std::move(answer);
    settling_ = true;
    ::PostMessageW(commands_window_.get(), kSettledMessage, 1, 0);
  }

  static HWND RequireDialog() {
    const HWND dialog = FindDialog();
    if (dialog == nullptr) {
      throw CommandError("no dialog is shown");
    }
    return dialog;
  }

  void Execute(const std::string& line) {
    const std::size_t space = line.find(' ');
    const std::string command = line.substr(0, space);
    const std::string rest = space == std::string::npos ? std::string() : line.substr(space + 1);
    if (command.empty()) {
      return;
    }
    if (command == "menu") {
      ListMenu();
    } else if (command == "registry") {
      for (const auto& [name, path, value] :
           {std::tuple{"Web1", kRecentWebListKey, kRecentWebValue},
            std::tuple{"Value", kFileNameMruKey, kFileNameMruValue}}) {
        const auto stored = GetRegString(registry_, kHkeyCurrentUser, path, value);
        Answer(std::string(name) + ": " + (stored ? OneLine(*stored) : "(absent)"));
      }
    } else if (command == "opened") {
      if (model_.opened().empty()) {
        Answer("opened: none");
      }
      for (const OpenedWeb& web : model_.opened()) {
        Answer("opened: server=" + ToUtf8(web.server) + " web=" + ToUtf8(web.web));
      }
    } else if (command == "addins") {
      for (const AddInEntry& entry : ListAddInEntries()) {
        Answer("addin: " + ToUtf8(entry.prog_id) + " | " + ToUtf8(entry.friendly_name) + " | " +
               ToUtf8(entry.description) + " | " + std::to_string(entry.load_behavior));
      }
      Answer("addins: end");
    } else if (command == "start") {
      for (const AddInEntry& entry : ListAddInEntries()) {
        if (entry.load_behavior == 3) {
          AnswerConnection(entry.prog_id, add_ins_.StartByProgId(entry.prog_id));
        }
      }
      Answer("start: end");
    } else if (command == "load") {
      std::u16string prog_id;
      const HRESULT status = add_ins_.LoadModule(WindowsPath(FromUtf8(rest)), prog_id);
      AnswerConnection(prog_id, status);
    } else if (command == "click") {
      pending_click_ = Model::Item(*model_.file_bar().list, FromUtf8(rest));
      // Delivered through the message loop, as a user's click is.
      ::PostMessageW(main_window_.get(), kClickMessage, 0, 0);
      AnswerWhenSettled("clicked: " + rest);
    } else if (command == "disconnect") {
      const int mode = rest.empty() ? 1 : std::stoi(rest);
      for (const AddIns::Outcome& outcome :
           add_ins_.Disconnect(static_cast<ext_DisconnectMode>(mode))) {
        AnswerOutcome(outcome, "disconnected");
      }
    } else if (command == "shutdown") {
      bool unloadable = false;
      for (const AddIns::Outcome& outcome : add_ins_.Shutdown(unloadable)) {
        AnswerOutcome(outcome, "disconnected");
      }
      Answer("held: " + std::to_string(model_.live_objects()));
      Answer(std::string("unloadable: ") + (unloadable ? "yes" : "no"));
    } else if (command == "abandon") {
      add_ins_.Abandon();
      Answer("abandoned");
    } else if (command == "screenshot-menu") {
      StartMenuScreenshot(rest);
    } else if (command == "type") {
      const std::wstring text = ToWide(FromUtf8(rest));
      ::SendMessageW(::GetDlgItem(RequireDialog(), IDC_TXTWEBURL), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(text.c_str()));
      Answer("typed: " + std::to_string(text.size()) + " characters");
    } else if (command == "press") {
      Press(rest);
    } else if (command == "dialog") {
      DescribeDialog();
    } else if (command == "messagebox") {
      const HWND box = FindMessageBox();
      Answer(box == nullptr ? "messagebox: none"
                            : "messagebox: " + OneLine(WindowText(::GetDlgItem(box, 0xFFFF))));
    } else if (command == "dismiss") {
      const HWND box = FindMessageBox();
      if (box == nullptr) {
        throw CommandError("no message box");
      }
      ::PostMessageW(box, WM_COMMAND, IDOK, 0);
      AnswerWhenSettled("dismissed");
    } else if (command == "fail") {
      Fail(rest);
    } else if (command == "held") {
      Answer("held: " + std::to_string(model_.live_objects()));
    } else if (command == "screenshot") {
      const HWND dialog = FindDialog();
      SaveScreenshot(dialog != nullptr ? dialog : main_window_.get(), WindowsPath(FromUtf8(rest)));
      Answer("screenshot: " + rest);
    } else if (command == "quit") {
      Answer("bye");
      ::PostQuitMessage(0);
      quitting_ = true;
    } else {
      throw CommandError("unknown command " + command);
    }
  }

  static void AnswerConnection(const std::u16string& prog_id, HRESULT status) {
    Answer("addin: " + ToUtf8(prog_id) +
           (SUCCEEDED(status) ? std::string(" connected")
                              : " failed " + Hex(static_cast<std::uint32_t>(status))));
  }
  static void AnswerOutcome(const AddIns::Outcome& outcome, const char* done) {
    Answer("addin: " + ToUtf8(outcome.prog_id) + " " +
           (SUCCEEDED(outcome.status)
                ? std::string(done)
                : "failed " + Hex(static_cast<std::uint32_t>(outcome.status))));
  }

  // Opens the File menu as a user does, and takes the picture while it is open.
  void StartMenuScreenshot(const std::string& path) {
    menu_shot_path_ = WindowsPath(FromUtf8(path));
    menu_shot_answer_ = "screenshot: " + path;
    settling_ = true;
    ::SetForegroundWindow(main_window_.get());
    ::SetTimer(main_window_.get(), kMenuShotTimer, 400, nullptr);
    ::PostMessageW(main_window_.get(), WM_SYSCOMMAND, SC_KEYMENU, 'f');
  }
  void TakeMenuScreenshot() {
    ::KillTimer(main_window_.get(), kMenuShotTimer);
    try {
      SaveScreenshot(main_window_.get(), menu_shot_path_);
      Answer(menu_shot_answer_);
    } catch (const std::exception& error) {
      Answer(std::string("error: ") + error.what());
    }
    ::EndMenu();
    settling_ = false;
    ::PostMessageW(commands_window_.get(), kWakeMessage, 0, 0);
  }

  void ListMenu() {
    for (const ControlPtr& control : model_.file_bar().list->controls) {
      Answer("control: " + std::to_string(Model::Index(*control)) + " | " +
             ToUtf8(control->caption) + " | " + ToUtf8(control->tag) + " | " +
             ToUtf8(control->on_action) + " | enabled=" + (control->enabled ? "1" : "0") + " | " +
             (control->type == kControlPopup ? "popup" : "button"));
    }
  }

  void Fail(const std::string& rest) {
    char operation[128] = {};
    int nth = 0;
    unsigned status = 0;
    if (std::sscanf(rest.c_str(), "%127s %d %x", operation, &nth, &status) != 3 || nth < 1) {
      throw CommandError("fail OPERATION N HRESULT");
    }
    model_.faults().Arm(operation, nth, HResultFromBits(status));
    Answer("armed: " + std::string(operation) + " " + std::to_string(nth) + " " + Hex(status));
  }

  void Press(const std::string& what) {
    const HWND dialog = RequireDialog();
    HWND focus = ::GetFocus();
    if (focus == nullptr || (focus != dialog && ::IsChild(dialog, focus) == FALSE)) {
      focus = ::GetDlgItem(dialog, IDC_TXTWEBURL);
    }
    const auto post_key = [](HWND target, UINT down, UINT up, UINT key, LPARAM flags) {
      ::PostMessageW(target, down, key, flags | 1);
      ::PostMessageW(target, up, key, flags | static_cast<LPARAM>(0xC0000001U));
    };
    if (what == "open" || what == "cancel") {
      const int id = what == "open" ? IDC_CMDOPEN : IDC_CMDCANCEL;
      ::PostMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
    } else if (what == "enter" || what == "esc" || what == "tab") {
      const UINT key = what == "enter" ? VK_RETURN : what == "esc" ? VK_ESCAPE : VK_TAB;
      post_key(focus, WM_KEYDOWN, WM_KEYUP, key, 0);
    } else if (what == "alt+o") {
      post_key(focus, WM_SYSKEYDOWN, WM_SYSKEYUP, 'O', 0x20000000);
    } else {
      throw CommandError("press open|cancel|enter|esc|tab|alt+o");
    }
    AnswerWhenSettled("pressed: " + what);
  }

  static void DescribeDialog() {
    const HWND dialog = FindDialog();
    if (dialog == nullptr) {
      Answer("dialog: none");
      return;
    }
    // The window menu's Close item, under either of its identifiers.
    const HMENU menu = ::GetSystemMenu(dialog, FALSE);
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_ID | MIIM_STATE;
    if (::GetMenuItemInfoW(menu, kAltCloseId, FALSE, &item) == FALSE &&
        ::GetMenuItemInfoW(menu, SC_CLOSE, FALSE, &item) == FALSE) {
      item.wID = 0;
      item.fState = 0;
    }
    Answer("dialog: visible=" + std::to_string(::IsWindowVisible(dialog) != FALSE ? 1 : 0) +
           " pointer=" + std::to_string(PointerOver(dialog)) + " close-id=" + Hex(item.wID) +
           " close-state=" + Hex(item.fState) +
           " text=" + OneLine(WindowText(::GetDlgItem(dialog, IDC_TXTWEBURL))));
  }

  Host host_;
  Win32Registry& registry_ = host_.registry();
  Model& model_ = host_.model();
  com::HostFace& face_ = host_.face();
  AddIns& add_ins_ = host_.add_ins();
  ControlPtr pending_click_;
  std::u16string menu_shot_path_;
  std::string menu_shot_answer_;
  UniqueWindow commands_window_;
  UniqueWindow main_window_;
  HMENU menu_bar_ = nullptr;  // owned by the main window
  std::map<HMENU, const Bar*> bar_menus_;
  std::map<HMENU, ControlPtr> popup_menus_;
  std::vector<ControlPtr> menu_commands_;
  std::mutex mutex_;
  std::deque<std::string> lines_;
  std::string pending_answer_;
  bool executing_ = false;  // a command runs now
  bool settling_ = false;   // its answer waits for the input it posted
  bool quitting_ = false;
};

// COM for this thread, in the host's single-threaded apartment.
class ComApartment {
 public:
  ComApartment() { ThrowIfFailed(::OleInitialize(nullptr)); }
  ~ComApartment() { ::OleUninitialize(); }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
};

}  // namespace
}  // namespace sorvane::standin

int main() {
  try {
    const sorvane::standin::ComApartment apartment;
    sorvane::standin::StandIn host;
    return host.Run();
  } catch (...) {
    std::fputs("error: the stand-in host could not start\n", stdout);
    return 1;
  }
}
