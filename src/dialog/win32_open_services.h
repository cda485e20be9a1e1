#pragma once

// What "&Open" works with in the module: the host through its HostApp, the
// registry through advapi32's ANSI functions, and the shared dialog.

#include <functional>
#include <memory>

#include "dialog/open_action.h"
#include "registry/win32_registry.h"

namespace sorvane {

class Win32OpenServices final : public OpenServices {
 public:
  using HostAppSource = std::function<std::shared_ptr<host::Application>()>;
  explicit Win32OpenServices(HostAppSource host_app) : host_app_(std::move(host_app)) {}

  std::shared_ptr<host::Application> HostApp() override { return host_app_(); }
  RegistryApi& Registry() override { return registry_; }
  void UnloadOpenForm(OpenDialogView& view) override;

 private:
  HostAppSource host_app_;
  Win32Registry registry_;
};

}  // namespace sorvane
