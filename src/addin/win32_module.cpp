// The module's entry point and its four exports.

#include <windows.h>

#include <objbase.h>

#include <cstdlib>

#include "addin/win32_connect_object.h"
#include "addin/win32_module_state.h"
#include "addin/win32_registration.h"

// The module never lets an exception reach std::terminate (every entry point
// catches); should one do so anyway, end without libstdc++'s verbose handler,
// which would drag its name demangler (a quarter of the module) along.
namespace __gnu_cxx {  // NOLINT(cert-dcl58-cpp): replaces the library's handler
void __verbose_terminate_handler() {
  std::abort();
}  // NOLINT
}  // namespace __gnu_cxx

// Keeps the module handle; nothing else happens here.
extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) {
    sorvane::addin::SetModuleHandle(module);
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
