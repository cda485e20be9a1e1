// The class object of FrontPage's Application: each creation gives a new
// reference to the one running host; once revoked at shutdown, none.

#include "com/win32_host_face.h"

#include <utility>

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

class StoppedApplicationClass final
    : public ComObject<StoppedApplicationClass, ClassFactoryBase<StoppedApplicationClass>> {
 public:
  explicit StoppedApplicationClass(HostFace& face) : face_(face) {}
  ComPtr<IUnknown> Create() {
    JournalEntry entry;
    entry.object = "ApplicationClass";
    entry.member = "CreateInstance";
    entry.kind = kCallVtable;
    entry.status = CO_E_SERVER_STOPPING;
    face_.state().journal().Record(std::move(entry));
    throw HResultError(CO_E_SERVER_STOPPING);
  }
  STDMETHODIMP LockServer(BOOL) noexcept override { return S_OK; }

 private:
  HostFace& face_;
};

}  // namespace

ComPtr<IClassFactory> MakeApplicationClass(HostFace& face) {
  return MakeCom<ApplicationClass>(face);
}

ComPtr<IClassFactory> MakeStoppedApplicationClass(HostFace& face) {
  return MakeCom<StoppedApplicationClass>(face);
}

}  // namespace sorvane::standin::com
