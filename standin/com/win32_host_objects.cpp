#include "com/win32_host_objects.h"

#include <ocidl.h>
#include <olectl.h>

#include <algorithm>
#include <cwctype>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#include "host/com/win32_host_ids.h"

namespace sorvane::standin::com {

namespace {

using host::com::kIidApplication;
using host::com::kIidCommandBar;
using host::com::kIidCommandBarButton;
using host::com::kIidCommandBarButtonEvents;
using host::com::kIidCommandBarControl;
using host::com::kIidCommandBarControls;
using host::com::kIidCommandBarPopup;
using host::com::kIidCommandBars;

// An argument-marshalling fault: the status Invoke returns, and which argument.
struct ArgumentError {
  HRESULT status;
  UINT argument;  // index into rgvarg
};

// The arguments of one Invoke in declared order, checked strictly.
class Args {
 public:
  explicit Args(const DISPPARAMS& params) : params_(params) {}

  std::size_t count() const { return params_.cArgs; }
  void Expect(std::size_t least, std::size_t most) const {
    if (count() < least || count() > most) {
      throw ArgumentError{DISP_E_BADPARAMCOUNT, 0};
    }
  }
  // Absent, or passed as omitted (VT_ERROR with DISP_E_PARAMNOTFOUND).
  bool Missing(std::size_t i) const {
    if (i >= count()) {
      return true;
    }
    const VARIANT& arg = At(i);
    return arg.vt == VT_ERROR && arg.scode == DISP_E_PARAMNOTFOUND;
  }
  const VARIANT& Of(std::size_t i, VARTYPE type) const {
    const VARIANT& arg = At(i);
    if (arg.vt != type) {
      throw ArgumentError{DISP_E_TYPEMISMATCH, Slot(i)};
    }
    return arg;
  }
  std::u16string String(std::size_t i) const {
    const BSTR text = Of(i, VT_BSTR).bstrVal;
    return {reinterpret_cast<const char16_t*>(text), ::SysStringLen(text)};
  }
  std::int32_t Int32(std::size_t i) const { return Of(i, VT_I4).lVal; }
  std::int16_t Int16(std::size_t i) const { return Of(i, VT_I2).iVal; }
  bool Bool(std::size_t i) const { return Of(i, VT_BOOL).boolVal != VARIANT_FALSE; }
  const VARIANT& At(std::size_t i) const { return params_.rgvarg[Slot(i)]; }

 private:
  UINT Slot(std::size_t i) const { return static_cast<UINT>(count() - 1 - i); }
  const DISPPARAMS& params_;
};

enum class Access { kGet, kPut, kCall };

Access AccessOf(WORD flags) {
  if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0) {
    return Access::kPut;
  }
  return (flags & DISPATCH_METHOD) != 0 ? Access::kCall : Access::kGet;
}

struct Member {
  const wchar_t* name;
  DISPID id;
};

// IDispatch by a table of members, for the host objects; Derived supplies
// kMembers, Iids() and `void Call(DISPID, Access, const Args&, Variant&)`.
template <typename Derived, typename... More>
class HostObject : public ComObject<Derived, WithoutTypeInfo<>, More...> {
 public:
  explicit HostObject(HostFace& face) : face_(face) { face_.model().ObjectCreated(); }
  ~HostObject() override { face_.model().ObjectDestroyed(); }

