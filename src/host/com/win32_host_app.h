#pragma once

// HostApp: the module-wide reference to the host's Application, created on
// first use and kept until the module unloads.

#include <memory>

#include "host/host.h"

namespace sorvane::host::com {

std::shared_ptr<Application> HostApp();

// Drops the module's reference (when the module unloads).
void ReleaseHostApp() noexcept;

}  // namespace sorvane::host::com
