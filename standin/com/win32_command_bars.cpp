// CommandBars: the host's bars, by name or position.

#include "com/win32_dispatch_object.h"
#include "com/win32_host_ids.h"

namespace sorvane::standin::com {

namespace {

class CommandBarsObject final : public DispatchObject<CommandBarsObject> {
 public:
  enum : DISPID { kItem = DISPID_VALUE, kCount = 1 };
  static constexpr Member kMembers[] = {{L"Item", kItem, kGet}, {L"Count", kCount, kGet}};

  explicit CommandBarsObject(HostFace& face) : DispatchObject(face) {}

  static std::span<const Member> Members() { return kMembers; }
  static bool Implements(REFIID iid) { return iid == kIidCommandBars; }
  static const char* Kind() { return "CommandBars"; }
  static std::u16string Name() { return {}; }

  void Call(DISPID id, Access /*access*/, const Args& args, Variant& result) {
    switch (id) {
      case kItem: {
        // Item(Index): a bar's name, or its 1-based position.
        args.Expect(1, 1);
        const VARIANT& index = args.At(0);
        const Bar* bar = nullptr;
        if (index.vt == VT_BSTR) {
          const std::u16string name = args.String(0);
          Check(op::kBarsItem);
          bar = &model().BarNamed(name);
        } else if (index.vt == VT_I2 || index.vt == VT_I4) {
          const std::int32_t position = index.vt == VT_I2 ? args.Int16(0) : args.Int32(0);
          Check(op::kBarsItem);
          bar = &model().BarAt(position);
        } else {
          throw ArgumentError{DISP_E_TYPEMISMATCH, 0};
        }
        result = Variant::Object(MakeCommandBar(face(), *bar).Get());
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

}  // namespace

ComPtr<IDispatch> MakeCommandBars(HostFace& face) {
  return MakeCom<CommandBarsObject>(face);
}

}  // namespace sorvane::standin::com
