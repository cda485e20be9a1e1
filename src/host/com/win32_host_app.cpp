#include "host/com/win32_host_app.h"

#include "host/com/win32_com_host.h"

namespace sorvane::host::com {

namespace {
std::shared_ptr<Application>& Instance() {
  static std::shared_ptr<Application> instance;
  return instance;
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