  void* QueryOther(REFIID iid) noexcept {
    for (const GUID& own : static_cast<Derived*>(this)->Iids()) {
      if (iid == own) {
        return static_cast<IDispatch*>(this);
      }
    }
    return nullptr;
  }

  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                             DISPID* ids) noexcept override {
    if (iid != IID_NULL) {
      return DISP_E_UNKNOWNINTERFACE;
    }
    if (names == nullptr || ids == nullptr || count == 0) {
      return E_INVALIDARG;
    }
    HRESULT status = S_OK;
    for (UINT i = 0; i < count; ++i) {
      ids[i] = DISPID_UNKNOWN;
    }
    // Member names match whatever their letter case; named arguments are not supported.
    ids[0] = Lookup(names[0]);
    if (ids[0] == DISPID_UNKNOWN || count > 1) {
      status = DISP_E_UNKNOWNNAME;
    }
    return status;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* bad_argument) noexcept override {
    if (iid != IID_NULL) {
      return DISP_E_UNKNOWNINTERFACE;
    }
    if (params == nullptr) {
      return E_INVALIDARG;
    }
    const Access access = AccessOf(flags);
    const UINT expected_named = access == Access::kPut ? 1 : 0;
    if (params->cNamedArgs != expected_named ||
        (expected_named == 1 && params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)) {
      return DISP_E_NONAMEDARGS;
    }
    try {
      Variant value;
      static_cast<Derived*>(this)->Call(id, access, Args(*params), value);
      if (result != nullptr) {
        *result = value.ref();
        ::VariantInit(value.get());  // ownership went to the caller
      }
      return S_OK;
    } catch (const ArgumentError& error) {
      if (bad_argument != nullptr) {
        *bad_argument = error.argument;
      }
      return error.status;
    } catch (...) {
      // The host's own failures come back as an automation exception.
      const HRESULT status = HResultFromCurrentException();
      if (exception != nullptr) {
        *exception = EXCEPINFO{};
        exception->scode = status;
        return DISP_E_EXCEPTION;
      }
      return status;
    }
  }

 protected:
  HostFace& face() const { return face_; }
  Model& model() const { return face_.model(); }
  void Check(std::string_view operation) const { model().faults().Check(operation); }

 private:
  static DISPID Lookup(const wchar_t* name) {
    for (const Member& member : Derived::kMembers) {
      if (_wcsicmp(member.name, name) == 0) {
        return member.id;
      }
    }
    return DISPID_UNKNOWN;
  }
  HostFace& face_;
};

[[noreturn]] void NoSuchMember() {
  throw ArgumentError{DISP_E_MEMBERNOTFOUND, 0};
}

void SetObject(Variant& result, IDispatch* object) {
  result = Variant::Object(object);
}

void SetString(Variant& result, std::u16string_view text) {
  result = Variant::String(text);
}

class ControlObject;

ComPtr<IDispatch> MakeControlObject(HostFace& face, ControlPtr control);

// IEnumVARIANT over a snapshot of a control list.
class EnumObject final : public ComObject<EnumObject, IEnumVARIANT> {
 public:
  EnumObject(HostFace& face, std::vector<ControlPtr> controls, std::size_t next = 0)
      : face_(face), controls_(std::move(controls)), next_(next) {
    face_.model().ObjectCreated();
  }
  ~EnumObject() override { face_.model().ObjectDestroyed(); }

  STDMETHODIMP Next(ULONG wanted, VARIANT* items, ULONG* fetched) noexcept override {
    if (items == nullptr || (wanted > 1 && fetched == nullptr)) {
      return E_POINTER;
    }
    try {
      face_.model().faults().Check(op::kEnumNext);
      ULONG count = 0;
      for (; count < wanted && next_ < controls_.size(); ++count, ++next_) {
        ::VariantInit(&items[count]);
        items[count].vt = VT_DISPATCH;
        items[count].pdispVal = MakeControlObject(face_, controls_[next_]).Detach();
      }
      if (fetched != nullptr) {
        *fetched = count;
      }
      return count == wanted ? S_OK : S_FALSE;
    } catch (...) {
      return HResultFromCurrentException();
    }
  }
  STDMETHODIMP Skip(ULONG count) noexcept override {
    next_ = std::min<std::size_t>(controls_.size(), next_ + count);
    return next_ < controls_.size() ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() noexcept override {
    next_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnumVARIANT** copy) noexcept override {
    if (copy == nullptr) {
      return E_POINTER;
    }
    try {
      *copy = MakeCom<EnumObject>(face_, controls_, next_).Detach();
      return S_OK;
    } catch (...) {
      *copy = nullptr;
      return HResultFromCurrentException();
    }
  }

 private:
  HostFace& face_;
  std::vector<ControlPtr> controls_;
  std::size_t next_;
};

// The button-events connection point of one button.
class ConnectionPointObject final : public ComObject<ConnectionPointObject, IConnectionPoint> {
 public:
  ConnectionPointObject(HostFace& face, ControlPtr button, ComPtr<IConnectionPointContainer> owner)
      : face_(face), button_(std::move(button)), owner_(std::move(owner)) {
    face_.model().ObjectCreated();
  }
  ~ConnectionPointObject() override { face_.model().ObjectDestroyed(); }

