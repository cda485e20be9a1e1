#include "addin/win32_module_state.h"

#include <atomic>
#include <vector>

#include "common/win32_com.h"
#include "dialog/win32_frm_open.h"
#include "dialog/win32_message_box.h"
#include "dialog/win32_open_services.h"
#include "host/com/win32_com_host.h"
#include "host/module_references.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;  // NOLINT(bugprone-reserved-identifier)

namespace sorvane::addin {

namespace {

HINSTANCE g_module = nullptr;
std::atomic<long> g_locks{0};

// The module's own state: its host references (module-wide, released when it
// can unload), its File-menu command, and what the dialog's "&Open" works with.
class Module final : public AddInModule {
 public:
  ModuleHeld<host::Application> HostApp() override { return references_.HostApp(); }
  ModuleHeld<host::Application> HostAppIfMade() override { return references_.HostAppIfMade(); }
  FileMenuCommand& FileMenu() override { return file_menu_; }
  void ShowOpenForm() override { sorvane::ShowOpenForm(open_services_); }
  void ReportClickFailure(HResult failure) noexcept override {
    // Owned by the window the user clicked in.
    ReportHandlerFailure(::GetActiveWindow(), failure);
  }
  void Release() noexcept { references_.ReleaseAll(); }

 private:
  host::com::ComApplicationFactory host_application_class_;
  ModuleReferences references_{host_application_class_};
  FileMenuCommand file_menu_{references_};
  Win32OpenServices open_services_{references_};
};

// Made when the module loads, before any export can run on any thread. Never
// destroyed by static destructors: at process exit the host's objects may
// already be gone, and releasing them then would call into freed memory.
// NOLINTNEXTLINE(cppcoreguidelines-owning-memory,cert-err58-cpp): see above
Module* const gModule = new Module();

Module& Instance() {
  return *gModule;
}

}  // namespace

HINSTANCE ModuleHandle() noexcept {
  return g_module;
}
void SetModuleHandle(HINSTANCE module) noexcept {
  g_module = module;
}

void LockModule(bool lock) noexcept {
  if (lock) {
    ++g_locks;
  } else {
    --g_locks;
  }
}

bool ReleaseIfUnused() noexcept {
  if (LiveComObjects() != 0 || g_locks != 0 || OpenFormInstance() != nullptr ||
      RunningCalls() != 0) {
    return false;
  }
  Instance().Release();
  return true;
}

std::u16string ModuleFilePath() {
  std::u16string path(MAX_PATH, u'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(reinterpret_cast<HMODULE>(&__ImageBase),
                                              reinterpret_cast<wchar_t*>(path.data()),
                                              static_cast<DWORD>(path.size()));
    if (length == 0) {
      ThrowLastError();
    }
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);  // cut short: try a larger buffer
  }
}

AddInModule& TheModule() {
  return Instance();
}

}  // namespace sorvane::addin
