#include "host/com/win32_host_app.h"

#include "host/com/win32_com_host.h"

namespace sorvane::host::com {

namespace {
std::shared_ptr<Application>& Instance() {
  // Never destroyed by static destructors: at process exit the host's object
  // may be gone already. ReleaseHostApp drops it while COM still runs.
  // NOLINTNEXTLINE(cppcoreguidelines-owning-memory): never freed, see above
  static auto* const instance = new std::shared_ptr<Application>();
  return *instance;
}
}  // namespace

std::shared_ptr<Application> HostApp() {
  std::shared_ptr<Application>& instance = Instance();
  if (instance == nullptr) {
    instance = CreateApplication();
  }
  return instance;
}

void ReleaseHostApp() noexcept {
  Instance().reset();
}

}  // namespace sorvane::host::com