  STDMETHODIMP GetConnectionInterface(IID* iid) noexcept override {
    if (iid == nullptr) {
      return E_POINTER;
    }
    *iid = kIidCommandBarButtonEvents;
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
    try {
      face_.model().faults().Check(op::kAdvise);
      // The sink must implement the event interface, as the host asks for it.
      ComPtr<IDispatch> events;
      if (FAILED(sink->QueryInterface(kIidCommandBarButtonEvents,
                                      reinterpret_cast<void**>(events.GetAddressOf())))) {
        return CONNECT_E_CANNOTCONNECT;
      }
      *cookie = face_.Advise(button_.get(), std::move(events));
      return S_OK;
    } catch (...) {
      return HResultFromCurrentException();
    }
  }
  STDMETHODIMP Unadvise(DWORD cookie) noexcept override {
    try {
      face_.model().faults().Check(op::kUnadvise);
      return face_.Unadvise(button_.get(), cookie) ? S_OK : CONNECT_E_NOCONNECTION;
    } catch (...) {
      return HResultFromCurrentException();
    }
  }
  STDMETHODIMP EnumConnections(IEnumConnections** connections) noexcept override {
    if (connections != nullptr) {
      *connections = nullptr;
    }
    return E_NOTIMPL;
  }

 private:
  HostFace& face_;
  ControlPtr button_;
  ComPtr<IConnectionPointContainer> owner_;
};

// CommandBarControl, and CommandBarButton or CommandBarPopup by its type.
class ControlObject final : public HostObject<ControlObject, IConnectionPointContainer> {
 public:
  enum : DISPID {
    kCaption = 1,
    kIndex,
    kTag,
    kOnAction,
    kEnabled,
    kType,
    kParameter,
    kDelete,
    kExecute,
    kControls
  };
  static constexpr Member kMembers[] = {
      {L"Caption", kCaption},     {L"Index", kIndex},     {L"Tag", kTag},
      {L"OnAction", kOnAction},   {L"Enabled", kEnabled}, {L"Type", kType},
      {L"Parameter", kParameter}, {L"Delete", kDelete},   {L"Execute", kExecute},
      {L"Controls", kControls}};

  ControlObject(HostFace& face, ControlPtr control)
      : HostObject(face), control_(std::move(control)) {
    face.ControlObjectCreated(control_.get());
  }
  ~ControlObject() override { face().ControlObjectDestroyed(control_.get()); }

  std::vector<GUID> Iids() const {
    std::vector<GUID> iids{kIidCommandBarControl};
    iids.push_back(control_->type == kControlPopup ? kIidCommandBarPopup : kIidCommandBarButton);
    return iids;
  }

