// A module planted where a setup must never load it from: loading it leaves
// "planted-module-loaded.txt" beside it, which the installer test looks for.

#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(instance, path, MAX_PATH);
    wchar_t* name = path + length;
    while (name > path && name[-1] != L'\\') {
      --name;
    }
    constexpr wchar_t kMarker[] = L"planted-module-loaded.txt";
    if (name + sizeof kMarker / sizeof kMarker[0] <= path + MAX_PATH) {
      ::lstrcpyW(name, kMarker);
      const HANDLE marker = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
      if (marker != INVALID_HANDLE_VALUE) {
        ::CloseHandle(marker);
      }
    }
  }
  return TRUE;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer() {
  return S_OK;
}
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer() {
  return S_OK;
}
