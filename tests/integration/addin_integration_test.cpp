// The real module, Sorvane.dll, in a process that plays the host: the stand-in
// host's object model registered through COM, the add-in created from the
// module's class object (or through COM by its ProgID after registration),
// connected, clicked, disconnected and released as the host does it.

#include <windows.h>

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <optional>
#include <string>
#include <vector>

#include "com/win32_host_objects.h"
#include "dialog/recent_web.h"
#include "host/com/win32_host_ids.h"
#include "model/command_bar_model.h"
#include "registry/win32_registry.h"
#include "support/win32_dialog_driver.h"
#include "win32_addins.h"

namespace sorvane {
namespace {

using namespace testing_support;  // NOLINT(google-build-using-namespace)
using standin::ControlPtr;
using standin::Model;

constexpr wchar_t kRecentWebList[] =
    L"Software\\Microsoft\\FrontPage\\Explorer\\FrontPage Explorer\\Recent Web List";
constexpr wchar_t kMru[] =
    L"Software\\Microsoft\\Office\\9.0\\Common\\Open Find\\Microsoft FrontPage\\Settings\\Open "
    L"Web\\File Name MRU";
constexpr HResult kInjected = HResultFromBits(0x80041234U);

// The module as built, as Wine names it.
std::u16string ModulePath() {
  std::u16string path(u"Z:" SORVANE_MODULE_PATH);
  for (char16_t& c : path) {
    c = c == u'/' ? u'\\' : c;
  }
  return path;
}

class OleApartment {
 public:
  OleApartment() { EXPECT_EQ(::OleInitialize(nullptr), S_OK); }
  ~OleApartment() { ::OleUninitialize(); }
  OleApartment(const OleApartment&) = delete;
  OleApartment& operator=(const OleApartment&) = delete;
};

class AddInEndToEnd : public testing::Test {
 protected:
  AddInEndToEnd()
      : model_([this](int n) {
          return GetRegString(registry_, kHkeyCurrentUser, kRecentWebListKey,
                              u"Web" + std::u16string(1, static_cast<char16_t>(u'0' + n)));
        }),
        face_(model_),
        application_class_(host::com::kClsidApplication, face_.NewApplicationClass().Get()) {
    model_.set_add_in_router(
        [this](const ControlPtr& control, std::u16string_view) { face_.RaiseClick(control); });
  }

  void SetUp() override {
    standin::RegisterDesignerLibrary();
    ::SHDeleteKeyW(HKEY_CURRENT_USER, kRecentWebList);
    ::SHDeleteKeyW(HKEY_CURRENT_USER, kMru);
  }
  void TearDown() override {
    bool unloadable = false;
    add_ins_.Shutdown(unloadable);
    Pump();
    const HWND dialog = FindDialog();
    if (dialog != nullptr) {
      ::SendMessageW(Item(dialog, IDC_CMDCANCEL), BM_CLICK, 0, 0);
      Pump();
      add_ins_.Shutdown(unloadable);
    }
    EXPECT_TRUE(unloadable) << "the module must allow unloading once everything is gone";
    EXPECT_EQ(model_.live_objects(), 0) << "host objects still held by the add-in";
    ::SHDeleteKeyW(HKEY_CURRENT_USER, kRecentWebList);
    ::SHDeleteKeyW(HKEY_CURRENT_USER, kMru);
  }

  HRESULT Load() {
    std::u16string prog_id;
    const HRESULT status = add_ins_.LoadModule(ModulePath(), prog_id);
    EXPECT_EQ(prog_id, u"Sorvane.Connect");
    return status;
  }
  std::vector<ControlPtr> Tagged() {
    std::vector<ControlPtr> found;
    for (const ControlPtr& control : model_.file_bar().list->controls) {
      if (control->tag == u"Sorvane") {
        found.push_back(control);
      }
    }
    return found;
  }
  // A click on the add-in's button, delivered as the host delivers it.
  void Click() {
    model_.Execute(Model::Item(*model_.file_bar().list, u"Kelvra Sorvane..."));
    Pump();
  }

