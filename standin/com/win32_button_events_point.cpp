// The connection point of one button for its events (_CommandBarButtonEvents).

#include <olectl.h>

#include "com/win32_dispatch_object.h"
#include "com/win32_host_ids.h"

namespace sorvane::standin::com {

namespace {

class ButtonEventsPoint final : public ComObject<ButtonEventsPoint, IConnectionPoint> {
 public:
  ButtonEventsPoint(HostFace& face, ControlPtr button, ComPtr<IConnectionPointContainer> owner)
      : face_(face), button_(std::move(button)), owner_(std::move(owner)) {
    face_.state().ObjectCreated();
  }
  ~ButtonEventsPoint() override { face_.state().ObjectDestroyed(); }
  ButtonEventsPoint(const ButtonEventsPoint&) = delete;
  ButtonEventsPoint& operator=(const ButtonEventsPoint&) = delete;

  STDMETHODIMP GetConnectionInterface(IID* iid) noexcept override {
    if (iid == nullptr) {
      return E_POINTER;
    }
    *iid = kDiidCommandBarButtonEvents;
    return S_OK;
  }
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** owner) noexcept override {
    if (owner == nullptr) {
      return E_POINTER;
    }
    return owner_.CopyTo(owner);
  }
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) noexcept override {
    if (cookie == nullptr) {
      return E_POINTER;
    }
    *cookie = 0;
    if (sink == nullptr) {
      return E_POINTER;
    }
    return Journaled("Advise", [&]() -> HRESULT {
      face_.state().faults().Check(op::kAdvise);
      // The sink must implement the events' dispinterface, as the host asks for it.
      ComPtr<IDispatch> events;
      if (FAILED(sink->QueryInterface(kDiidCommandBarButtonEvents,
                                      reinterpret_cast<void**>(events.GetAddressOf())))) {
        return CONNECT_E_CANNOTCONNECT;
      }
      *cookie = face_.state().Advise(button_.get(), MakeComClickSink(face_, std::move(events)));
      return S_OK;
    });
  }
  STDMETHODIMP Unadvise(DWORD cookie) noexcept override {
    return Journaled("Unadvise", [&]() -> HRESULT {
      face_.state().faults().Check(op::kUnadvise);
      return face_.state().Unadvise(button_.get(), cookie) ? S_OK : CONNECT_E_NOCONNECTION;
    });
  }
  STDMETHODIMP EnumConnections(IEnumConnections** connections) noexcept override {
    if (connections != nullptr) {
      *connections = nullptr;
    }
    return E_NOTIMPL;
  }

 private:
  template <typename Work>
  HRESULT Journaled(const char* member, Work work) noexcept {
    std::size_t entry = 0;
    HRESULT status = S_OK;
    try {
      entry = RecordInterfaceCall(face_.state(), "IConnectionPoint", member);
      status = work();
    } catch (...) {
      status = CaughtHResult();
    }
    face_.state().journal().Finish(entry, status);
    return status;
  }

  HostFace& face_;
  ControlPtr button_;
  ComPtr<IConnectionPointContainer> owner_;
};

}  // namespace

ComPtr<IConnectionPoint> MakeButtonEventsPoint(HostFace& face, ControlPtr button,
                                               ComPtr<IConnectionPointContainer> owner) {
  return MakeCom<ButtonEventsPoint>(face, std::move(button), std::move(owner));
}

}  // namespace sorvane::standin::com
