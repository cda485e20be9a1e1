#pragma once

// The COM face of Connect: its default dual interface _Connect (no members of
// its own) and the host's add-in interface _IDTExtensibility2, both with an
// IDispatch side that works through the module's type library; and the class
// object that makes a new Connect for every request.

#include <windows.h>

#include <objbase.h>

namespace sorvane::addin {

// The class object for Connect's CLSID; CLASS_E_CLASSNOTAVAILABLE for others.
HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) noexcept;

}  // namespace sorvane::addin
