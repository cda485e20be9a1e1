// FrontPage's Application: the way in to the command bars.

#include "com/win32_dispatch_object.h"
#include "com/win32_host_ids.h"

namespace sorvane::standin::com {

namespace {

class ApplicationObject final : public DispatchObject<ApplicationObject> {
 public:
  enum : DISPID { kCommandBars = 1, kName, kVersion };
  static constexpr Member kMembers[] = {
      {L"CommandBars", kCommandBars, kGet}, {L"Name", kName, kGet}, {L"Version", kVersion, kGet}};

  explicit ApplicationObject(HostFace& face) : DispatchObject(face) {}

  static std::span<const Member> Members() { return kMembers; }
  static bool Implements(REFIID iid) { return iid == kIidFrontPageApplication; }
  static const char* Kind() { return "Application"; }
  static std::u16string Name() { return {}; }

  void Call(DISPID id, Access /*access*/, const Args& args, Variant& result) {
    args.Expect(0, 0);
    switch (id) {
      case kCommandBars:
        Check(op::kCommandBars);
        result = Variant::Object(MakeCommandBars(face()).Get());
        return;
      case kName:
        result = Variant::String(u"Microsoft FrontPage");
        return;
      case kVersion:
        result = Variant::String(u"4.0");
        return;
      default:
        NoSuchMember();
    }
  }
};

}  // namespace

ComPtr<IDispatch> MakeApplication(HostFace& face) {
  return MakeCom<ApplicationObject>(face);
}

}  // namespace sorvane::standin::com
