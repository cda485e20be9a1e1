// COMAddIn: the host's object for one add-in, handed to OnConnection as AddInInst.

#include "com/win32_dispatch_object.h"

namespace sorvane::standin::com {

namespace {

class ComAddInObject final : public DispatchObject<ComAddInObject> {
 public:
  enum : DISPID { kDescription = DISPID_VALUE, kProgId = 1, kGuid, kConnect };
  static constexpr Member kMembers[] = {{L"Description", kDescription, kGet | kPut},
                                        {L"ProgId", kProgId, kGet},
                                        {L"Guid", kGuid, kGet},
                                        {L"Connect", kConnect, kGet}};

  ComAddInObject(HostFace& face, std::u16string prog_id)
      : DispatchObject(face), prog_id_(std::move(prog_id)) {}

  static std::span<const Member> Members() { return kMembers; }
  // Reached as IDispatch only: the host hands it over as an object.
  static bool Implements(REFIID /*iid*/) { return false; }
  static const char* Kind() { return "COMAddIn"; }
  std::u16string Name() const { return prog_id_; }

  void Call(DISPID id, Access access, const Args& args, Variant& result) {
    if (access == Access::kPut) {
      args.Expect(1, 1);
      description_ = args.String(0);
      return;
    }
    args.Expect(0, 0);
    switch (id) {
      case kProgId:
        Check(op::kProgId);
        result = Variant::String(prog_id_);
        return;
      case kDescription:
        result = Variant::String(description_);
        return;
      case kGuid:
        result = Variant::String(u"");
        return;
      case kConnect:
        result = Variant::Bool(true);
        return;
      default:
        NoSuchMember();
    }
  }

 private:
  std::u16string prog_id_;
  std::u16string description_;
};

}  // namespace

ComPtr<IDispatch> MakeComAddIn(HostFace& face, std::u16string prog_id) {
  return MakeCom<ComAddInObject>(face, std::move(prog_id));
}

}  // namespace sorvane::standin::com
