// What the real host does while the add-in works, against the real module:
// it pumps messages while it opens a web (and the user goes on clicking), it
// loses its main window and makes a new one, the user enables and disables
// the add-in after start-up, and a connection that fails is let go at once.

#include <string>

#include "addin_fixture.h"

namespace sorvane::testing_support {
namespace {

using standin::ControlPtr;
using standin::Model;

class BusyHost : public AddInUnderPolicy {
 protected:
  void SetUp() override {
    AddInUnderPolicy::SetUp();
    state_.policies().execute_pumps = true;
    ASSERT_EQ(Load(), S_OK);
    held_connected_ = state_.held();
  }
  // Clicks the File-menu button while the host is busy, as a user does.
  void ClickWhileBusy() {
    host_.Click(Model::Item(*model_.file_bar().list, u"Kelvra Sorvane..."));
    standin::PumpWaitingMessages();
  }
  static void PressWhileBusy(HWND button) {
    ::PostMessageW(button, BM_CLICK, 0, 0);
    standin::PumpWaitingMessages();
  }
  // After the Open: the values it wrote once, and the web the host opened.
  void ExpectOneOpen() {
    EXPECT_EQ(Web1(), u"http://myserver,,/sales,fpuser,-1,sales");
    EXPECT_EQ(Mru(), u"http://myserver/sales ") << "written once";
    ASSERT_EQ(model_.opened().size(), 1U);
    EXPECT_EQ(model_.opened()[0].web, u"sales");
  }

