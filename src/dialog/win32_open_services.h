#pragma once

// What "&Open" works with in the module: the host through its HostApp and the
// registry through advapi32's ANSI functions.

#include <memory>

#include "dialog/open_action.h"
#include "host/module_references.h"
#include "registry/win32_registry.h"

namespace sorvane {

class Win32OpenServices final : public OpenServices {
 public:
  // HostApp is the module-wide one of `references`.
  explicit Win32OpenServices(ModuleReferences& references) : references_(references) {}

  std::shared_ptr<host::Application> HostApp() override { return references_.HostApp(); }
  RegistryApi& Registry() override { return registry_; }

 private:
  ModuleReferences& references_;
  Win32Registry registry_;
};

}  // namespace sorvane
