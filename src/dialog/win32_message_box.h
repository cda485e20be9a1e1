#pragma once

// The add-in's message boxes: the system's own, captioned "Open Web", owned by
// the window the user was working in.

#include <windows.h>

#include <string>

#include "common/hresult.h"

namespace sorvane {

// Shows `text`; nothing is left to report with when even that fails.
void ShowMessage(HWND owner, const std::u16string& text) noexcept;

// Reports a failure of an event handler: the system's description of it.
void ReportHandlerFailure(HWND owner, HResult failure) noexcept;

}  // namespace sorvane
