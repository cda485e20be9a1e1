// CommandBarControl, as a CommandBarButton (with its Click events through a
// connection point) or a CommandBarPopup (with its submenu's controls).

#include <olectl.h>

#include <algorithm>
#include <array>

#include "com/win32_dispatch_object.h"
#include "com/win32_host_ids.h"

namespace sorvane::standin::com {

namespace {

enum : DISPID {
  kCaption = 1,
  kIndex,
  kTag,
  kOnAction,
  kEnabled,
  kVisible,
  kType,
  kId,
  kParameter,
  kBuiltIn,
  kDelete,
  kExecute,
  kStyle = 100,  // CommandBarButton
  kFaceId,
  kState,
  kControls = 200,  // CommandBarPopup
  kCommandBar,
};

// CommandBarControl's members; each derived interface adds its own.
constexpr std::array<Member, 12> kControlMembers{{
    {L"Caption", kCaption, kGet | kPut},
    {L"Index", kIndex, kGet},
    {L"Tag", kTag, kGet | kPut},
    {L"OnAction", kOnAction, kGet | kPut},
    {L"Enabled", kEnabled, kGet | kPut},
    {L"Visible", kVisible, kGet | kPut},
    {L"Type", kType, kGet},
    {L"Id", kId, kGet},
    {L"Parameter", kParameter, kGet | kPut},
    {L"BuiltIn", kBuiltIn, kGet},
    {L"Delete", kDelete, kMethod},
    {L"Execute", kExecute, kMethod},
}};

template <std::size_t N>
constexpr std::array<Member, kControlMembers.size() + N> WithControlMembers(
    const std::array<Member, N>& own) {
  std::array<Member, kControlMembers.size() + N> all{};
  std::copy(kControlMembers.begin(), kControlMembers.end(), all.begin());
  std::copy(own.begin(), own.end(), all.begin() + kControlMembers.size());
  return all;
}

constexpr auto kButtonMembers = WithControlMembers(std::array<Member, 3>{{
    {L"Style", kStyle, kGet | kPut},
    {L"FaceId", kFaceId, kGet | kPut},
    {L"State", kState, kGet | kPut},
}});
constexpr auto kPopupMembers = WithControlMembers(std::array<Member, 2>{{
    {L"Controls", kControls, kGet},
    {L"CommandBar", kCommandBar, kGet},
}});

// What buttons and popups share: the CommandBarControl members over the model.
template <typename Derived, typename... More>
class ControlObject : public DispatchObject<Derived, More...> {
 public:
  ControlObject(HostFace& face, ControlPtr control)
      : DispatchObject<Derived, More...>(face), control_(std::move(control)) {
    this->state().ControlObjectCreated(control_.get());
  }
  ~ControlObject() override { this->state().ControlObjectDestroyed(control_.get()); }
  ControlObject(const ControlObject&) = delete;
  ControlObject& operator=(const ControlObject&) = delete;

  std::u16string Name() const { return control_->caption; }

 protected:
  // True when `id` is a CommandBarControl member, which it then carries out.
  bool CallControl(DISPID id, Access access, const Args& args, Variant& result) {
    Control& control = *control_;
    switch (id) {
      case kCaption:
        Text(access, args, result, op::kCaptionGet, op::kCaptionPut, control.caption);
        return true;
      case kTag:
        Text(access, args, result, op::kTagGet, op::kTagPut, control.tag);
        return true;
      case kOnAction:
        Text(access, args, result, op::kOnActionGet, op::kOnActionPut, control.on_action);
        return true;
      case kParameter:
        Text(access, args, result, op::kParameterGet, op::kParameterPut, control.parameter);
        return true;
      case kEnabled:
        Flag(access, args, result, op::kEnabledGet, op::kEnabledPut, control.enabled);
        return true;
      case kVisible:
        Flag(access, args, result, op::kVisibleGet, op::kVisiblePut, control.visible);
        return true;
      case kIndex:
        args.Expect(0, 0);
        Live(op::kIndexGet);
        result = Variant::Int32(Model::Index(control));
        return true;
      case kType:
        args.Expect(0, 0);
        Live(op::kTypeGet);
        result = Variant::Int32(control.type);
        return true;
      case kId:
        args.Expect(0, 0);
        Live(op::kIdGet);
        result = Variant::Int32(control.id);
        return true;
      case kBuiltIn:
        args.Expect(0, 0);
        result = Variant::Bool(control.built_in);
        return true;
      case kDelete:
        // Delete(Temporary), Temporary optional.
        args.Expect(0, 1);
        args.OptionalBool(0, false);
        this->Check(op::kDelete);
        Model::Delete(control);
        return true;
      case kExecute:
        args.Expect(0, 0);
        this->Check(op::kExecute);
        this->model().Execute(control_);
        return true;
      default:
        return false;
    }
  }

