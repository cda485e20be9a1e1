// The class object of FrontPage's Application: each creation gives a new
// reference to the one running host.

#include "com/win32_host_face.h"

namespace sorvane::standin::com {

namespace {

class ApplicationClass final
    : public ComObject<ApplicationClass, ClassFactoryBase<ApplicationClass>> {
 public:
  explicit ApplicationClass(HostFace& face) : face_(face) {}
  ComPtr<IUnknown> Create() { return face_.NewApplication(); }
  STDMETHODIMP LockServer(BOOL) noexcept override { return S_OK; }

 private:
  HostFace& face_;
};

}  // namespace

ComPtr<IClassFactory> MakeApplicationClass(HostFace& face) {
  return MakeCom<ApplicationClass>(face);
}

}  // namespace sorvane::standin::com
