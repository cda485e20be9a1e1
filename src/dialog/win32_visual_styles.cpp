#include "dialog/win32_visual_styles.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;  // NOLINT(bugprone-reserved-identifier)

namespace sorvane {

namespace {

// kernel32's activation functions, looked up by name, and the module's
// context, made on the first scope (always on the host's UI thread) and
// released with the module's static objects when it is unloaded.
class ModuleContext {
 public:
  ModuleContext() noexcept {
    const HMODULE kernel32 = ::GetModuleHandleA("kernel32");
    // Through the generic function pointer type, which any function pointer converts to.
    const auto find = [kernel32]<typename Function>(Function& function, const char* name) {
      function = reinterpret_cast<Function>(  // NOLINT(cppcoreguidelines-pro-type-reinterpret-cast)
          reinterpret_cast<void (*)()>(::GetProcAddress(kernel32, name)));  // NOLINT
      return function != nullptr;
    };
    decltype(&::CreateActCtxW) create = nullptr;
    if (!find(create, "CreateActCtxW") || !find(activate_, "ActivateActCtx") ||
        !find(deactivate_, "DeactivateActCtx") || !find(release_, "ReleaseActCtx")) {
      return;
    }
    ACTCTXW request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.hModule = reinterpret_cast<HMODULE>(&__ImageBase);
    request.lpResourceName = ISOLATIONAWARE_MANIFEST_RESOURCE_ID;
    context_ = create(&request);
  }
  ~ModuleContext() {
    if (context_ != INVALID_HANDLE_VALUE) {
      release_(context_);
    }
  }
  ModuleContext(const ModuleContext&) = delete;
  ModuleContext& operator=(const ModuleContext&) = delete;

  bool Activate(ULONG_PTR& cookie) const noexcept {
    return context_ != INVALID_HANDLE_VALUE && activate_(context_, &cookie) != FALSE;
  }
  void Deactivate(ULONG_PTR cookie) const noexcept {
    if (deactivate_ != nullptr) {
      deactivate_(0, cookie);
    }
  }

 private:
  decltype(&::ActivateActCtx) activate_ = nullptr;
  decltype(&::DeactivateActCtx) deactivate_ = nullptr;
  decltype(&::ReleaseActCtx) release_ = nullptr;
  HANDLE context_ = INVALID_HANDLE_VALUE;
};

const ModuleContext& Context() noexcept {
  static const ModuleContext context;
  return context;
}

}  // namespace

VisualStylesScope::VisualStylesScope() noexcept : active_(Context().Activate(cookie_)) {}

VisualStylesScope::~VisualStylesScope() {
  if (active_) {
    Context().Deactivate(cookie_);
  }
}

}  // namespace sorvane
