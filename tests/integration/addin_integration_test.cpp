// The real module, Sorvane.dll, in a process that plays the host: the stand-in
// host's object model registered through COM, the add-in created from the
// module's class object (or through COM by its ProgID after registration),
// connected, clicked, disconnected and released as the host does it.

#include <windows.h>

#include <gtest/gtest.h>
#include <psapi.h>
#include <shlwapi.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "com/win32_host_objects.h"
#include "common/win32_handles.h"
#include "dialog/recent_web.h"
#include "host/com/win32_host_ids.h"
#include "model/command_bar_model.h"
#include "registry/win32_registry.h"
#include "support/win32_dialog_driver.h"
#include "support/win32_host_values.h"
#include "win32_addins.h"
#include "win32_host.h"

namespace sorvane {
namespace {

using namespace testing_support;  // NOLINT(google-build-using-namespace)
using standin::ControlPtr;
using standin::Model;

constexpr HResult kInjected = HResultFromBits(0x80041234U);

// The module as built, as Wine names it.
std::u16string ModulePath() {
  std::u16string path(u"Z:" SORVANE_MODULE_PATH);
  for (char16_t& c : path) {
    c = c == u'/' ? u'\\' : c;
  }
  return path;
}

class AddInEndToEnd : public testing::Test {
 protected:
  void SetUp() override {
    standin::RegisterDesignerLibrary();
    ClearHostValues();
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
    ClearHostValues();
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
  standin::Host host_;
  Win32Registry& registry_ = host_.registry();
  Model& model_ = host_.model();
  standin::com::HostFace& face_ = host_.face();
  standin::AddIns& add_ins_ = host_.add_ins();
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

// A key the registration cannot write fails it with the system's status: a
// volatile class key takes no lasting subkey, so InprocServer32 cannot be made
// under it. Unregistering then removes what was written before the failure.
TEST(ModuleRegistration, AKeyThatCannotBeWrittenFailsIt) {
  constexpr wchar_t kClassKey[] = L"CLSID\\{53652739-6305-4BA2-B332-D8F23DC92BCD}";
  const OleApartment apartment;
  const HMODULE module = ::LoadLibraryW(reinterpret_cast<const wchar_t*>(ModulePath().c_str()));
  ASSERT_NE(module, nullptr);
  using Entry = HRESULT(STDAPICALLTYPE*)();
  const auto register_server = reinterpret_cast<Entry>(
      reinterpret_cast<void*>(::GetProcAddress(module, "DllRegisterServer")));
  const auto unregister_server = reinterpret_cast<Entry>(
      reinterpret_cast<void*>(::GetProcAddress(module, "DllUnregisterServer")));
  ASSERT_NE(register_server, nullptr);
  ASSERT_NE(unregister_server, nullptr);

  ::SHDeleteKeyW(HKEY_CLASSES_ROOT, kClassKey);
  HKEY created = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CLASSES_ROOT, kClassKey, 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &created, nullptr),
            ERROR_SUCCESS);
  const UniqueKey volatile_key(created);

  EXPECT_EQ(register_server(), HRESULT_FROM_WIN32(ERROR_CHILD_MUST_BE_VOLATILE));
  EXPECT_EQ(unregister_server(), S_OK);
  HKEY left = nullptr;
  EXPECT_EQ(::RegOpenKeyExW(HKEY_CLASSES_ROOT, kClassKey, 0, KEY_READ, &left),
            ERROR_FILE_NOT_FOUND);
  const UniqueKey left_key(left);
  ::FreeLibrary(module);
}

}  // namespace
}  // namespace sorvane

