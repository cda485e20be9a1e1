// The stand-in host: a scriptable program that shows the product's dialog the
// way the host will and reports what it sees. Commands come one per line on
// standard input; answers go to standard output in UTF-8, one fact per line.
// Its message loop, like the host's, never calls IsDialogMessage.

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "common/hresult.h"
#include "common/win32_handles.h"
#include "common/win32_text.h"
#include "dialog/close_box.h"
#include "dialog/frm_open_ids.h"
#include "dialog/win32_frm_open.h"

namespace sorvane::standin {
namespace {

constexpr UINT kWakeMessage = WM_APP;         // a command line is waiting
constexpr UINT kSettledMessage = WM_APP + 1;  // the input posted before it was dispatched

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

void Answer(std::string_view line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
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

// The product's dialog in this process, found as a user finds it: by caption.
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

// Writes the dialog as it shows on the screen, frame included, to a 24-bit BMP.
void SaveScreenshot(HWND window, const std::u16string& path) {
  // Paint whatever is pending first: commands may come faster than paint messages.
  ::RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME | RDW_ERASE);
  // Wine paints into a window surface and copies it to the display a moment
  // later; let that happen before reading the screen.
  for (int i = 0; i < 10; ++i) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE) {
      ::TranslateMessage(&msg);
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
    throw HResultError(kEFail);
  }
  std::fwrite(&file, sizeof file, 1, out.get());
  std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out.get());
  std::fwrite(bits, 1, image_size, out.get());
}

// A Unix path ("/tmp/x.bmp") as Wine sees it ("Z:\\tmp\\x.bmp"); others unchanged.
std::u16string WindowsPath(std::u16string path) {
  if (!path.empty() && path.front() == u'/') {
    for (char16_t& c : path) {
      c = c == u'/' ? u'\\' : c;
    }
    path.insert(0, u"Z:");
  }
  return path;
}

// Until the add-in loads into the stand-in, the dialog's hand-off ends here.
class PrintingOpener final : public WebOpener {
 public:
  void OpenWeb(const WebAddress& address) override {
    Answer("handed-off: server=" + ToUtf8(address.WebServer) + " web=" + ToUtf8(address.WebName));
  }
};

class Host {
 public:
  Host() {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = &Host::WindowProc;
    window_class.hInstance = ::GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"SorvaneStandInCommands";
    ::RegisterClassW(&window_class);
    // A message-only window: modal loops (message boxes) dispatch its messages,
    // so commands keep arriving while one is open.
    commands_window_.reset(::CreateWindowExW(0, window_class.lpszClassName, nullptr, 0, 0, 0, 0, 0,
                                             HWND_MESSAGE, nullptr, window_class.hInstance, this));
    SetWebOpener(&opener_);
  }
  ~Host() { SetWebOpener(nullptr); }
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

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

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam,
                                     LPARAM lparam) noexcept {
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
      ::SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* host = reinterpret_cast<Host*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (host != nullptr && (message == kWakeMessage || message == kSettledMessage)) {
      host->OnMessage(message, wparam);
      return 0;
    }
    return ::DefWindowProcW(window, message, wparam, lparam);
  }

  void OnMessage(UINT message, WPARAM rounds_left) {
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
      throw std::runtime_error("no dialog is shown");
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
    if (command == "show") {
      ShowOpenForm();
      Answer("shown: Open Web");
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
        Answer("error: no message box");
        return;
      }
      ::PostMessageW(box, WM_COMMAND, IDOK, 0);
      AnswerWhenSettled("dismissed");
    } else if (command == "screenshot") {
      SaveScreenshot(RequireDialog(), WindowsPath(FromUtf8(rest)));
      Answer("screenshot: " + rest);
    } else if (command == "quit") {
      UnloadOpenForm();
      Answer("bye");
      ::PostQuitMessage(0);
      quitting_ = true;
    } else {
      Answer("error: unknown command " + command);
    }
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
      Answer("error: press open|cancel|enter|esc|tab|alt+o");
      return;
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

  UniqueWindow commands_window_;
  PrintingOpener opener_;
  std::mutex mutex_;
  std::deque<std::string> lines_;
  std::string pending_answer_;
  bool executing_ = false;  // a command runs now
  bool settling_ = false;   // its answer waits for the input it posted
  bool quitting_ = false;
};

}  // namespace
}  // namespace sorvane::standin

int main() {
  try {
    sorvane::standin::Host host;
    return host.Run();
  } catch (...) {
    std::fputs("error: the stand-in host could not start\n", stdout);
    return 1;
  }
}
