// The class object of FrontPage's Application: each creation gives a new
// reference to the one running host.

#include "com/win32_host_face.h"

namespace sorvane::standin::com {

namespace {

class ApplicationClass final : public ComObject<ApplicationClass, IClassFactory> {
 public:
  explicit ApplicationClass(HostFace& face) : face_(face) {}
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) noexcept override {
    if (out == nullptr) {
      return E_POINTER;
    }
    *out = nullptr;
    if (outer != nullptr) {
      return CLASS_E_NOAGGREGATION;
    }
    try {
      return face_.NewApplication()->QueryInterface(iid, out);
    } catch (...) {
      return CaughtHResult();
    }
  }
  STDMETHODIMP LockServer(BOOL) noexcept override { return S_OK; }

 private:
  HostFace& face_;
};

}  // namespace

ComPtr<IClassFactory> MakeApplicationClass(HostFace& face) {
  return MakeCom<ApplicationClass>(face);
}

}  // namespace sorvane::standin::com
