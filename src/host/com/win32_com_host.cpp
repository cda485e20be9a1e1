#include "host/com/win32_com_host.h"

#include <ocidl.h>
#include <olectl.h>

#include <utility>

#include "host/com/win32_dispatch.h"
#include "host/com/win32_host_ids.h"

namespace sorvane::host::com {

namespace {

// The object a call returned, as the host interface `iid`.
Dispatch As(const Variant& result, const GUID& iid) {
  const ComPtr<IUnknown> object = result.ToObject();
  if (object == nullptr) {
    throw HResultError(kEPointer, {}, u"an object");  // "nothing" where one is needed
  }
  return {object.Get(), iid};
}

// Receives a button's events for one ClickHandler: Click is DISPID 1, with
// Ctrl and CancelDefault (by reference), listed last to first.
class ButtonEventSink final : public ComObject<ButtonEventSink, WithoutTypeInfo<>> {
 public:
  explicit ButtonEventSink(ClickHandler& handler) : handler_(&handler) {}

  // The connection ended: no click reaches the handler any more.
  void Detach() noexcept { handler_ = nullptr; }

  void* QueryOther(REFIID iid) noexcept {
    return iid == kIidCommandBarButtonEvents ? static_cast<IDispatch*>(this) : nullptr;
  }
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                             DISPID* ids) noexcept override {
    if (iid != kNullIid) {
      return DISP_E_UNKNOWNINTERFACE;
    }
    if (names == nullptr || ids == nullptr) {
      return E_POINTER;
    }
    HRESULT status = S_OK;
    for (UINT i = 0; i < count; ++i) {
      ids[i] = DISPID_UNKNOWN;
      if (i == 0 && _wcsicmp(names[0], L"Click") == 0) {
        ids[0] = kClick;
      } else {
        status = DISP_E_UNKNOWNNAME;
      }
    }
    return status;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT*,
                      EXCEPINFO*, UINT* bad_argument) noexcept override {
    const RunningCall running;
    if (iid != kNullIid) {
      return DISP_E_UNKNOWNINTERFACE;
    }
    if (id != kClick || (flags & DISPATCH_METHOD) == 0) {
      return DISP_E_MEMBERNOTFOUND;
    }
    if (params == nullptr) {
      return E_POINTER;
    }
    if (params->cNamedArgs != 0) {
      return DISP_E_NONAMEDARGS;
    }
    if (params->cArgs != 2) {
      return DISP_E_BADPARAMCOUNT;
    }
    // rgvarg[1] is Ctrl, the button; rgvarg[0] CancelDefault, never written.
    const VARTYPE types[2] = {VT_BOOL | VT_BYREF, VT_DISPATCH};
    for (UINT i = 0; i < 2; ++i) {
      if (params->rgvarg[i].vt != types[i]) {
        if (bad_argument != nullptr) {
          *bad_argument = i;
        }
        return DISP_E_BADVARTYPE;
      }
    }
    const ComPtr<ButtonEventSink> self(this);  // the handler may end the connection
    if (handler_ != nullptr) {
      handler_->OnClick();
    }
    return S_OK;
  }

 private:
  static constexpr DISPID kClick = 1;
  ClickHandler* handler_;
};

// An advised event sink; destroying it unadvises and detaches the sink.
class ComEventConnection final : public EventConnection {
 public:
  ComEventConnection(ComPtr<IConnectionPoint> point, ComPtr<ButtonEventSink> sink, DWORD cookie)
      : point_(std::move(point)), sink_(std::move(sink)), cookie_(cookie) {}
  ~ComEventConnection() override {
    sink_->Detach();
    point_->Unadvise(cookie_);  // a refusal leaves nothing to do
  }
  ComEventConnection(const ComEventConnection&) = delete;
  ComEventConnection& operator=(const ComEventConnection&) = delete;

 private:
  ComPtr<IConnectionPoint> point_;
  ComPtr<ButtonEventSink> sink_;
  DWORD cookie_;
};

class ComControl : public Button {
 public:
  ComControl(Dispatch control) : control_(std::move(control)) {}

  std::u16string Caption() override { return control_.Get(L"Caption").ToString(); }
  void SetCaption(std::u16string_view caption) override {
    control_.Put(L"Caption", Variant::String(caption));
  }
  std::int32_t Index() override { return control_.Get(L"Index").ToInt32(); }
  void SetTag(std::u16string_view tag) override { control_.Put(L"Tag", Variant::String(tag)); }
  void SetOnAction(std::u16string_view action) override {
    control_.Put(L"OnAction", Variant::String(action));
  }
  void SetEnabled(bool enabled) override { control_.Put(L"Enabled", Variant::Bool(enabled)); }
  void Delete() override {
    std::vector<Variant> args;
    args.push_back(Variant::Missing());  // Temporary
    control_.Call(L"Delete", std::move(args));
  }
  void Execute() override { control_.Call(L"Execute", {}); }
  std::unique_ptr<Control> PopupControl(std::int16_t position) override {
    // By name at run time, on whatever object the control is (a popup).
    const Dispatch popup(control_.get());
    std::vector<Variant> args;
    args.push_back(Variant::Int16(position));
    return std::make_unique<ComControl>(
        As(popup.Get(L"Controls", std::move(args)), kIidCommandBarControl));
  }
  std::unique_ptr<Button> AsButton() override {
    return std::make_unique<ComControl>(Dispatch(control_.get(), kIidCommandBarButton));
  }
  std::unique_ptr<EventConnection> ConnectClick(ClickHandler& handler) override {
    ComPtr<IConnectionPointContainer> container;
    ThrowIfFailed(control_.get()->QueryInterface(IID_PPV_ARGS(&container)),
                  u"IConnectionPointContainer");
    ComPtr<IConnectionPoint> point;
    ThrowIfFailed(container->FindConnectionPoint(kIidCommandBarButtonEvents, &point),
                  u"FindConnectionPoint");
    const ComPtr<ButtonEventSink> sink = MakeCom<ButtonEventSink>(handler);
    DWORD cookie = 0;
    ThrowIfFailed(point->Advise(static_cast<IDispatch*>(sink.Get()), &cookie), u"Advise");
    return std::make_unique<ComEventConnection>(std::move(point), sink, cookie);
  }

