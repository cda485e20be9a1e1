#include "com/win32_host_face.h"

#include <utility>

namespace sorvane::standin::com {

namespace {

constexpr DISPID kClick = 1;  // _CommandBarButtonEvents.Click

// An add-in's sink for a button's events: Click(Ctrl, CancelDefault), with
// DISPPARAMS listing them last to first as the host sends them.
class ComClickSink final : public ClickSink {
 public:
  ComClickSink(HostFace& face, ComPtr<IDispatch> events)
      : face_(face), events_(std::move(events)) {}

  bool Click(const ControlPtr& button, bool& cancel_default) override {
    VARIANT_BOOL cancel = cancel_default ? VARIANT_TRUE : VARIANT_FALSE;
    const Variant control = Variant::Object(MakeCommandBarControl(face_, button).Get());
    VARIANT args[2];
    ::VariantInit(&args[0]);
    args[0].vt = VT_BOOL | VT_BYREF;
    args[0].pboolVal = &cancel;
    args[1] = control.ref();
    DISPPARAMS params{args, nullptr, 2, 0};
    EXCEPINFO exception{};
    UINT bad_argument = 0;
    const HRESULT status = events_->Invoke(kClick, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                           &params, nullptr, &exception, &bad_argument);
    const Bstr source = Bstr::Attach(exception.bstrSource);
    const Bstr description = Bstr::Attach(exception.bstrDescription);
    const Bstr help_file = Bstr::Attach(exception.bstrHelpFile);
    cancel_default = cancel != VARIANT_FALSE;
    return SUCCEEDED(status);
  }
  const ComPtr<IDispatch>& events() const { return events_; }

 private:
  HostFace& face_;
  ComPtr<IDispatch> events_;
};

}  // namespace

ComPtr<IDispatch> HostFace::NewApplication() {
  return MakeApplication(*this);
}

ComPtr<IDispatch> HostFace::NewAddInInstance(std::u16string prog_id) {
  return MakeComAddIn(*this, std::move(prog_id));
}

ComPtr<IClassFactory> HostFace::NewApplicationClass() {
  return MakeApplicationClass(*this);
}

int HostFace::RaiseClick(const ControlPtr& button, VARIANT_BOOL* cancel_default) {
  bool cancel = cancel_default != nullptr && *cancel_default != VARIANT_FALSE;
  const int delivered = state_.RaiseClick(button, cancel);
  if (cancel_default != nullptr) {
    *cancel_default = cancel ? VARIANT_TRUE : VARIANT_FALSE;
  }
  return delivered;
}

std::vector<ComPtr<IDispatch>> HostFace::SinksOf(const Control* button) const {
  std::vector<ComPtr<IDispatch>> found;
  for (const std::shared_ptr<ClickSink>& sink : state_.SinksOf(button)) {
    if (const auto* com_sink = dynamic_cast<const ComClickSink*>(sink.get())) {
      found.push_back(com_sink->events());
    }
  }
  return found;
}

std::shared_ptr<ClickSink> MakeComClickSink(HostFace& face, ComPtr<IDispatch> events) {
  return std::make_shared<ComClickSink>(face, std::move(events));
}

ClassRegistration::ClassRegistration(const GUID& clsid, IUnknown* factory) {
  ThrowIfFailed(
      ::CoRegisterClassObject(clsid, factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie_));
}

ClassRegistration::~ClassRegistration() {
  ::CoRevokeClassObject(cookie_);
}

}  // namespace sorvane::standin::com
