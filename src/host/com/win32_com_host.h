#pragma once

// The host object model of host/host.h bound to the host's COM objects.

#include <windows.h>

#include <objbase.h>

#include <memory>

#include "host/host.h"

namespace sorvane::host::com {

// `object` as FrontPage's Application; DISP_E_TYPEMISMATCH when it is none.
std::unique_ptr<Application> WrapApplication(IUnknown* object);

// A new reference to the host's Application, made through COM from its class.
std::unique_ptr<Application> CreateApplication();

// The same as a factory, for the module's HostApp. Final and never deleted
// through the interface: no virtual destructor (two more destructors and
// their unwind records in the module).
// NOLINTNEXTLINE(cppcoreguidelines-virtual-class-destructor): see above
class ComApplicationFactory final : public ApplicationFactory {
 public:
  std::unique_ptr<Application> NewApplication() override { return CreateApplication(); }
};

// An object handed over without a declared interface (OnConnection's
// Application and AddInInst); DISP_E_TYPEMISMATCH when it is no IDispatch.
std::unique_ptr<Object> WrapObject(IUnknown* object);

}  // namespace sorvane::host::com