namespace sorvane {
namespace {

// What typing a text and pressing Enter leaves: the values written and the
// web opened, or the message box and nothing written.
struct TypedCase {
  const char* name;
  std::u16string typed;
  std::optional<std::u16string> web1;  // none: the Open fails with a message box
  std::u16string opened_server;
  std::u16string opened_web;
};
void PrintTo(const TypedCase& c, std::ostream* os) {
  *os << c.name;
}

class BadInput : public AddInEndToEnd, public testing::WithParamInterface<TypedCase> {};

TEST_P(BadInput, GivesTheSpecifiedResultOrTheMessageBox) {
  const TypedCase& c = GetParam();
  ASSERT_EQ(Load(), S_OK);
  Click();
  const HWND dialog = FindDialog();
  ASSERT_NE(dialog, nullptr);
  ::SendMessageW(Item(dialog, IDC_TXTWEBURL), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(c.typed.c_str()));
  MessageBoxWatcher watcher;
  PostKey(Item(dialog, IDC_TXTWEBURL), VK_RETURN);
  const auto web1 = GetRegString(registry_, kHkeyCurrentUser, kRecentWebListKey, u"Web1");
  const auto value = GetRegString(registry_, kHkeyCurrentUser, kFileNameMruKey, u"Value");
  if (!c.web1) {
    ASSERT_EQ(watcher.texts.size(), 1U);
    EXPECT_EQ(watcher.texts[0].rfind(u"The web could not be opened.", 0), 0U);
    EXPECT_EQ(web1, std::nullopt) << "nothing written";
    EXPECT_EQ(value, std::nullopt) << "nothing written";
    EXPECT_TRUE(model_.opened().empty());
    EXPECT_EQ(FindDialog(), dialog);
    return;
  }
  EXPECT_TRUE(watcher.texts.empty());
  EXPECT_EQ(web1, c.web1);
  ASSERT_TRUE(value);
  EXPECT_EQ(value->back(), u' ');
  ASSERT_EQ(model_.opened().size(), 1U);
  EXPECT_EQ(model_.opened()[0].server, c.opened_server);
  EXPECT_EQ(model_.opened()[0].web, c.opened_web);
  EXPECT_EQ(FindDialog(), nullptr);
}

// Braces here would pick the initializer-list constructor: two characters.
std::u16string Repeat(char16_t c, std::size_t n) {
  return std::u16string(n, c);  // NOLINT(modernize-return-braced-init-list)
}

INSTANTIATE_TEST_SUITE_P(
    Texts, BadInput,
    testing::Values(TypedCase{"Empty", u"", u"http://,,/,fpuser,-1,<Root Web>", u"http://", u""},
                    TypedCase{"CommasAndSpaces", u"my server,x/we b,c",
                              u"http://my server,x,,/we b,c,fpuser,-1,we b,c",
                              u"http://my server,x", u"we b,c"},
                    TypedCase{"Tabs", u"srv\t/web\t", u"http://srv\t,,/web\t,fpuser,-1,web\t",
                              u"http://srv\t", u"web\t"},
                    TypedCase{"ControlCharacters", u"s\x01\x1F/w\x7F",
                              u"http://s\x01\x1F,,/w\x7F,fpuser,-1,w\x7F", u"http://s\x01\x1F",
                              u"w\x7F"},
                    TypedCase{"DiskPath", u"c:\\webs\\site", u",,/,fpuser,-1,<Root Web>", u"", u""},
                    TypedCase{"UncPath", u"\\\\srv\\webs",
                              u"http://\\\\srv\\webs,,/,fpuser,-1,<Root Web>",
                              u"http://\\\\srv\\webs", u""},
                    TypedCase{"Https", u"https://secure/x", u"https://secure,,/x,fpuser,-1,x",
                              u"https://secure", u"x"},
                    TypedCase{"HostOf32760", Repeat(u'h', 32760) + u"/w",
                              u"http://" + Repeat(u'h', 32760) + u",,/w,fpuser,-1,w",
                              u"http://" + Repeat(u'h', 32760), u"w"},
                    TypedCase{"HostOf32761", Repeat(u'h', 32761) + u"/w", std::nullopt, u"", u""},
                    TypedCase{"OneMebibyteNoSlash", Repeat(u'm', 1 << 20),
                              u"http://" + Repeat(u'm', 1 << 20) + u",,/,fpuser,-1,<Root Web>",
                              u"http://" + Repeat(u'm', 1 << 20), u""}),
    [](const testing::TestParamInfo<TypedCase>& info) { return std::string(info.param.name); });

TEST_F(AddInEndToEnd, CharactersOutsideTheCodePageAreStoredAsTheCodePageCan) {
  ASSERT_EQ(Load(), S_OK);
  Click();
  const HWND dialog = FindDialog();
  ASSERT_NE(dialog, nullptr);
  Type(dialog, L"\u0441\u0435\u0440\u0432\u0435\u0440/\u03A9");
  MessageBoxWatcher watcher;
  PostKey(Item(dialog, IDC_TXTWEBURL), VK_RETURN);
  EXPECT_TRUE(watcher.texts.empty());
  const auto web1 = GetRegString(registry_, kHkeyCurrentUser, kRecentWebListKey, u"Web1");
  ASSERT_TRUE(web1);
  EXPECT_TRUE(web1->starts_with(u"http://")) << "written, in what the code page can hold";
  EXPECT_EQ(web1->find(u'\u0441'), std::u16string::npos);
  EXPECT_EQ(model_.opened().size(), 1U);
}

// The previous "Value" in every state the add-in may find it in.
struct StoredCase {
  const char* name;
  std::optional<DWORD> type;  // none: no value; the key is there
  std::string bytes;
  std::u16string previous_as_read;
};
void PrintTo(const StoredCase& c, std::ostream* os) {
  *os << c.name;
}

class PreviousValue : public AddInEndToEnd, public testing::WithParamInterface<StoredCase> {};

TEST_P(PreviousValue, IsReadAsItCanBe) {
  const StoredCase& c = GetParam();
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyW(HKEY_CURRENT_USER, ToWide(kFileNameMruKey).c_str(), &key), 0);
  if (c.type) {
    ::RegSetValueExA(key, "Value", 0, *c.type, reinterpret_cast<const BYTE*>(c.bytes.data()),
                     static_cast<DWORD>(c.bytes.size()));
  }
  ::RegCloseKey(key);
  ASSERT_EQ(Load(), S_OK);
  Click();
  Type(FindDialog(), L"myserver/sales");
  PostKey(Item(FindDialog(), IDC_TXTWEBURL), VK_RETURN);
  EXPECT_EQ(GetRegString(registry_, kHkeyCurrentUser, kFileNameMruKey, u"Value"),
            u"http://myserver/sales " + c.previous_as_read);
  EXPECT_EQ(model_.opened().size(), 1U);
}

INSTANTIATE_TEST_SUITE_P(
    States, PreviousValue,
    testing::Values(
        StoredCase{"MissingValue", std::nullopt, "", u""},
        StoredCase{"WrongType", REG_DWORD, std::string("\1\0\0\0", 4), u""},
        StoredCase{"Binary", REG_BINARY, "http://old", u""},
        StoredCase{"SizeZero", REG_SZ, "", u""},
        StoredCase{"EmbeddedNuls", REG_SZ, std::string("http://a\0http://b\0", 18), u"http://a"},
        StoredCase{"NotNulTerminated", REG_SZ, "http://old/web", u"http://old/web"},
        StoredCase{"OneMebibyte", REG_SZ, std::string(1 << 20, 'v'), Repeat(u'v', 1 << 20)}),
    [](const testing::TestParamInfo<StoredCase>& info) { return std::string(info.param.name); });

TEST_F(AddInEndToEnd, PreviousValueUnderAMissingKeyCountsAsEmpty) {
  ASSERT_EQ(Load(), S_OK);
  Click();
  Type(FindDialog(), L"myserver/sales");
  PostKey(Item(FindDialog(), IDC_TXTWEBURL), VK_RETURN);
  EXPECT_EQ(GetRegString(registry_, kHkeyCurrentUser, kFileNameMruKey, u"Value"),
            u"http://myserver/sales ");
}

}  // namespace
}  // namespace sorvane