  void Call(DISPID id, Access access, const Args& args, Variant& result) {
    switch (id) {
      case kCaption:
        Text(access, args, result, op::kCaptionGet, op::kCaptionPut, control_->caption);
        return;
      case kTag:
        Text(access, args, result, op::kTagGet, op::kTagPut, control_->tag);
        return;
      case kOnAction:
        Text(access, args, result, op::kOnActionGet, op::kOnActionPut, control_->on_action);
        return;
      case kParameter:
        Text(access, args, result, "CommandBarControl.Parameter",
             "CommandBarControl.Parameter=", control_->parameter);
        return;
      case kEnabled:
        if (access == Access::kPut) {
          args.Expect(1, 1);
          Live(op::kEnabledPut);
          control_->enabled = args.Bool(0);
        } else {
          args.Expect(0, 0);
          Live(op::kEnabledGet);
          result = Variant::Bool(control_->enabled);
        }
        return;
      case kIndex:
        Get(access, args);
        Live(op::kIndexGet);
        result = Variant::Int32(Model::Index(*control_));
        return;
      case kType:
        Get(access, args);
        Live(op::kTypeGet);
        result = Variant::Int32(control_->type);
        return;
      case kDelete:
        NoPut(access);
        args.Expect(0, 1);
        if (!args.Missing(0)) {
          args.Bool(0);  // Temporary, if given, is a Boolean
        }
        Check(op::kDelete);
        Model::Delete(*control_);
        return;
      case kExecute:
        NoPut(access);
        args.Expect(0, 0);
        Check(op::kExecute);
        model().Execute(control_);
        return;
      case kControls:
        PopupControls(access, args, result);
        return;
      default:
        NoSuchMember();
    }
  }

  // IConnectionPointContainer
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) noexcept override {
    if (points != nullptr) {
      *points = nullptr;
    }
    return E_NOTIMPL;
  }
  STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) noexcept override {
    if (point == nullptr) {
      return E_POINTER;
    }
    *point = nullptr;
    try {
      Check(op::kFindConnectionPoint);
      if (iid != kIidCommandBarButtonEvents || control_->type != kControlButton) {
        return CONNECT_E_NOCONNECTION;
      }
      *point =
          MakeCom<ConnectionPointObject>(face(), control_, ComPtr<IConnectionPointContainer>(this))
              .Detach();
      return S_OK;
    } catch (...) {
      return HResultFromCurrentException();
    }
  }

 private:
  static void Get(Access access, const Args& args) {
    if (access == Access::kPut) {
      NoSuchMember();
    }
    args.Expect(0, 0);
  }
  static void NoPut(Access access) {
    if (access == Access::kPut) {
      NoSuchMember();
    }
  }
  void Live(std::string_view operation) const {
    Check(operation);
    Model::RequireLive(*control_);
  }
  void Text(Access access, const Args& args, Variant& result, std::string_view get_op,
            std::string_view put_op, std::u16string& field) const {
    if (access == Access::kPut) {
      args.Expect(1, 1);
      Live(put_op);
      field = args.String(0);
    } else {
      args.Expect(0, 0);
      Live(get_op);
      SetString(result, field);
    }
  }
  // A popup's Controls; with one argument, as VB calls it by name, the entry at
  // that position.
  void PopupControls(Access access, const Args& args, Variant& result) {
    if (control_->type != kControlPopup || access == Access::kPut) {
      NoSuchMember();
    }
    args.Expect(0, 1);
    const std::optional<std::int16_t> position =
        args.count() == 1 ? std::optional(args.Int16(0)) : std::nullopt;
    Live(op::kPopupControls);
    ControlList& submenu = model().Submenu(*control_);
    if (!position) {
      SetObject(result, MakeSubmenuObject().Get());
      return;
    }
    Check(op::kControlsItem);
    SetObject(result, MakeControlObject(face(), Model::Item(submenu, *position)).Get());
  }
  ComPtr<IDispatch> MakeSubmenuObject() const;

  ControlPtr control_;
};

// CommandBarControls of a bar or a popup.
class ControlsObject final : public HostObject<ControlsObject> {
 public:
  enum : DISPID { kItem = DISPID_VALUE, kCount = 1, kAdd = 2, kNewEnum = DISPID_NEWENUM };
  static constexpr Member kMembers[] = {
      {L"Item", kItem}, {L"Count", kCount}, {L"Add", kAdd}, {L"_NewEnum", kNewEnum}};