  OleApartment apartment_;
  Win32Registry registry_;
  Model model_;
  standin::com::HostFace face_;
  standin::com::ClassRegistration application_class_;
  standin::AddIns add_ins_{face_};
};

TEST_F(AddInEndToEnd, ConnectionPutsOneButtonAfterOpenWeb) {
  ASSERT_EQ(Load(), S_OK);
  const std::vector<ControlPtr> tagged = Tagged();
  ASSERT_EQ(tagged.size(), 1U);
  const ControlPtr& button = tagged[0];
  EXPECT_EQ(Model::Index(*button), 5);
  EXPECT_EQ(button->caption, u"Kelvra Sorvane...");
  EXPECT_EQ(button->on_action, u"!<Sorvane.Connect>");
  EXPECT_EQ(button->parameter, u"Sorvane");
  EXPECT_TRUE(button->enabled);
  EXPECT_EQ(face_.sinks(), 1U) << "the add-in receives the button's clicks";
}

TEST_F(AddInEndToEnd, ClickShowsOneDialogAndOpenWorks) {
  ASSERT_EQ(Load(), S_OK);
  Click();
  const HWND dialog = FindDialog();
  ASSERT_NE(dialog, nullptr);
  Type(dialog, L"half typed");
  Click();
  EXPECT_EQ(FindDialog(), dialog) << "the same dialog";
  EXPECT_EQ(WindowText(Item(dialog, IDC_TXTWEBURL)), u"half typed");

  Type(dialog, L"myserver/sales");
  PostKey(Item(dialog, IDC_TXTWEBURL), VK_RETURN);
  EXPECT_EQ(GetRegString(registry_, kHkeyCurrentUser, kRecentWebListKey, u"Web1"),
            u"http://myserver,,/sales,fpuser,-1,sales");
  EXPECT_EQ(GetRegString(registry_, kHkeyCurrentUser, kFileNameMruKey, u"Value"),
            u"http://myserver/sales ");
  ASSERT_EQ(model_.opened().size(), 1U);
  EXPECT_EQ(model_.opened()[0].server, u"http://myserver");
  EXPECT_EQ(model_.opened()[0].web, u"sales");
  EXPECT_EQ(FindDialog(), nullptr);
}

TEST_F(AddInEndToEnd, CancelDefaultComesBackAsTheHostPassedIt) {
  ASSERT_EQ(Load(), S_OK);
  const ControlPtr button = Tagged().at(0);
  for (const VARIANT_BOOL passed : {VARIANT_FALSE, VARIANT_TRUE}) {
    VARIANT_BOOL cancel_default = passed;
    EXPECT_EQ(face_.RaiseClick(button, &cancel_default), 1);
    EXPECT_EQ(cancel_default, passed);
  }
  Pump();
}

TEST_F(AddInEndToEnd, EventSinkTakesOnlyClickWithItsArguments) {
  ASSERT_EQ(Load(), S_OK);
  const std::vector<ComPtr<IDispatch>> sinks = face_.SinksOf(Tagged().at(0).get());
  ASSERT_EQ(sinks.size(), 1U);
  IDispatch* sink = sinks[0].Get();
  VARIANT_BOOL cancel = VARIANT_FALSE;
  VARIANT args[2];
  ::VariantInit(&args[0]);
  ::VariantInit(&args[1]);
  args[0].vt = VT_BOOL | VT_BYREF;
  args[0].pboolVal = &cancel;
  args[1].vt = VT_DISPATCH;
  args[1].pdispVal = nullptr;
  struct Case {
    DISPID id;
    UINT count;
    VARTYPE first;
    HRESULT expected;
  };
  for (const Case c : {Case{2, 2, VT_BOOL | VT_BYREF, DISP_E_MEMBERNOTFOUND},
                       Case{1, 1, VT_BOOL | VT_BYREF, DISP_E_BADPARAMCOUNT},
                       Case{1, 3, VT_BOOL | VT_BYREF, DISP_E_BADPARAMCOUNT},
                       Case{1, 2, VT_BOOL, DISP_E_BADVARTYPE}}) {
    args[0].vt = c.first;
    DISPPARAMS params{args, nullptr, c.count, 0};
    UINT bad = 0;
    EXPECT_EQ(sink->Invoke(c.id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, &bad),
              c.expected);
  }
  DISPID click = 0;
  auto* name = const_cast<LPOLESTR>(L"Click");  // NOLINT(cppcoreguidelines-pro-type-const-cast)
  EXPECT_EQ(sink->GetIDsOfNames(IID_NULL, &name, 1, 0, &click), S_OK);
  EXPECT_EQ(click, 1);
}

TEST_F(AddInEndToEnd, DisconnectionRemovesTheButtonWhateverTheMode) {
  for (const ext_DisconnectMode mode : {ext_dm_HostShutdown, ext_dm_UserClosed}) {
    ASSERT_EQ(Load(), S_OK);
    const std::vector<standin::AddIns::Outcome> outcomes = add_ins_.Disconnect(mode);
    ASSERT_EQ(outcomes.size(), 1U);
    EXPECT_EQ(outcomes[0].status, S_OK);
    EXPECT_TRUE(Tagged().empty()) << mode;
  }
}

TEST_F(AddInEndToEnd, ButtonLeftBehindIsReusedAtTheNextConnection) {
  ASSERT_EQ(Load(), S_OK);
  const ControlPtr left = Tagged().at(0);
  add_ins_.Abandon();  // the host ends without disconnecting
  ASSERT_EQ(Load(), S_OK);
  ASSERT_EQ(Tagged().size(), 1U);
  EXPECT_EQ(Tagged()[0], left);
  Click();
  EXPECT_NE(FindDialog(), nullptr) << "the reused button works";
}

TEST_F(AddInEndToEnd, DialogKeepsTheModuleLoadedAfterTheHostLetsGo) {
  ASSERT_EQ(Load(), S_OK);
  Click();
  ASSERT_NE(FindDialog(), nullptr);
  bool unloadable = true;
  add_ins_.Shutdown(unloadable);
  EXPECT_FALSE(unloadable) << "the open dialog keeps the module";
  EXPECT_NE(FindDialog(), nullptr) << "disconnection leaves the dialog open";
  ::SendMessageW(Item(FindDialog(), IDC_CMDCANCEL), BM_CLICK, 0, 0);
  Pump();
  add_ins_.Shutdown(unloadable);
  EXPECT_TRUE(unloadable);
}

TEST_F(AddInEndToEnd, ExtensibilityWorksThroughIDispatchToo) {
  ASSERT_EQ(Load(), S_OK);
  _IDTExtensibility2* add_in = add_ins_.add_in(0);
  DISPID id = 0;
  auto* name = const_cast<LPOLESTR>(L"OnStartupComplete");  // NOLINT
  ASSERT_EQ(add_in->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
  EXPECT_EQ(id, 4);
  SAFEARRAYBOUND bound{0, 0};
  SAFEARRAY* custom = ::SafeArrayCreate(VT_VARIANT, 1, &bound);
  VARIANT arg;
  ::VariantInit(&arg);
  arg.vt = VT_ARRAY | VT_VARIANT | VT_BYREF;
  arg.pparray = &custom;
  DISPPARAMS params{&arg, nullptr, 1, 0};
  EXPECT_EQ(add_in->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
            S_OK);
  ::SafeArrayDestroy(custom);

  ComPtr<IDispatch> connect;
  ASSERT_EQ(add_in->QueryInterface(IID_PPV_ARGS(&connect)), S_OK);
  ComPtr<ITypeInfo> info;
  ASSERT_EQ(connect->GetTypeInfo(0, 0, &info), S_OK);
  BSTR type_name = nullptr;
  ASSERT_EQ(info->GetDocumentation(MEMBERID_NIL, &type_name, nullptr, nullptr, nullptr), S_OK);
  EXPECT_STREQ(type_name, L"_Connect") << "IDispatch is the default interface's";
  ::SysFreeString(type_name);
}

struct Fault {
  const char* operation;
  int nth;
};
void PrintTo(const Fault& fault, std::ostream* os) {
  *os << fault.operation << " #" << fault.nth;
}
std::string FaultName(const testing::TestParamInfo<Fault>& info) {
  std::string name;
  for (const char c : std::string_view(info.param.operation)) {
    if (c == '=') {
      name += "Put";
    } else if (c != '.' && c != '_') {
      name += c;
    }
  }
  return name + std::to_string(info.param.nth);
}

class ConnectionFault : public AddInEndToEnd, public testing::WithParamInterface<Fault> {};

// A host operation of the connection fails: the host gets that status back,
// and nothing of the add-in is held once the host has let it go.
TEST_P(ConnectionFault, ReturnsTheHostsStatus) {
  model_.faults().Arm(GetParam().operation, GetParam().nth, kInjected);
  EXPECT_EQ(Load(), kInjected);
  EXPECT_EQ(model_.faults().pending(), 0U) << "the operation was not called";
  EXPECT_EQ(add_ins_.count(), 0U);
}

INSTANTIATE_TEST_SUITE_P(
    EveryCall, ConnectionFault,
    testing::Values(Fault{"Application.CommandBars", 1}, Fault{"CommandBars.Item", 1},
                    Fault{"CommandBar.FindControl", 1}, Fault{"Application.CommandBars", 2},
                    Fault{"CommandBars.Item", 2}, Fault{"CommandBar.Controls", 1},
                    Fault{"CommandBarControls._NewEnum", 1}, Fault{"IEnumVARIANT.Next", 1},
                    Fault{"IEnumVARIANT.Next", 4}, Fault{"CommandBarControl.Caption", 1},
                    Fault{"CommandBarControl.Index", 1}, Fault{"CommandBar.Controls", 2},
                    Fault{"CommandBarControls.Add", 1}, Fault{"CommandBarControl.Caption=", 1},
                    Fault{"CommandBarControl.Tag=", 1}, Fault{"COMAddIn.ProgId", 1},
                    Fault{"CommandBarControl.OnAction=", 1},
                    Fault{"IConnectionPointContainer.FindConnectionPoint", 1},
                    Fault{"IConnectionPoint.Advise", 1}, Fault{"CommandBarControl.Enabled=", 1}),
    FaultName);

class DisconnectionFault : public AddInEndToEnd, public testing::WithParamInterface<Fault> {};

TEST_P(DisconnectionFault, ReturnsTheHostsStatus) {
  ASSERT_EQ(Load(), S_OK);
  model_.faults().Arm(GetParam().operation, GetParam().nth, kInjected);
  const std::vector<standin::AddIns::Outcome> outcomes = add_ins_.Disconnect(ext_dm_UserClosed);
  ASSERT_EQ(outcomes.size(), 1U);
  EXPECT_EQ(outcomes[0].status, kInjected);
  EXPECT_EQ(Tagged().size(), 1U) << "the button stays";
}

INSTANTIATE_TEST_SUITE_P(EveryCall, DisconnectionFault,
                         testing::Values(Fault{"Application.CommandBars", 1},
                                         Fault{"CommandBars.Item", 1},
                                         Fault{"CommandBar.Controls", 1},
                                         Fault{"CommandBarControls.Item", 1},
                                         Fault{"CommandBarControl.Delete", 1}),
                         FaultName);

TEST_F(AddInEndToEnd, UnadviseRefusedAtReleaseIsAbsorbed) {
  ASSERT_EQ(Load(), S_OK);
  model_.faults().Arm("IConnectionPoint.Unadvise", 1, kInjected);
  bool unloadable = true;
  add_ins_.Shutdown(unloadable);  // the add-in lets go of its button; Unadvise fails
  EXPECT_EQ(add_ins_.count(), 0U);
  EXPECT_FALSE(unloadable) << "the host still holds the add-in's sink";
  face_.DropSinks();
}

}  // namespace
}  // namespace sorvane

namespace sorvane {
namespace {

constexpr GUID kLibid{0x3B094E0E, 0xB3A8, 0x474E, {0xAC, 0x0F, 0xBD, 0x00, 0x77, 0xAE, 0x58, 0x4F}};
constexpr GUID kClsid{0x53652739, 0x6305, 0x4BA2, {0xB3, 0x32, 0xD8, 0xF2, 0x3D, 0xC9, 0x2B, 0xCD}};
constexpr GUID kIidConnect{
    0xDC917784, 0x484C, 0x4CE0, {0x8B, 0x7B, 0x85, 0x6B, 0x91, 0xF4, 0xC5, 0x2E}};
constexpr GUID kDesignerLibid{
    0xAC0714F2, 0x3D04, 0x11D1, {0xAE, 0x7D, 0x00, 0xA0, 0xC9, 0x0F, 0x26, 0xF4}};

std::wstring NameOf(ITypeLib* library, INT index) {
  BSTR name = nullptr;
  library->GetDocumentation(index, &name, nullptr, nullptr, nullptr);
  std::wstring text = name != nullptr ? name : L"";
  ::SysFreeString(name);
  return text;
}

class ModuleTypeLibrary : public testing::Test {
 protected:
  void SetUp() override {
    standin::RegisterDesignerLibrary();
    ASSERT_EQ(::LoadTypeLibEx(reinterpret_cast<const wchar_t*>(ModulePath().c_str()), REGKIND_NONE,
                              &library_),
              S_OK);
  }
  OleApartment apartment_;
  ComPtr<ITypeLib> library_;
};

TEST_F(ModuleTypeLibrary, HoldsExactlyConnectAndItsDefaultInterface) {
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(library_->GetLibAttr(&attr), S_OK);
  EXPECT_TRUE(::IsEqualGUID(attr->guid, kLibid));
  EXPECT_EQ(attr->wMajorVerNum, 1);
  EXPECT_EQ(attr->wMinorVerNum, 0);
  EXPECT_EQ(attr->lcid, 0U);
  library_->ReleaseTLibAttr(attr);
  BSTR doc = nullptr;
  ASSERT_EQ(library_->GetDocumentation(-1, nullptr, &doc, nullptr, nullptr), S_OK);
  EXPECT_STREQ(doc, L"FrontPage 2000 Add-in");
  ::SysFreeString(doc);
  EXPECT_EQ(NameOf(library_.Get(), -1), L"Sorvane");

  ASSERT_EQ(library_->GetTypeInfoCount(), 2U);
  EXPECT_EQ(NameOf(library_.Get(), 0), L"_Connect");
  EXPECT_EQ(NameOf(library_.Get(), 1), L"Connect");

  ComPtr<ITypeInfo> connect_interface;
  ASSERT_EQ(library_->GetTypeInfoOfGuid(kIidConnect, &connect_interface), S_OK);
  TYPEATTR* type = nullptr;
  ASSERT_EQ(connect_interface->GetTypeAttr(&type), S_OK);
  EXPECT_EQ(type->typekind, TKIND_DISPATCH);
  const WORD dual_hidden = TYPEFLAG_FDUAL | TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE;
  EXPECT_EQ(type->wTypeFlags & dual_hidden, dual_hidden);
  EXPECT_EQ(type->cFuncs, 7) << "IDispatch's seven, none of its own";
  EXPECT_EQ(type->wMajorVerNum, 1);
  connect_interface->ReleaseTypeAttr(type);

  ComPtr<ITypeInfo> coclass;
  ASSERT_EQ(library_->GetTypeInfoOfGuid(kClsid, &coclass), S_OK);
  ASSERT_EQ(coclass->GetTypeAttr(&type), S_OK);
  EXPECT_EQ(type->typekind, TKIND_COCLASS);
  EXPECT_EQ(type->wTypeFlags, TYPEFLAG_FCANCREATE);
  EXPECT_EQ(type->cImplTypes, 2);
  coclass->ReleaseTypeAttr(type);

  struct Listed {
    const wchar_t* name;
    INT flags;
    GUID library;
  };
  const Listed expected[] = {{L"_Connect", IMPLTYPEFLAG_FDEFAULT, kLibid},
                             {L"_IDTExtensibility2", 0, kDesignerLibid}};
  for (UINT i = 0; i < 2; ++i) {
    HREFTYPE reference = 0;
    ASSERT_EQ(coclass->GetRefTypeOfImplType(i, &reference), S_OK);
    ComPtr<ITypeInfo> listed;
    ASSERT_EQ(coclass->GetRefTypeInfo(reference, &listed), S_OK) << i;
    ComPtr<ITypeLib> owner;
    UINT index = 0;
    ASSERT_EQ(listed->GetContainingTypeLib(&owner, &index), S_OK);
    EXPECT_EQ(NameOf(owner.Get(), static_cast<INT>(index)), expected[i].name);
    ASSERT_EQ(owner->GetLibAttr(&attr), S_OK);
    EXPECT_TRUE(::IsEqualGUID(attr->guid, expected[i].library)) << "referenced, not copied";
    owner->ReleaseTLibAttr(attr);
    INT flags = -1;
    ASSERT_EQ(coclass->GetImplTypeFlags(i, &flags), S_OK);
    EXPECT_EQ(flags, expected[i].flags);
  }
}

TEST(ModuleEntry, ServesOnlyConnect) {
  const OleApartment apartment;
  const HMODULE module = ::LoadLibraryW(reinterpret_cast<const wchar_t*>(ModulePath().c_str()));
  ASSERT_NE(module, nullptr);
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
  const auto get_class_object = reinterpret_cast<GetClassObject>(
      reinterpret_cast<void*>(::GetProcAddress(module, "DllGetClassObject")));
  const auto can_unload_now = reinterpret_cast<CanUnloadNow>(
      reinterpret_cast<void*>(::GetProcAddress(module, "DllCanUnloadNow")));
  ASSERT_NE(get_class_object, nullptr);
  ASSERT_NE(can_unload_now, nullptr);

  ComPtr<IClassFactory> factory;
  EXPECT_EQ(get_class_object(kLibid, IID_PPV_ARGS(&factory)), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(factory, nullptr);
  ASSERT_EQ(get_class_object(kClsid, IID_PPV_ARGS(&factory)), S_OK);
  EXPECT_EQ(can_unload_now(), S_FALSE) << "a class object is out";
  ComPtr<IUnknown> outer;
  ASSERT_EQ(factory->QueryInterface(IID_PPV_ARGS(&outer)), S_OK);
  ComPtr<IUnknown> aggregated;
  EXPECT_EQ(factory->CreateInstance(outer.Get(), IID_IUnknown,
                                    reinterpret_cast<void**>(aggregated.GetAddressOf())),
            CLASS_E_NOAGGREGATION);
  ComPtr<_IDTExtensibility2> add_in;
  ASSERT_EQ(factory->CreateInstance(nullptr, __uuidof(_IDTExtensibility2),
                                    reinterpret_cast<void**>(add_in.GetAddressOf())),
            S_OK);
  outer.Reset();
  factory.Reset();
  EXPECT_EQ(can_unload_now(), S_FALSE) << "a Connect is alive";
  ASSERT_EQ(factory.Get(), nullptr);
  ASSERT_EQ(get_class_object(kClsid, IID_PPV_ARGS(&factory)), S_OK);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  factory.Reset();
  add_in.Reset();
  EXPECT_EQ(can_unload_now(), S_FALSE) << "locked";
  ASSERT_EQ(get_class_object(kClsid, IID_PPV_ARGS(&factory)), S_OK);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  factory.Reset();
  EXPECT_EQ(can_unload_now(), S_OK);
  ::FreeLibrary(module);
}

}  // namespace
}  // namespace sorvane