 private:
  Dispatch control_;
};

class ComObjectRef : public Object {
 public:
  explicit ComObjectRef(Dispatch object) : object_(std::move(object)) {}
  std::unique_ptr<Application> AsApplication() override { return WrapApplication(object_.get()); }
  std::u16string TextProperty(const char16_t* name) override {
    return object_.Get(reinterpret_cast<const wchar_t*>(name)).ToString();
  }

 private:
  Dispatch object_;
};

class ComControls : public Controls {
 public:
  explicit ComControls(Dispatch controls) : controls_(std::move(controls)) {}

  std::unique_ptr<Control> Item(std::u16string_view caption) override {
    std::vector<Variant> args;
    args.push_back(Variant::String(caption));
    return std::make_unique<ComControl>(
        As(controls_.Call(L"Item", std::move(args)), kIidCommandBarControl));
  }
  void ForEach(FunctionRef<void(Control&)> visit) override {
    const ComPtr<IEnumVARIANT> items = controls_.NewEnum();
    for (;;) {
      Variant item;
      ULONG fetched = 0;
      const HRESULT status = items->Next(1, item.get(), &fetched);
      ThrowIfFailed(status, u"Next");
      if (status != S_OK || fetched == 0) {
        return;
      }
      ComControl control(As(item, kIidCommandBarControl));
      visit(control);
    }
  }
  std::unique_ptr<Button> Add(std::int32_t type, std::u16string_view parameter,
                              std::int16_t before) override {
    std::vector<Variant> args;
    args.push_back(Variant::Int32(type));
    args.push_back(Variant::Missing());  // Id
    args.push_back(Variant::String(parameter));
    args.push_back(Variant::Int16(before));
    args.push_back(Variant::Missing());  // Temporary
    return std::make_unique<ComControl>(
        As(controls_.Call(L"Add", std::move(args)), kIidCommandBarButton));
  }

 private:
  Dispatch controls_;
};

class ComBar : public CommandBar {
 public:
  explicit ComBar(Dispatch bar) : bar_(std::move(bar)) {}

  std::unique_ptr<Controls> GetControls() override {
    return std::make_unique<ComControls>(As(bar_.Get(L"Controls"), kIidCommandBarControls));
  }
  std::unique_ptr<Control> FindControl(std::u16string_view tag) override {
    std::vector<Variant> args;
    args.push_back(Variant::Missing());  // Type
    args.push_back(Variant::Missing());  // Id
    args.push_back(Variant::String(tag));
    args.push_back(Variant::Missing());  // Visible
    args.push_back(Variant::Missing());  // Recursive
    const Variant found = bar_.Call(L"FindControl", std::move(args));
    if (found.ToObject() == nullptr) {
      return nullptr;
    }
    return std::make_unique<ComControl>(As(found, kIidCommandBarControl));
  }

 private:
  Dispatch bar_;
};

class ComBars : public CommandBars {
 public:
  explicit ComBars(Dispatch bars) : bars_(std::move(bars)) {}

  std::unique_ptr<CommandBar> Item(std::u16string_view name) override {
    std::vector<Variant> args;
    args.push_back(Variant::String(name));
    return std::make_unique<ComBar>(As(bars_.Call(L"Item", std::move(args)), kIidCommandBar));
  }

 private:
  Dispatch bars_;
};

class ComApplication : public Application {
 public:
  explicit ComApplication(Dispatch application) : application_(std::move(application)) {}

  std::unique_ptr<CommandBars> GetCommandBars() override {
    return std::make_unique<ComBars>(As(application_.Get(L"CommandBars"), kIidCommandBars));
  }

 private:
  Dispatch application_;
};

}  // namespace

std::unique_ptr<Application> WrapApplication(IUnknown* object) {
  return std::make_unique<ComApplication>(Dispatch(object, kIidApplication));
}

std::unique_ptr<Object> WrapObject(IUnknown* object) {
  return std::make_unique<ComObjectRef>(Dispatch(object));
}

std::unique_ptr<Application> CreateApplication() {
  ComPtr<IUnknown> object;
  ThrowIfFailed(::CoCreateInstance(kClsidApplication, nullptr, CLSCTX_SERVER, __uuidof(IUnknown),
                                   reinterpret_cast<void**>(object.GetAddressOf())),
                u"creating the host's Application");
  return WrapApplication(object.Get());
}

}  // namespace sorvane::host::com