  void Live(std::string_view operation) const {
    this->Check(operation);
    Model::RequireLive(*control_);
  }

  const ControlPtr& control() const { return control_; }

 private:
  void Text(Access access, const Args& args, Variant& result, std::string_view get_op,
            std::string_view put_op, std::u16string& field) const {
    if (access == Access::kPut) {
      args.Expect(1, 1);
      const std::u16string value = args.String(0);
      Live(put_op);
      field = value;
    } else {
      args.Expect(0, 0);
      Live(get_op);
      result = Variant::String(field);
    }
  }
  void Flag(Access access, const Args& args, Variant& result, std::string_view get_op,
            std::string_view put_op, bool& field) const {
    if (access == Access::kPut) {
      args.Expect(1, 1);
      const bool value = args.Bool(0);
      Live(put_op);
      field = value;
    } else {
      args.Expect(0, 0);
      Live(get_op);
      result = Variant::Bool(field);
    }
  }

  ControlPtr control_;
};

class ButtonObject final : public ControlObject<ButtonObject, IConnectionPointContainer> {
 public:
  using ControlObject::ControlObject;

  static std::span<const Member> Members() { return kButtonMembers; }
  static bool Implements(REFIID iid) {
    return iid == kIidCommandBarControl || iid == kIidCommandBarButton;
  }
  static const char* Kind() { return "CommandBarButton"; }

  void Call(DISPID id, Access access, const Args& args, Variant& result) {
    if (CallControl(id, access, args, result)) {
      return;
    }
    // Style, FaceId and State: stored nowhere, read as their defaults.
    if (access == Access::kPut) {
      args.Expect(1, 1);
      args.Int32(0);
    } else {
      args.Expect(0, 0);
      result = Variant::Int32(0);
    }
  }

  // IConnectionPointContainer: the button events, and nothing else.
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
    std::size_t entry = 0;
    HRESULT status = S_OK;
    try {
      entry = RecordInterfaceCall(state(), Kind(), "FindConnectionPoint");
      Check(op::kFindConnectionPoint);
      if (iid != kDiidCommandBarButtonEvents) {
        status = CONNECT_E_NOCONNECTION;
      } else {
        *point = MakeButtonEventsPoint(face(), control(), ComPtr<IConnectionPointContainer>(this))
                     .Detach();
      }
    } catch (...) {
      status = CaughtHResult();
    }
    state().journal().Finish(entry, status);
    return status;
  }
};

class PopupObject final : public ControlObject<PopupObject> {
 public:
  using ControlObject::ControlObject;

  static std::span<const Member> Members() { return kPopupMembers; }
  static bool Implements(REFIID iid) {
    return iid == kIidCommandBarControl || iid == kIidCommandBarPopup;
  }
  static const char* Kind() { return "CommandBarPopup"; }

  void Call(DISPID id, Access access, const Args& args, Variant& result) {
    if (CallControl(id, access, args, result)) {
      return;
    }
    if (id == kCommandBar) {
      args.Expect(0, 0);
      Live(op::kPopupControls);
      result = Variant::Object(
          MakeCommandBarControls(face(), control()->submenu, control()->caption).Get());
      return;
    }
    // Controls; with one argument, as a late-bound caller such as VB passes
    // it, the submenu's control at that position.
    args.Expect(0, 1);
    std::optional<std::int32_t> position;
    if (args.count() == 1) {
      const VARIANT& index = args.At(0);
      if (index.vt != VT_I2 && index.vt != VT_I4) {
        throw ArgumentError{DISP_E_TYPEMISMATCH, 0};
      }
      position = index.vt == VT_I2 ? args.Int16(0) : args.Int32(0);
    }
    Live(op::kPopupControls);
    ControlList& submenu = model().Submenu(*control());
    if (!position) {
      result = Variant::Object(
          MakeCommandBarControls(face(), control()->submenu, control()->caption).Get());
      return;
    }
    result = Variant::Object(MakeCommandBarControl(face(), Model::Item(submenu, *position)).Get());
  }
};

}  // namespace

ComPtr<IDispatch> MakeCommandBarControl(HostFace& face, ControlPtr control) {
  if (control->type == kControlPopup) {
    return MakeCom<PopupObject>(face, std::move(control));
  }
  return MakeCom<ButtonObject>(face, std::move(control));
}

}  // namespace sorvane::standin::com
