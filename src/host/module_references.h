#pragma once

// The host references of the add-in, named by who holds them and how long:
// - held by one connection (Connect's fpApp): for the life of that Connect;
// - held module-wide (HostApp, gFPApp): from their first use until the
//   module can unload (DllCanUnloadNow), which releases them together here.

#include <memory>

#include "host/host.h"

namespace sorvane {

// A host reference a connection holds for its own life.
template <typename T>
using ConnectionHeld = std::shared_ptr<T>;

// A host reference held module-wide, released when the module can unload.
template <typename T>
using ModuleHeld = std::shared_ptr<T>;

class ModuleReferences {
 public:
  // HostApp comes from `factory` (the host's Application class).
  explicit ModuleReferences(host::ApplicationFactory& factory) : factory_(factory) {}

  // HostApp: made on first use by whichever part needs it first.
  ModuleHeld<host::Application> HostApp() {
    if (host_app_ == nullptr) {
      host_app_ = factory_.NewApplication();
    }
    return host_app_;
  }

  // HostApp if some part has made it already; null otherwise (nothing is made).
  ModuleHeld<host::Application> HostAppIfMade() const { return host_app_; }

  // gFPApp: the Application handed to the last AddOpenButton.
  const ModuleHeld<host::Application>& gFPApp() const { return gFPApp_; }
  void set_gFPApp(ModuleHeld<host::Application> application) { gFPApp_ = std::move(application); }

  // The one place that releases them: the module can unload.
  void ReleaseAll() noexcept {
    gFPApp_.reset();
    host_app_.reset();
  }

 private:
  host::ApplicationFactory& factory_;
  ModuleHeld<host::Application> host_app_;
  ModuleHeld<host::Application> gFPApp_;
};

}  // namespace sorvane