namespace sorvane {
namespace {

// Every host call the add-in makes in a whole cycle (connect, click, Open,
// click, Cancel, disconnect, release), made to fail in turn, first and each
// later occurrence: the host survives, gets the injected status where the
// call's operation returns one, and holds nothing of the add-in in the end.
class FaultSweep : public testing::Test {
 protected:
  // A fresh host for each run.
  using Host = standin::Host;

  struct Outcome {
    HRESULT connected = E_PENDING;
    bool dialog_after_open = false;
    std::vector<std::u16string> messages;
    std::optional<std::u16string> web1;
    std::size_t opened = 0;
    HRESULT disconnected = E_PENDING;
    bool button_left = false;
    bool unloadable = false;
    int held = -1;
  };

  void SetUp() override {
    standin::RegisterDesignerLibrary();
    ClearHostValues();
  }
  void TearDown() override { ClearHostValues(); }

  OleApartment apartment_;

  // Runs the cycle; `phase` names the step under way for the journal.
  // `release`: shut the host's add-ins down at the end and let the module go.
  static Outcome Cycle(Host& host, std::string& phase, bool release = true) {
    Outcome outcome;
    phase = "connection";
    std::u16string prog_id;
    outcome.connected = host.add_ins().LoadModule(ModulePath(), prog_id);
    if (SUCCEEDED(outcome.connected)) {
      const auto click = [&] {
        host.model().Execute(Model::Item(*host.model().file_bar().list, u"Kelvra Sorvane..."));
        Pump();
      };
      phase = "click";
      click();
      if (const HWND dialog = FindDialog()) {
        phase = "open";
        MessageBoxWatcher watcher;
        Type(dialog, L"myserver/sales");
        PostKey(Item(dialog, IDC_TXTWEBURL), VK_RETURN);
        outcome.messages = watcher.texts;
        outcome.dialog_after_open = FindDialog() != nullptr;
      }
      phase = "click";
      click();
      phase = "cancel";
      if (const HWND dialog = FindDialog()) {
        ::SendMessageW(Item(dialog, IDC_CMDCANCEL), BM_CLICK, 0, 0);
        Pump();
      }
      phase = "disconnection";
      const auto outcomes = host.add_ins().Disconnect(ext_dm_UserClosed);
      outcome.disconnected = outcomes.empty() ? E_UNEXPECTED : outcomes[0].status;
    }
    outcome.web1 = GetRegString(host.registry(), kHkeyCurrentUser, kRecentWebListKey, u"Web1");
    outcome.opened = host.model().opened().size();
    for (const ControlPtr& control : host.model().file_bar().list->controls) {
      outcome.button_left = outcome.button_left || control->tag == u"Sorvane";
    }
    phase = "release";
    if (!release) {
      return outcome;
    }
    host.add_ins().Shutdown(outcome.unloadable);
    if (!outcome.unloadable) {
      // A refused Unadvise leaves the add-in's sink with the host: let it go.
      host.face().DropSinks();
      host.add_ins().Shutdown(outcome.unloadable);
    }
    outcome.held = host.model().live_objects();
    return outcome;
  }
};

TEST_F(FaultSweep, EveryHostCallFailingInTurn) {
  // The calls of a clean cycle, in order, with the step they belong to.
  struct Call {
    std::string operation;
    int occurrence;
    std::string phase;
  };
  std::vector<Call> calls;
  {
    Host host;
    std::string phase;
    std::map<std::string, int> seen;
    host.model().faults().set_journal([&](std::string_view operation) {
      calls.push_back({std::string(operation), ++seen[std::string(operation)], phase});
    });
    const Outcome clean = Cycle(host, phase);
    ASSERT_EQ(clean.connected, S_OK);
    ASSERT_EQ(clean.opened, 1U);
    ASSERT_EQ(clean.held, 0);
  }
  ClearHostValues();

  constexpr HRESULT kInjected = HResultFromBits(0x80041234U);
  std::set<std::string> operations;
  int survived = 0;
  for (const Call& call : calls) {
    SCOPED_TRACE(call.operation + " #" + std::to_string(call.occurrence) + " in " + call.phase);
    operations.insert(call.operation);
    Host host;
    std::string phase;
    host.model().faults().Arm(call.operation, call.occurrence, kInjected);
    const Outcome outcome = Cycle(host, phase);
    ClearHostValues();
    EXPECT_EQ(host.model().faults().pending(), 0U) << "the fault did not fire";
    if (call.phase == "connection") {
      EXPECT_EQ(outcome.connected, kInjected);
      EXPECT_FALSE(outcome.web1);
    } else if (call.phase == "open") {
      EXPECT_EQ(outcome.connected, S_OK);
      ASSERT_EQ(outcome.messages.size(), 1U) << "the user is told";
      EXPECT_NE(outcome.messages[0].find(u"0x80041234"), std::u16string::npos);
      EXPECT_TRUE(outcome.dialog_after_open) << "the dialog stays";
      EXPECT_EQ(outcome.web1, u"http://myserver,,/sales,fpuser,-1,sales") << "written stays";
      EXPECT_EQ(outcome.opened, 0U);
      EXPECT_EQ(outcome.disconnected, S_OK);
    } else if (call.phase == "disconnection" && call.operation != "IConnectionPoint.Unadvise") {
      EXPECT_EQ(outcome.disconnected, kInjected);
      EXPECT_EQ(outcome.opened, 1U);
    } else {
      // Calls the add-in makes where no caller takes a status (ending its event
      // connection as the host releases it): absorbed.
      EXPECT_EQ(outcome.connected, S_OK);
      EXPECT_EQ(outcome.disconnected, S_OK);
      EXPECT_EQ(outcome.opened, 1U);
    }
    EXPECT_EQ(outcome.held, 0) << "the add-in holds no host object once released";
    EXPECT_TRUE(outcome.unloadable);
    if (!::testing::Test::HasFailure()) {
      ++survived;
    }
  }
  std::printf("fault sweep: %zu operations covered / %zu faults injected / %d survived\n",
              operations.size(), calls.size(), survived);
  EXPECT_GE(operations.size(), 20U);
}

}  // namespace
}  // namespace sorvane

