#pragma once

// The module's own state: its handle, the count of objects and locks that keep
// it loaded, and the module-wide references (HostApp, gFPApp, the dialog).

#include <windows.h>

#include <string>

#include "addin/connect.h"

namespace sorvane::addin {

HINSTANCE ModuleHandle() noexcept;
void SetModuleHandle(HINSTANCE module) noexcept;

// The full path of this module's file, however long.
std::u16string ModuleFilePath();

// IClassFactory::LockServer locks held.
void LockModule(bool lock) noexcept;

// True when no object of the module (Connect, an event sink, a class object),
// no lock, no dialog instance and no running handler (a window procedure, the
// keyboard hook, the button's Click) keeps it; the module then drops its
// references to the host, so that it can unload.
bool ReleaseIfUnused() noexcept;

// What Connect uses of the module: HostApp, the File-menu command, the dialog.
AddInModule& TheModule();

}  // namespace sorvane::addin
