// The stand-in host: the host's state, COM face, add-ins and main window
// (win32_host.h), and a command line on standard input (one command per line;
// answers on standard output in UTF-8, one fact per line; win32_commands.cpp).
// Its message loop, like the host's, never calls IsDialogMessage.

#include <windows.h>

#include <cstdio>
#include <string>
#include <thread>

#include "command_pump.h"
#include "common/hresult.h"
#include "common/win32_handles.h"
#include "common/win32_text.h"
#include "win32_addins.h"
#include "win32_commands.h"
#include "win32_host.h"
#include "win32_utf8.h"

namespace sorvane::standin {
namespace {

constexpr UINT kWakeMessage = WM_APP;         // a command line is waiting
constexpr UINT kSettledMessage = WM_APP + 1;  // a settle marker, wParam rounds left

void Print(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

class Program {
 public:
  Program()
      : host_([](HResult failure) { Print("error: " + ToUtf8(DescribeHResult(failure))); },
              [] { ::PostQuitMessage(0); }),
        pump_({[this](const std::string& line) { commands_.Run(line); }, &Print,
               [this] { ::PostMessageW(messages_.get(), kWakeMessage, 0, 0); },
               [this](int rounds) {
                 ::PostMessageW(messages_.get(), kSettledMessage, static_cast<WPARAM>(rounds), 0);
               }}),
        commands_(host_, pump_, &Print, [] { ::PostQuitMessage(0); }) {
    RegisterDesignerLibrary();
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSW messages_class{};
    messages_class.lpfnWndProc = &Program::MessageProc;
    messages_class.hInstance = instance;
    messages_class.lpszClassName = L"SorvaneStandInCommands";
    ::RegisterClassW(&messages_class);
    // A message-only window: modal loops (message boxes) dispatch its messages,
    // so commands keep arriving while one is open.
    messages_.reset(::CreateWindowExW(0, messages_class.lpszClassName, nullptr, 0, 0, 0, 0, 0,
                                      HWND_MESSAGE, nullptr, instance, this));
    host_.set_busy_observer([this](bool busy) { pump_.SetHostBusy(busy); });
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  ~Program() = default;

  int Run() {
    std::thread reader([this] { ReadLines(); });
    reader.detach();  // blocked in a read; it ends with the process
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    return 0;
  }

 private:
  static LRESULT CALLBACK MessageProc(HWND window, UINT message, WPARAM wparam,
                                      LPARAM lparam) noexcept {
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
      ::SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Program*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr && (message == kWakeMessage || message == kSettledMessage)) {
      try {
        if (message == kWakeMessage) {
          self->pump_.Resume();
        } else {
          self->pump_.Settled(static_cast<int>(wparam));
        }
      } catch (...) {
        Print("error: " + ToUtf8(DescribeHResult(CaughtHResult())));
      }
      return 0;
    }
    return ::DefWindowProcW(window, message, wparam, lparam);
  }

  void ReadLines() {
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
      pump_.Push(std::move(line));
      line.clear();
    }
    if (!line.empty()) {
      pump_.Push(std::move(line));
    }
    pump_.Push("quit");
  }

  Host host_;
  CommandPump pump_;
  Commands commands_;
  UniqueWindow messages_;
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
    sorvane::standin::Program program;
    return program.Run();
  } catch (...) {
    std::fputs("error: the stand-in host could not start\n", stdout);
    return 1;
  }
}