namespace sorvane {
namespace {

// What the soak watches. Under Wine, GetProcessHandleCount and GetGuiResources
// answer 0 and PrivateUsage is not kept; the process's anonymous memory comes
// from Linux (/proc/self/status, which Wine shows as Z:\proc\self\status),
// and the windows of this thread stand in for USER objects.
struct Resources {
  int held;
  DWORD handles;
  DWORD gdi;
  DWORD user;
  int windows;
  long anonymous_kib;
};

BOOL CALLBACK CountWindow(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

long AnonymousKib() {
  HANDLE file = ::CreateFileW(L"Z:\\proc\\self\\status", GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return -1;
  }
  std::string text(8192, '\0');
  DWORD read = 0;
  ::ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
  ::CloseHandle(file);
  text.resize(read);
  const std::size_t at = text.find("RssAnon:");
  return at == std::string::npos ? -1 : std::strtol(text.c_str() + at + 8, nullptr, 10);
}

Resources Measure(const Model& model) {
  Resources now{model.live_objects(), 0, 0, 0, 0, AnonymousKib()};
  ::GetProcessHandleCount(::GetCurrentProcess(), &now.handles);
  now.gdi = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
  now.user = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
  ::EnumThreadWindows(::GetCurrentThreadId(), &CountWindow, reinterpret_cast<LPARAM>(&now.windows));
  return now;
}

void Print(const char* when, const Resources& r) {
  std::printf("soak: %s held=%d handles=%lu gdi=%lu user=%lu windows=%d anonymous=%ld KiB\n", when,
              r.held, static_cast<unsigned long>(r.handles), static_cast<unsigned long>(r.gdi),
              static_cast<unsigned long>(r.user), r.windows, r.anonymous_kib);
}

// A thousand cycles of connect, click, type, Open, click, Cancel, disconnect
// in one host: nothing grows beyond the tolerances below.
TEST_F(FaultSweep, ThousandCyclesLeaveNothingBehind) {
  constexpr int kWarmUp = 20;
  constexpr int kCycles = 1000;
  constexpr DWORD kHandleTolerance = 16;
  constexpr DWORD kGuiTolerance = 16;
  constexpr long kMemoryToleranceKib = 4096;
  Host host;
  std::string phase;
  Resources start{};
  for (int cycle = 1; cycle <= kWarmUp + kCycles; ++cycle) {
    const Outcome outcome = Cycle(host, phase, false);
    ASSERT_EQ(outcome.connected, S_OK) << cycle;
    ASSERT_EQ(outcome.disconnected, S_OK) << cycle;
    ASSERT_FALSE(outcome.dialog_after_open) << cycle;
    if (cycle % 100 == 0) {
      ClearHostValues();  // "Value" grows by one address per Open
    }
    if (cycle == kWarmUp) {
      start = Measure(host.model());
      Print("start", start);
    }
  }
  const Resources end = Measure(host.model());
  Print("end", end);
  EXPECT_EQ(host.model().opened().size(), static_cast<std::size_t>(kWarmUp + kCycles));
  EXPECT_EQ(end.held, start.held) << "host objects held";
  EXPECT_LE(end.handles, start.handles + kHandleTolerance) << "handles (registry keys among them)";
  EXPECT_LE(end.gdi, start.gdi + kGuiTolerance);
  EXPECT_LE(end.user, start.user + kGuiTolerance);
  EXPECT_EQ(end.windows, start.windows) << "windows left behind";
  EXPECT_LE(end.anonymous_kib, start.anonymous_kib + kMemoryToleranceKib);
}

}  // namespace
}  // namespace sorvane
