#pragma once

// What DllRegisterServer writes and DllUnregisterServer removes: the class and
// its ProgID, the type library, and the host's add-in entry.

#include <windows.h>

namespace sorvane::addin {

HRESULT RegisterServer() noexcept;
HRESULT UnregisterServer() noexcept;

}  // namespace sorvane::addin
