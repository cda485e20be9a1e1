// The module's entry point and its four exports.

#include <windows.h>

#include <objbase.h>

#include <atomic>
#include <cstdlib>

#include "addin/win32_connect_object.h"
#include "addin/win32_module_state.h"
#include "addin/win32_registration.h"
#include "common/trace.h"

// The module never lets an exception reach std::terminate (every entry point
// catches); should one do so anyway, end without libstdc++'s verbose handler,
// which would drag its name demangler (a quarter of the module) along.
namespace __gnu_cxx {  // NOLINT(cert-dcl58-cpp): replaces the library's handler
void __verbose_terminate_handler() {
  std::abort();
}  // NOLINT
}  // namespace __gnu_cxx

namespace {

// Whether a debug-output viewer runs (it maps "DBWIN_BUFFER" meanwhile). The
// question is a call into the kernel, a server round trip under Wine, where it
// doubled the cost of a connection and disconnection; the answer is kept for
// kViewerRecheck milliseconds.
constexpr DWORD kViewerRecheck = 100;
std::atomic<bool> gViewerAsked{false};
std::atomic<bool> gViewerRuns{false};
std::atomic<DWORD> gViewerAskedAt{0};

bool ViewerRuns() noexcept {
  const DWORD now = ::GetTickCount();
  if (!gViewerAsked.load(std::memory_order_relaxed) ||
      now - gViewerAskedAt.load(std::memory_order_relaxed) >= kViewerRecheck) {
    const HANDLE buffer = ::OpenFileMappingW(FILE_MAP_READ, FALSE, L"DBWIN_BUFFER");
    if (buffer != nullptr) {
      ::CloseHandle(buffer);
    }
    gViewerRuns.store(buffer != nullptr, std::memory_order_relaxed);
    gViewerAskedAt.store(now, std::memory_order_relaxed);
    gViewerAsked.store(true, std::memory_order_relaxed);
  }
  return gViewerRuns.load(std::memory_order_relaxed);
}

// The trace's lines go to a debugger or a debug-output viewer. With neither
// listening nothing is written: OutputDebugString would raise and handle an
// exception for each line.
void WriteDebugOutput(const char16_t* line) noexcept {
  if (::IsDebuggerPresent() != FALSE || ViewerRuns()) {
    ::OutputDebugStringW(reinterpret_cast<const wchar_t*>(line));
  }
}

}  // namespace

// Keeps the module handle and says when the module comes and goes (an unload
// by FreeLibrary; at the end of the process there is no one left to tell).
extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    sorvane::addin::SetModuleHandle(module);
    sorvane::SetTraceSink(&WriteDebugOutput);
    sorvane::TraceEvent(u"module loaded");
  } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    sorvane::TraceEvent(u"module unloaded");
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  return sorvane::addin::GetClassObject(clsid, iid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return sorvane::addin::ReleaseIfUnused() ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  return sorvane::addin::RegisterServer();
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  return sorvane::addin::UnregisterServer();
}