  ControlsObject(HostFace& face, std::shared_ptr<ControlList> list)
      : HostObject(face), list_(std::move(list)) {}

  static std::vector<GUID> Iids() { return {kIidCommandBarControls}; }

  void Call(DISPID id, Access access, const Args& args, Variant& result) {
    if (access == Access::kPut) {
      NoSuchMember();
    }
    switch (id) {
      case kItem: {
        args.Expect(1, 1);
        const VARIANT& index = args.At(0);
        ControlPtr found;
        if (index.vt == VT_BSTR) {
          const std::u16string caption = args.String(0);
          Check(op::kControlsItem);
          found = Model::Item(*list_, caption);
        } else if (index.vt == VT_I2 || index.vt == VT_I4) {
          const std::int32_t position = index.vt == VT_I2 ? args.Int16(0) : args.Int32(0);
          Check(op::kControlsItem);
          found = Model::Item(*list_, position);
        } else {
          throw ArgumentError{DISP_E_TYPEMISMATCH, 0};
        }
        SetObject(result, MakeControlObject(face(), found).Get());
        return;
      }
      case kCount:
        args.Expect(0, 0);
        Check(op::kControlsCount);
        result = Variant::Int32(static_cast<std::int32_t>(list_->controls.size()));
        return;
      case kAdd:
        Add(args, result);
        return;
      case kNewEnum: {
        args.Expect(0, 0);
        Check(op::kControlsEnum);
        Variant items;
        items.get()->vt = VT_UNKNOWN;
        items.get()->punkVal = MakeCom<EnumObject>(face(), list_->controls).Detach();
        result = std::move(items);
        return;
      }
      default:
        NoSuchMember();
    }
  }

 private:
  // Add(Type, Id, Parameter, Before, Temporary), each optional.
  void Add(const Args& args, Variant& result) {
    args.Expect(0, 5);
    const std::int32_t type = args.Missing(0) ? kControlButton : args.Int32(0);
    if (!args.Missing(1)) {
      args.Int32(1);  // Id: the add-in passes none
    }
    const std::u16string parameter = args.Missing(2) ? std::u16string() : args.String(2);
    const std::optional<std::int32_t> before =
        args.Missing(3) ? std::nullopt : std::optional<std::int32_t>(args.Int16(3));
    if (!args.Missing(4)) {
      args.Bool(4);  // Temporary
    }
    Check(op::kControlsAdd);
    SetObject(result, MakeControlObject(face(), Model::Add(list_, type, parameter, before)).Get());
  }

  std::shared_ptr<ControlList> list_;
};

ComPtr<IDispatch> ControlObject::MakeSubmenuObject() const {
  return MakeCom<ControlsObject>(face(), control_->submenu);
}

ComPtr<IDispatch> MakeControlObject(HostFace& face, ControlPtr control) {
  return MakeCom<ControlObject>(face, std::move(control));
}

// CommandBar.
class BarObject final : public HostObject<BarObject> {
 public:
  enum : DISPID { kName = 1, kControls, kFindControl };
  static constexpr Member kMembers[] = {
      {L"Name", kName}, {L"Controls", kControls}, {L"FindControl", kFindControl}};

  BarObject(HostFace& face, const Bar& bar) : HostObject(face), bar_(bar) {}
  static std::vector<GUID> Iids() { return {kIidCommandBar}; }

