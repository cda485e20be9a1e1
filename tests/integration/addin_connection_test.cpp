// The add-in's connection, its File-menu button, the button's Click and the
// disconnection, against the real module, under each of the host's policies
// where the host may behave one way or another.

#include <olectl.h>

#include <string>

#include "addin_fixture.h"

namespace sorvane::testing_support {
namespace {

using standin::BeforeOutOfRange;
using standin::ControlPtr;
using standin::Model;

using ConnectionUnderPolicy = AddInUnderPolicy;

TEST_P(ConnectionUnderPolicy, PutsOneButtonAfterOpenWeb) {
  ASSERT_EQ(Load(), S_OK);
  const std::vector<ControlPtr> tagged = Tagged();
  ASSERT_EQ(tagged.size(), 1U);
  const ControlPtr& button = tagged[0];
  EXPECT_EQ(Model::Index(*button), 5);
  EXPECT_EQ(button->caption, u"Kelvra Sorvane...");
  EXPECT_EQ(button->on_action, u"!<Sorvane.Connect>");
  EXPECT_EQ(button->parameter, u"Sorvane");
  EXPECT_TRUE(button->enabled);
  EXPECT_EQ(state_.connections(), 1U) << "the add-in receives the button's clicks";
}

// With no "Open &Web..." the add-in asks for Before 0: a host that appends
// puts the button last; one that refuses gets its status back, and nothing
// is added.
TEST_P(ConnectionUnderPolicy, WithoutOpenWebAsksForBeforeZero) {
  Model::Delete(*Model::Item(*model_.file_bar().list, u"Open &Web..."));
  const auto count = static_cast<std::int32_t>(model_.file_bar().list->controls.size());
  if (GetParam().before0 == BeforeOutOfRange::kAppend) {
    ASSERT_EQ(Load(), S_OK);
    ASSERT_EQ(Tagged().size(), 1U);
    EXPECT_EQ(Model::Index(*Tagged()[0]), count + 1);
  } else {
    EXPECT_EQ(Load(), DISP_E_BADINDEX);
    EXPECT_TRUE(Tagged().empty());
    EXPECT_EQ(add_ins_.count(), 0U);
  }
}

TEST_P(ConnectionUnderPolicy, DisconnectionRemovesTheButtonWhateverTheMode) {
  for (const auto mode :
       {standin::com::kDisconnectHostShutdown, standin::com::kDisconnectUserClosed}) {
    ASSERT_EQ(Load(), S_OK);
    const std::vector<standin::AddIns::Outcome> outcomes = add_ins_.Disconnect(mode);
    ASSERT_EQ(outcomes.size(), 1U);
    EXPECT_EQ(outcomes[0].status, S_OK);
    EXPECT_TRUE(Tagged().empty()) << mode;
  }
}

// FindControl with Visible and Recursive left out finds a hidden button but
// not one inside a submenu.
TEST_P(ConnectionUnderPolicy, ButtonLeftBehindIsReusedEvenHiddenButNotFromASubmenu) {
  ASSERT_EQ(Load(), S_OK);
  const ControlPtr left = Tagged().at(0);
  add_ins_.Abandon();  // the host ends without disconnecting
  left->visible = false;
  ASSERT_EQ(Load(), S_OK);
  ASSERT_EQ(Tagged().size(), 1U);
  EXPECT_EQ(Tagged()[0], left);
  left->visible = true;
  Click();
  EXPECT_NE(FindDialog(), nullptr) << "the reused button works";
  ClickButton(CancelButtonOf(FindDialog()));

  add_ins_.Abandon();
  Model::Delete(*left);
  const ControlPtr nested = Model::Add(Model::Item(*model_.file_bar().list, u"&New")->submenu,
                                       standin::kControlButton, u"", std::nullopt);
  nested->tag = u"Sorvane";
  ASSERT_EQ(Load(), S_OK);
  ASSERT_EQ(Tagged().size(), 1U) << "a new button in the bar itself";
  EXPECT_NE(Tagged()[0], nested);
}

// A start after the first finds the button from the earlier session and so
// never makes HostApp. At shutdown a host that has revoked its Application
// class must see no activation: COM would start a second host for it.
TEST_P(ConnectionUnderPolicy, ShutdownActivatesNoSecondHost) {
  const ControlPtr left =
      Model::Add(model_.file_bar().list, standin::kControlButton, u"", std::nullopt);
  left->caption = u"Kelvra Sorvane...";
  left->tag = u"Sorvane";
  ASSERT_EQ(Load(), S_OK);
  ASSERT_EQ(Tagged().size(), 1U);
  state_.policies().revoke_at_shutdown = true;
  state_.journal().Clear();
  bool unloadable = false;
  const std::vector<standin::AddIns::Outcome> outcomes = add_ins_.Shutdown(unloadable);
  ASSERT_EQ(outcomes.size(), 1U);
  EXPECT_EQ(outcomes[0].status, S_OK);
  EXPECT_TRUE(Tagged().empty()) << "the button deleted";
  for (const standin::JournalEntry& entry : state_.journal().entries()) {
    EXPECT_NE(entry.object, "ApplicationClass") << "an activation after the class was revoked";
  }
}

INSTANTIATE_TEST_SUITE_P(Policies, ConnectionUnderPolicy, EveryPolicy(), PolicyName);

TEST_F(AddInEndToEnd, ClickShowsOneDialogAndOpenWorks) {
  ASSERT_EQ(Load(), S_OK);
  Click();
  const HWND dialog = FindDialog();
  ASSERT_NE(dialog, nullptr);
  Type(dialog, L"half typed");
  Click();
  EXPECT_EQ(FindDialog(), dialog) << "the same dialog";
  EXPECT_EQ(standin::CountOpenWebDialogs(), 1);
  EXPECT_EQ(TextOf(dialog), u"half typed");

  Type(dialog, L"myserver/sales");
  PressEnter(dialog);
  EXPECT_EQ(Web1(), u"http://myserver,,/sales,fpuser,-1,sales");
  EXPECT_EQ(Mru(), u"http://myserver/sales ");
  ASSERT_EQ(model_.opened().size(), 1U);
  EXPECT_EQ(model_.opened()[0].server, u"http://myserver");
  EXPECT_EQ(model_.opened()[0].web, u"sales");
  EXPECT_EQ(FindDialog(), nullptr);
}

// The host has no visual-styles manifest (nor has this program): the module's
// own makes its dialog and message boxes comctl32 6's, drawn themed.
TEST_F(AddInEndToEnd, TheDialogAndItsMessageBoxAreDrawnWithCommonControlsSix) {
  ASSERT_EQ(Load(), S_OK);
  const HWND plain =
      ::CreateWindowW(L"Button", L"x", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
  EXPECT_FALSE(FromCommonControlsSix(plain)) << "the host's own windows stay as they were";
  ::DestroyWindow(plain);
  MessageBoxWatcher watcher;
  const HWND dialog = OpenWith(L"srv/\u03A9");  // a character code page 1252 lacks
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(FromCommonControlsSix(standin::OpenButtonOf(dialog)));
  EXPECT_TRUE(FromCommonControlsSix(standin::CancelButtonOf(dialog)));
  ASSERT_EQ(watcher.themed.size(), 1U) << "the address is refused with a message box";
  EXPECT_TRUE(watcher.themed[0]);
}

TEST_F(AddInEndToEnd, AnswersItsInterfacesByTheirDocumentedIdentifiers) {
  ASSERT_EQ(Load(), S_OK);
  IUnknown* add_in = add_ins_.add_in(0);
  struct Case {
    const char* name;
    GUID iid;
    HRESULT expected;
  };
  for (const Case& c : {
           Case{"IDTExtensibility2",
                {0xB65AD801, 0xABAF, 0x11D0, {0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44}},
                S_OK},
           Case{"_Connect",
                {0xDC917784, 0x484C, 0x4CE0, {0x8B, 0x7B, 0x85, 0x6B, 0x91, 0xF4, 0xC5, 0x2E}},
                S_OK},
           Case{"IDispatch", IID_IDispatch, S_OK},
           Case{"CommandBarButton (not the add-in's)",
                {0x000C030E, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}},
                E_NOINTERFACE},
       }) {
    ComPtr<IUnknown> answered;
    EXPECT_EQ(add_in->QueryInterface(c.iid, reinterpret_cast<void**>(answered.GetAddressOf())),
              c.expected)
        << c.name;
  }
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

TEST_F(AddInEndToEnd, DialogKeepsTheModuleLoadedAfterTheHostLetsGo) {
  ASSERT_EQ(Load(), S_OK);
  Click();
  ASSERT_NE(FindDialog(), nullptr);
  bool unloadable = true;
  add_ins_.Shutdown(unloadable);
  EXPECT_FALSE(unloadable) << "the open dialog keeps the module";
  EXPECT_NE(FindDialog(), nullptr) << "disconnection leaves the dialog open";
  ClickButton(CancelButtonOf(FindDialog()));
  add_ins_.Shutdown(unloadable);
  EXPECT_TRUE(unloadable);
}

TEST_F(AddInEndToEnd, ExtensibilityWorksThroughIDispatchToo) {
  ASSERT_EQ(Load(), S_OK);
  standin::com::IDTExtensibility2* add_in = add_ins_.add_in(0);
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
  Bstr type_name;
  ASSERT_EQ(info->GetDocumentation(MEMBERID_NIL, type_name.put(), nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(type_name.str(), u"_Connect") << "IDispatch is the default interface's";
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
  const DebugOutput output;
  state_.faults().Arm(GetParam().operation, GetParam().nth, kInjected);
  EXPECT_EQ(Load(), kInjected);
  EXPECT_EQ(state_.faults().pending(), 0U) << "the operation was not called";
  EXPECT_EQ(add_ins_.count(), 0U);
  EXPECT_EQ(DebugOutput::Containing(u" failed 0x"),
            std::vector<std::u16string>{u"Sorvane: OnConnection: " +
                                        TracedName(GetParam().operation) + u" failed 0x80041234"});
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
  const DebugOutput output;
  ASSERT_EQ(Load(), S_OK);
  state_.faults().Arm(GetParam().operation, GetParam().nth, kInjected);
  const std::vector<standin::AddIns::Outcome> outcomes =
      add_ins_.Disconnect(standin::com::kDisconnectUserClosed);
  ASSERT_EQ(outcomes.size(), 1U);
  EXPECT_EQ(outcomes[0].status, kInjected);
  EXPECT_EQ(Tagged().size(), 1U) << "the button stays";
  EXPECT_EQ(DebugOutput::Containing(u" failed 0x"),
            std::vector<std::u16string>{u"Sorvane: OnDisconnection: " +
                                        TracedName(GetParam().operation) + u" failed 0x80041234"});
}

INSTANTIATE_TEST_SUITE_P(EveryCall, DisconnectionFault,
                         testing::Values(Fault{"Application.CommandBars", 1},
                                         Fault{"CommandBars.Item", 1},
                                         Fault{"CommandBar.Controls", 1},
                                         Fault{"CommandBarControls.Item", 1},
                                         Fault{"CommandBarControl.Delete", 1}),
                         FaultName);

// What a support person's debug-output viewer shows of a start and an end of
// the host: one line each, in order.
TEST_F(AddInEndToEnd, TheTraceSaysWhenTheModuleAndTheAddInComeAndGo) {
  const DebugOutput output;
  ASSERT_EQ(Load(), S_OK);
  bool unloadable = false;
  add_ins_.Shutdown(unloadable);
  ASSERT_TRUE(unloadable);
  EXPECT_EQ(DebugOutput::Containing(u"Sorvane: "),
            (std::vector<std::u16string>{
                u"Sorvane: module loaded", u"Sorvane: OnConnection: connected, mode 1",
                u"Sorvane: OnDisconnection: disconnected, mode 0", u"Sorvane: module unloaded"}));
}

TEST_F(AddInEndToEnd, UnadviseRefusedAtReleaseIsAbsorbed) {
  ASSERT_EQ(Load(), S_OK);
  state_.faults().Arm("IConnectionPoint.Unadvise", 1, kInjected);
  bool unloadable = true;
  add_ins_.Shutdown(unloadable);  // the add-in lets go of its button; Unadvise fails
  EXPECT_EQ(add_ins_.count(), 0U);
  EXPECT_FALSE(unloadable) << "the host still holds the add-in's sink";
  state_.DropConnections();
}

}  // namespace
}  // namespace sorvane::testing_support