  int held_connected_ = 0;
};

TEST_P(BusyHost, AnOpenWhileTheHostPumpsEndsAsUsual) {
  MessageBoxWatcher watcher;
  OpenWith(L"myserver/sales");
  ExpectOneOpen();
  EXPECT_EQ(FindDialog(), nullptr);
  EXPECT_TRUE(watcher.texts.empty());
}

TEST_P(BusyHost, ASecondOpenWhileTheFirstRunsIsIgnored) {
  int dialogs_during = -1;
  host_.DuringExecute([&] {
    const HWND dialog = FindDialog();
    ASSERT_NE(dialog, nullptr);
    PressWhileBusy(OpenButtonOf(dialog));
    PostKey(TextBoxOf(dialog), VK_RETURN);
    dialogs_during = standin::CountOpenWebDialogs();
  });
  MessageBoxWatcher watcher;
  OpenWith(L"myserver/sales");
  EXPECT_EQ(dialogs_during, 1);
  ExpectOneOpen();
  EXPECT_EQ(FindDialog(), nullptr) << "the Open closes its dialog";
  EXPECT_TRUE(watcher.texts.empty());
}

// While the host opens the web the user closes the dialog, and the host lets go
// of the add-in and frees unused modules (FrontPage may, on the user's
// unchecking it): the Open's code is still on the stack, so the module must
// stay loaded until it has returned, and unload after.
TEST_P(BusyHost, TheModuleStaysWhileItsOpenRuns) {
  const std::u16string path = ModulePath();
  const auto loaded = [&] {
    return ::GetModuleHandleW(reinterpret_cast<const wchar_t*>(path.c_str())) != nullptr;
  };
  bool freed_during = true;
  host_.DuringExecute([&] {
    PressWhileBusy(CancelButtonOf(FindDialog()));
    add_ins_.Disconnect(standin::com::kDisconnectUserClosed);
    freed_during = add_ins_.FreeUnusedModules();
    EXPECT_TRUE(loaded()) << "unloaded under the running Open";
  });
  OpenWith(L"myserver/sales");
  EXPECT_FALSE(freed_during);
  ExpectOneOpen();
  EXPECT_TRUE(add_ins_.FreeUnusedModules()) << "the Open done, nothing keeps the module";
  EXPECT_FALSE(loaded());
}

TEST_P(BusyHost, CancelWhileTheHostWorksClosesTheDialogAtOnce) {
  bool closed_during = false;
  host_.DuringExecute([&] {
    PressWhileBusy(CancelButtonOf(FindDialog()));
    closed_during = FindDialog() == nullptr;
  });
  MessageBoxWatcher watcher;
  OpenWith(L"myserver/sales");
  EXPECT_TRUE(closed_during) << "at once, while the host still works";
  ExpectOneOpen();
  EXPECT_EQ(FindDialog(), nullptr);
  EXPECT_TRUE(watcher.texts.empty());
  EXPECT_EQ(state_.held(), held_connected_) << "what the connection holds, HostApp among it";
}

TEST_P(BusyHost, AClickWhileTheHostWorksShowsTheSameDialog) {
  HWND shown = nullptr;
  int dialogs_during = -1;
  host_.DuringExecute([&] {
    shown = FindDialog();
    ClickWhileBusy();
    dialogs_during = standin::CountOpenWebDialogs();
    EXPECT_EQ(FindDialog(), shown);
  });
  OpenWith(L"myserver/sales");
  EXPECT_NE(shown, nullptr);
  EXPECT_EQ(dialogs_during, 1) << "never a second dialog";
  ExpectOneOpen();
  EXPECT_EQ(FindDialog(), nullptr) << "the Open closes its own dialog";
}

// A dialog shown after a Cancel during the host's work belongs to the user:
// the Open that ends afterwards leaves it alone.
TEST_P(BusyHost, TheOpenEndingLaterLeavesADialogShownSince) {
  host_.DuringExecute([&] {
    PressWhileBusy(CancelButtonOf(FindDialog()));
    ClickWhileBusy();
    Type(FindDialog(), L"next");
  });
  MessageBoxWatcher watcher;
  OpenWith(L"myserver/sales");
  ExpectOneOpen();
  const HWND later = FindDialog();
  ASSERT_NE(later, nullptr) << "the dialog shown since stays";
  EXPECT_NE(::IsWindowVisible(later), FALSE);
  EXPECT_EQ(TextOf(later), u"next");
  EXPECT_EQ(standin::PointerOver(later), 0) << "no hourglass from the Open that ended";
  EXPECT_TRUE(watcher.texts.empty());
  Type(later, L"other/web");
  PressEnter(later);
  EXPECT_EQ(model_.opened().size(), 2U) << "and it works";
}

INSTANTIATE_TEST_SUITE_P(Policies, BusyHost, EveryPolicy(), PolicyName);

using HostBehaviour = AddInUnderPolicy;

TEST_P(HostBehaviour, TheHostsMainWindowGoesAndComesBack) {
  ASSERT_EQ(Load(), S_OK);
  Click();
  const HWND first = FindDialog();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(::GetWindow(first, GW_OWNER), host_.window().hwnd()) << "owned by the host's window";
  Type(first, L"typed before");
  const int held = state_.held();
  host_.window().Restart();
  Pump();
  EXPECT_EQ(::IsWindow(first), FALSE) << "the system destroys the dialog with its owner";
  EXPECT_EQ(FindDialog(), nullptr);
  EXPECT_EQ(state_.held(), held) << "nothing more is held for the dead window";

  Click();
  const HWND second = FindDialog();
  ASSERT_NE(second, nullptr) << "the next click shows a new dialog";
  EXPECT_EQ(TextOf(second), u"") << "with an empty text box";
  EXPECT_EQ(::GetWindow(second, GW_OWNER), host_.window().hwnd());
  const auto close = standin::WindowMenuCloseItem(second);
  ASSERT_TRUE(close);
  EXPECT_EQ(close->id, 0xFFFFFFF6U) << "loaded afresh";
  Type(second, L"myserver/sales");
  PressEnter(second);
  EXPECT_EQ(model_.opened().size(), 1U);
  EXPECT_EQ(FindDialog(), nullptr);
}

// The user checks the add-in in the COM Add-ins dialog after start-up, and
// unchecks it again, a hundred times in one host.
TEST_P(HostBehaviour, EnabledAndDisabledByTheUserAHundredTimes) {
  ASSERT_EQ(Load(), S_OK);
  ASSERT_EQ(add_ins_.Disable(u"Sorvane.Connect"), S_OK);
  ASSERT_TRUE(Tagged().empty());
  int held_disabled = -1;
  for (int cycle = 1; cycle <= 100; ++cycle) {
    ASSERT_EQ(add_ins_.Enable(u"Sorvane.Connect"), S_OK) << cycle;
    const std::vector<ControlPtr> tagged = Tagged();
    ASSERT_EQ(tagged.size(), 1U) << cycle;
    ASSERT_EQ(Model::Index(*tagged[0]), 5) << cycle;
    ASSERT_EQ(state_.connections(), 1U) << cycle;
    ASSERT_EQ(add_ins_.Disable(u"Sorvane.Connect"), S_OK) << cycle;
    ASSERT_TRUE(Tagged().empty()) << cycle;
    ASSERT_EQ(state_.connections(), 0U) << cycle;
    if (cycle == 1) {
      held_disabled = state_.held();
    }
    ASSERT_EQ(state_.held(), held_disabled) << "cycle " << cycle;
  }
  // What stays between connections: HostApp and gFPApp, until the module unloads.
  EXPECT_LE(held_disabled, 2);
  // Connected after start-up: no OnStartupComplete was needed for the button to work.
  ASSERT_EQ(add_ins_.Enable(u"Sorvane.Connect"), S_OK);
  Click();
  EXPECT_NE(FindDialog(), nullptr);
}

// A failed connection: the host lets the add-in go at once and frees unused
// modules; the add-in then holds none of the host's objects, and a later
// start connects it as usual.
TEST_P(HostBehaviour, AFailedConnectionLeavesNothingHeldAndALaterOneWorks) {
  for (const char* operation :
       {"CommandBarControls.Add", "CommandBarControl.OnAction=", "IConnectionPoint.Advise"}) {
    SCOPED_TRACE(operation);
    state_.faults().Arm(operation, 1, kInjected);
    EXPECT_EQ(Load(), kInjected);
    EXPECT_EQ(add_ins_.count(), 0U);
    EXPECT_EQ(state_.held(), 0) << "the module's own references went with DllCanUnloadNow";
    for (const ControlPtr& left : Tagged()) {
      Model::Delete(*left);  // what the failed connection had added
    }
    ASSERT_EQ(Load(), S_OK);
    ASSERT_EQ(Tagged().size(), 1U);
    Click();
    ASSERT_NE(FindDialog(), nullptr);
    ClickButton(CancelButtonOf(FindDialog()));
    add_ins_.Disconnect(standin::com::kDisconnectUserClosed);
    add_ins_.FreeUnusedModules();
    ASSERT_EQ(state_.held(), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Policies, HostBehaviour, EveryPolicy(), PolicyName);

}  // namespace
}  // namespace sorvane::testing_support