  void Call(DISPID id, Access access, const Args& args, Variant& result) {
    if (access == Access::kPut) {
      NoSuchMember();
    }
    switch (id) {
      case kName:
        args.Expect(0, 0);
        SetString(result, bar_.name);
        return;
      case kControls:
        args.Expect(0, 0);
        Check(op::kBarControls);
        SetObject(result, MakeCom<ControlsObject>(face(), bar_.list).Get());
        return;
      case kFindControl: {
        // FindControl(Type, Id, Tag, Visible, Recursive), each optional.
        args.Expect(0, 5);
        const std::int32_t type = args.Missing(0) ? 0 : args.Int32(0);  // 0: any type
        if (!args.Missing(1)) {
          args.Int32(1);
        }
        const std::optional<std::u16string> tag =
            args.Missing(2) ? std::nullopt : std::optional(args.String(2));
        if (!args.Missing(3)) {
          args.Bool(3);
        }
        if (!args.Missing(4)) {
          args.Bool(4);
        }
        Check(op::kFindControl);
        ControlPtr found = tag ? Model::FindControl(bar_, *tag) : nullptr;
        if (found != nullptr && type != 0 && found->type != type) {
          found = nullptr;
        }
        // Nothing found: an empty object reference.
        SetObject(result, found == nullptr ? nullptr : MakeControlObject(face(), found).Get());
        return;
      }
      default:
        NoSuchMember();
    }
  }

 private:
  const Bar& bar_;
};

// CommandBars.
class BarsObject final : public HostObject<BarsObject> {
 public:
  enum : DISPID { kItem = DISPID_VALUE, kCount = 1 };
  static constexpr Member kMembers[] = {{L"Item", kItem}, {L"Count", kCount}};

  explicit BarsObject(HostFace& face) : HostObject(face) {}
  static std::vector<GUID> Iids() { return {kIidCommandBars}; }

  void Call(DISPID id, Access access, const Args& args, Variant& result) {
    if (access == Access::kPut) {
      NoSuchMember();
    }
    switch (id) {
      case kItem: {
        args.Expect(1, 1);
        const VARIANT& index = args.At(0);
        const Bar* bar = nullptr;
        if (index.vt == VT_BSTR) {
          const std::u16string name = args.String(0);
          Check(op::kBarsItem);
          bar = &model().BarNamed(name);
        } else {
          const std::int32_t position = index.vt == VT_I2 ? args.Int16(0) : args.Int32(0);
          Check(op::kBarsItem);
          if (position < 1 || static_cast<std::size_t>(position) > model().bars().size()) {
            throw HResultError(kEInvalidArg);
          }
          bar = &model().bars()[static_cast<std::size_t>(position - 1)];
        }
        SetObject(result, MakeCom<BarObject>(face(), *bar).Get());
        return;
      }
      case kCount:
        args.Expect(0, 0);
        result = Variant::Int32(static_cast<std::int32_t>(model().bars().size()));
        return;
      default:
        NoSuchMember();
    }
  }
};

// FrontPage's Application.
class ApplicationObject final : public HostObject<ApplicationObject> {
 public:
  enum : DISPID { kCommandBars = 1, kName };
  static constexpr Member kMembers[] = {{L"CommandBars", kCommandBars}, {L"Name", kName}};

  explicit ApplicationObject(HostFace& face) : HostObject(face) {}
  static std::vector<GUID> Iids() { return {kIidApplication}; }

  void Call(DISPID id, Access access, const Args& args, Variant& result) {
    if (access == Access::kPut) {
      NoSuchMember();
    }
    args.Expect(0, 0);
    switch (id) {
      case kCommandBars:
        Check(op::kCommandBars);
        SetObject(result, MakeCom<BarsObject>(face()).Get());
        return;
      case kName:
        SetString(result, u"Microsoft FrontPage");
        return;
      default:
        NoSuchMember();
    }
  }
};

// The host's add-in object handed to OnConnection.
class AddInInstanceObject final : public HostObject<AddInInstanceObject> {
 public:
  enum : DISPID { kProgId = 1 };
  static constexpr Member kMembers[] = {{L"ProgId", kProgId}};

  AddInInstanceObject(HostFace& face, std::u16string prog_id)
      : HostObject(face), prog_id_(std::move(prog_id)) {}
  static std::vector<GUID> Iids() { return {}; }

  void Call(DISPID id, Access access, const Args& args, Variant& result) {
    if (id != kProgId || access == Access::kPut) {
      NoSuchMember();
    }
    args.Expect(0, 0);
    Check(op::kProgId);
    SetString(result, prog_id_);
  }

