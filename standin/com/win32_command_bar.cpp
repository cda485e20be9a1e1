// CommandBar: one bar, its controls, and FindControl over them.

#include <optional>

#include "com/win32_dispatch_object.h"
#include "com/win32_host_ids.h"

namespace sorvane::standin::com {

namespace {

class CommandBarObject final : public DispatchObject<CommandBarObject> {
 public:
  enum : DISPID { kName = 1, kControls, kFindControl, kVisible };
  static constexpr Member kMembers[] = {{L"Name", kName, kGet},
                                        {L"Controls", kControls, kGet},
                                        {L"FindControl", kFindControl, kMethod},
                                        {L"Visible", kVisible, kGet}};

  CommandBarObject(HostFace& face, const Bar& bar) : DispatchObject(face), bar_(bar) {}

  static std::span<const Member> Members() { return kMembers; }
  static bool Implements(REFIID iid) { return iid == kIidCommandBar; }
  static const char* Kind() { return "CommandBar"; }
  std::u16string Name() const { return bar_.name; }

  void Call(DISPID id, Access /*access*/, const Args& args, Variant& result) {
    switch (id) {
      case kName:
        args.Expect(0, 0);
        result = Variant::String(bar_.name);
        return;
      case kVisible:
        args.Expect(0, 0);
        result = Variant::Bool(true);
        return;
      case kControls:
        args.Expect(0, 0);
        Check(op::kBarControls);
        result = Variant::Object(MakeCommandBarControls(face(), bar_.list, bar_.name).Get());
        return;
      case kFindControl:
        FindControl(args, result);
        return;
      default:
        NoSuchMember();
    }
  }

 private:
  // FindControl(Type, Id, Tag, Visible, Recursive), each optional. Visible
  // and Recursive default to False: hidden controls are found too, and the
  // bar's own controls only are searched. No match is "nothing", not a failure.
  void FindControl(const Args& args, Variant& result) const {
    args.Expect(0, 5);
    FindCriteria criteria;
    if (!args.Missing(0)) {
      criteria.type = args.Int32(0);
    }
    if (!args.Missing(1)) {
      criteria.id = args.Int32(1);
    }
    if (!args.Missing(2)) {
      criteria.tag = args.String(2);
    }
    criteria.visible_only = args.OptionalBool(3, false);
    criteria.recursive = args.OptionalBool(4, false);
    Check(op::kFindControl);
    const ControlPtr found = Model::FindControl(*bar_.list, criteria);
    result =
        Variant::Object(found == nullptr ? nullptr : MakeCommandBarControl(face(), found).Get());
  }

  const Bar& bar_;
};

}  // namespace

ComPtr<IDispatch> MakeCommandBar(HostFace& face, const Bar& bar) {
  return MakeCom<CommandBarObject>(face, bar);
}

}  // namespace sorvane::standin::com
