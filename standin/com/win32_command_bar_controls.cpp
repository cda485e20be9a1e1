// CommandBarControls: the controls of a bar or of a popup's submenu.

#include <optional>

#include "com/win32_dispatch_object.h"
#include "com/win32_host_ids.h"

namespace sorvane::standin::com {

namespace {

class CommandBarControlsObject final : public DispatchObject<CommandBarControlsObject> {
 public:
  enum : DISPID { kItem = DISPID_VALUE, kCount = 1, kAdd = 2, kNewEnum = DISPID_NEWENUM };
  static constexpr Member kMembers[] = {{L"Item", kItem, kGet},
                                        {L"Count", kCount, kGet},
                                        {L"Add", kAdd, kMethod},
                                        {L"_NewEnum", kNewEnum, kGet}};

  CommandBarControlsObject(HostFace& face, std::shared_ptr<ControlList> list, std::u16string owner)
      : DispatchObject(face), list_(std::move(list)), owner_(std::move(owner)) {}

  static std::span<const Member> Members() { return kMembers; }
  static bool Implements(REFIID iid) { return iid == kIidCommandBarControls; }
  static const char* Kind() { return "CommandBarControls"; }
  std::u16string Name() const { return owner_; }

  void Call(DISPID id, Access /*access*/, const Args& args, Variant& result) {
    switch (id) {
      case kItem:
        Item(args, result);
        return;
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
        items.get()->punkVal = MakeControlEnum(face(), list_->controls).Detach();
        result = std::move(items);
        return;
      }
      default:
        NoSuchMember();
    }
  }

 private:
  // Item(Index): a caption (matched as the policy says) or a 1-based position;
  // a miss is a failure, not "nothing".
  void Item(const Args& args, Variant& result) const {
    args.Expect(1, 1);
    const VARIANT& index = args.At(0);
    ControlPtr found;
    if (index.vt == VT_BSTR) {
      const std::u16string caption = args.String(0);
      Check(op::kControlsItem);
      found = Model::Item(*list_, caption, state().policies().match);
    } else if (index.vt == VT_I2 || index.vt == VT_I4) {
      const std::int32_t position = index.vt == VT_I2 ? args.Int16(0) : args.Int32(0);
      Check(op::kControlsItem);
      found = Model::Item(*list_, position);
    } else {
      throw ArgumentError{DISP_E_TYPEMISMATCH, 0};
    }
    result = Variant::Object(MakeCommandBarControl(face(), found).Get());
  }

  // Add(Type, Id, Parameter, Before, Temporary), each optional; Type and Id
  // are Longs, Before a position.
  void Add(const Args& args, Variant& result) const {
    args.Expect(0, 5);
    const std::int32_t type = args.Missing(0) ? kControlButton : args.Int32(0);
    if (!args.Missing(1)) {
      args.Int32(1);
    }
    const std::u16string parameter = args.Missing(2) ? std::u16string() : args.String(2);
    const std::optional<std::int32_t> before =
        args.Missing(3) ? std::nullopt : std::optional<std::int32_t>(args.Int16(3));
    args.OptionalBool(4, false);  // Temporary
    Check(op::kControlsAdd);
    const ControlPtr added = Model::Add(list_, type, parameter, before, state().policies().before0);
    result = Variant::Object(MakeCommandBarControl(face(), added).Get());
  }

  std::shared_ptr<ControlList> list_;
  std::u16string owner_;
};

}  // namespace

ComPtr<IDispatch> MakeCommandBarControls(HostFace& face, std::shared_ptr<ControlList> list,
                                         std::u16string owner) {
  return MakeCom<CommandBarControlsObject>(face, std::move(list), std::move(owner));
}

}  // namespace sorvane::standin::com