 private:
  std::u16string prog_id_;
};

// The class object of FrontPage's Application: each creation gives a new
// reference to the one running host.
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
      return HResultFromCurrentException();
    }
  }
  STDMETHODIMP LockServer(BOOL) noexcept override { return S_OK; }

 private:
  HostFace& face_;
};

}  // namespace

HostFace::HostFace(Model& model) : model_(model) {}

ComPtr<IDispatch> HostFace::NewApplication() {
  return MakeCom<ApplicationObject>(*this);
}

ComPtr<IDispatch> HostFace::NewAddInInstance(std::u16string prog_id) {
  return MakeCom<AddInInstanceObject>(*this, std::move(prog_id));
}

ComPtr<IClassFactory> HostFace::NewApplicationClass() {
  return MakeCom<ApplicationClass>(*this);
}

DWORD HostFace::Advise(const Control* button, ComPtr<IDispatch> sink) {
  const DWORD cookie = next_cookie_++;
  sinks_[button].push_back({cookie, std::move(sink)});
  return cookie;
}

bool HostFace::Unadvise(const Control* button, DWORD cookie) {
  auto found = sinks_.find(button);
  if (found == sinks_.end()) {
    return false;
  }
  const std::size_t before = found->second.size();
  std::erase_if(found->second, [cookie](const Sink& sink) { return sink.cookie == cookie; });
  const bool removed = found->second.size() != before;
  if (found->second.empty()) {
    sinks_.erase(found);
  }
  return removed;
}

std::size_t HostFace::sinks() const {
  std::size_t count = 0;
  for (const auto& [button, list] : sinks_) {
    count += list.size();
  }
  return count;
}

void HostFace::ControlObjectDestroyed(const Control* control) {
  const auto found = control_objects_.find(control);
  if (found != control_objects_.end() && --found->second == 0) {
    control_objects_.erase(found);
  }
}

std::vector<ComPtr<IDispatch>> HostFace::SinksOf(const Control* button) const {
  std::vector<ComPtr<IDispatch>> found;
  const auto advised = sinks_.find(button);
  if (advised != sinks_.end()) {
    for (const Sink& sink : advised->second) {
      found.push_back(sink.events);
    }
  }
  return found;
}

int HostFace::RaiseClick(const ControlPtr& button, VARIANT_BOOL* cancel_default) {
  // Clicks reach an add-in only while it holds a reference to the button.
  if (!control_objects_.contains(button.get())) {
    return 0;
  }
  const auto found = sinks_.find(button.get());
  if (found == sinks_.end()) {
    return 0;
  }
  const std::vector<Sink> sinks = found->second;  // a sink may unadvise while called
  int delivered = 0;
  for (const Sink& sink : sinks) {
    // Click(Ctrl, CancelDefault): DISPPARAMS lists them last to first.
    VARIANT_BOOL own_cancel_default = VARIANT_FALSE;
    const Variant control = Variant::Object(MakeControlObject(*this, button).Get());
    VARIANT args[2];
    ::VariantInit(&args[0]);
    args[0].vt = VT_BOOL | VT_BYREF;
    args[0].pboolVal = cancel_default != nullptr ? cancel_default : &own_cancel_default;
    args[1] = control.ref();
    DISPPARAMS params{args, nullptr, 2, 0};
    EXCEPINFO exception{};
    UINT bad_argument = 0;
    const HRESULT status = sink.events->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                               &params, nullptr, &exception, &bad_argument);
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);
    if (SUCCEEDED(status)) {
      ++delivered;
    }
  }
  return delivered;
}

ClassRegistration::ClassRegistration(const GUID& clsid, IUnknown* factory) {
  ThrowIfFailed(::CoRegisterClassObject(clsid, factory, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                        REGCLS_MULTIPLEUSE, &cookie_));
}

ClassRegistration::~ClassRegistration() {
  ::CoRevokeClassObject(cookie_);
}

}  // namespace sorvane::standin::com
