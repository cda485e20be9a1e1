// The least a DLL can be, built as the add-in is: the baseline for the
// add-in's cost when the host loads it.

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE /*module*/, DWORD /*reason*/, LPVOID /*reserved*/) {
  return TRUE;
}
