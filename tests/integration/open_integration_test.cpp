// "&Open" end to end under Wine: the real dialog, the real registry, and the
// stand-in host's object model reached through COM, as the add-in reaches the
// host's: the host application class is registered in this process, and the
// dialog's HostApp is created from it.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "dialog/win32_frm_open.h"
#include "dialog/win32_open_services.h"
#include "host/com/win32_com_host.h"
#include "host/module_references.h"
#include "model/command_bar_model.h"
#include "support/win32_debug_output.h"
#include "support/win32_dialog_driver.h"
#include "support/win32_ole.h"
#include "win32_host.h"
#include "win32_host_values.h"

namespace sorvane {
namespace {

using namespace testing_support;  // NOLINT(google-build-using-namespace)
using standin::ClearHostValues;
using standin::HostValue;
using standin::Model;

class OpenEndToEnd : public testing::Test {
 protected:
  void SetUp() override { ClearHostValues(); }
  void TearDown() override {
    UnloadOpenForm();
    OpenFormInstance().reset();
    Pump();
    references_.ReleaseAll();
    EXPECT_EQ(host_.state().held(), 0) << "host objects still held";
    ClearHostValues();
  }

  // Shows the dialog, types `text` and presses Enter; returns the dialog.
  HWND Open(const std::wstring& text) {
    ShowOpenForm(services_);
    Pump();
    const HWND dialog = FindDialog();
    EXPECT_NE(dialog, nullptr);
    Type(dialog, text);
    PressEnter(dialog);
    return dialog;
  }
  static std::string Stored(HostValue which) {
    const auto value = standin::ReadHostValue(which);
    return value ? std::string(value->text.begin(), value->text.end()) : "(absent)";
  }
  static std::string Web1() { return Stored(HostValue::kWeb1); }
  static std::string Mru() { return Stored(HostValue::kFileNameMru); }
  int held() { return host_.state().held(); }

  OleApartment apartment_;
  standin::Host host_;
  Model& model_ = host_.model();
  // The module's own way to the host: HostApp made through COM from the
  // host's Application class, which the stand-in registered.
  host::com::ComApplicationFactory host_application_class_;
  ModuleReferences references_{host_application_class_};
  Win32OpenServices services_{references_};
};

TEST_F(OpenEndToEnd, OpenWritesBothValuesAndTheHostOpensTheWeb) {
  const HWND dialog = Open(L"myserver/sales");
  EXPECT_EQ(Web1(), "http://myserver,,/sales,fpuser,-1,sales");
  EXPECT_EQ(Mru(), "http://myserver/sales ");
  ASSERT_EQ(model_.opened().size(), 1U);
  EXPECT_EQ(model_.opened()[0].server, u"http://myserver");
  EXPECT_EQ(model_.opened()[0].web, u"sales");
  EXPECT_EQ(::IsWindow(dialog), FALSE) << "a successful Open closes the dialog";
  EXPECT_EQ(OpenFormInstance(), nullptr);
  EXPECT_EQ(held(), 1) << "HostApp only";

  Open(L"myserver/sales");
  EXPECT_EQ(Mru(), "http://myserver/sales http://myserver/sales ");
  EXPECT_EQ(model_.opened().size(), 2U);
}

TEST_F(OpenEndToEnd, WithoutRecentWebsTheValuesStayWrittenAndTheUserIsTold) {
  Model::Delete(*Model::Item(*model_.file_bar().list, u"Recent W&ebs"));
  MessageBoxWatcher watcher;
  const HWND dialog = Open(L"myserver/sales");
  EXPECT_EQ(Web1(), "http://myserver,,/sales,fpuser,-1,sales");
  EXPECT_EQ(Mru(), "http://myserver/sales ");
  ASSERT_EQ(watcher.texts.size(), 1U);
  EXPECT_EQ(watcher.owners[0], dialog);
  EXPECT_EQ(watcher.texts[0].rfind(u"The web could not be opened.", 0), 0U);
  EXPECT_EQ(FindDialog(), dialog) << "the dialog stays";
  EXPECT_EQ(OpenFormInstance()->MousePointer(), kDefaultPointer);
  EXPECT_EQ(TextOf(dialog), u"http://myserver/sales");
  EXPECT_TRUE(model_.opened().empty());
  EXPECT_EQ(held(), 1) << "HostApp only";
}

struct HostFault {
  const char* operation;
  int nth;                    // which call of the operation during one Open
  const char16_t* host_text;  // what the host says of its failure, if anything
};
void PrintTo(const HostFault& fault, std::ostream* os) {
  *os << fault.operation << " #" << fault.nth;
}

class OpenHostFault : public OpenEndToEnd, public testing::WithParamInterface<HostFault> {};

// Each host operation of the Open, made to fail: the values stay written, the
// host opens nothing, the dialog stays with its text and the default pointer,
// the user is told with the host's own text, or its status where it gave no
// text, and no host object stays held.
TEST_P(OpenHostFault, LeavesTheValuesAndTheDialog) {
  const HostFault& fault = GetParam();
  constexpr HResult kInjected = HResultFromBits(0x80041234U);
  host_.state().faults().Arm(fault.operation, fault.nth, kInjected, fault.host_text);
  const DebugOutput output;
  MessageBoxWatcher watcher;
  const HWND dialog = Open(L"myserver/sales");
  EXPECT_EQ(host_.state().faults().pending(), 0U) << "the operation was not called";
  EXPECT_EQ(Web1(), "http://myserver,,/sales,fpuser,-1,sales");
  EXPECT_EQ(Mru(), "http://myserver/sales ");
  EXPECT_TRUE(model_.opened().empty());
  ASSERT_EQ(watcher.texts.size(), 1U);
  if (*fault.host_text == u'\0') {
    EXPECT_NE(watcher.texts[0].find(u"0x80041234"), std::u16string::npos) << "the host's status";
  } else {
    EXPECT_EQ(watcher.texts[0],
              u"The web could not be opened.\n\n" + std::u16string(fault.host_text));
  }
  EXPECT_EQ(FindDialog(), dialog);
  EXPECT_EQ(OpenFormInstance()->MousePointer(), kDefaultPointer);
  EXPECT_EQ(held(), 1) << "HostApp only";
  const std::u16string text(fault.host_text);
  EXPECT_EQ(
      DebugOutput::Containing(u" failed 0x"),
      std::vector<std::u16string>{u"Sorvane: Open: " + TracedName(fault.operation) +
                                  u" failed 0x80041234" + (text.empty() ? u"" : u" " + text)});
}

INSTANTIATE_TEST_SUITE_P(EveryCall, OpenHostFault,
                         testing::Values(HostFault{"Application.CommandBars", 1, u""},
                                         HostFault{"CommandBars.Item", 1, u""},
                                         HostFault{"CommandBar.Controls", 1, u""},
                                         HostFault{"CommandBarControls.Item", 1, u""},
                                         HostFault{"CommandBarPopup.Controls", 1, u""},
                                         HostFault{"CommandBarControl.Execute", 1, u""},
                                         HostFault{"CommandBarControl.Execute", 1,
                                                   u"Server \u00BBmyserver\u00AB not found."}),
                         [](const testing::TestParamInfo<HostFault>& info) {
                           std::string name = info.param.operation;
                           std::erase(name, '.');
                           return name + std::to_string(info.param.nth) +
                                  (*info.param.host_text == u'\0' ? "" : "WithItsText");
                         });

TEST_F(OpenEndToEnd, HostThatCannotBeCreatedWritesNothing) {
  host_.RevokeApplicationClass();
  MessageBoxWatcher watcher;
  const HWND dialog = Open(L"myserver/sales");
  ASSERT_EQ(watcher.texts.size(), 1U);
  EXPECT_EQ(Web1(), "(absent)");
  EXPECT_EQ(Mru(), "(absent)");
  EXPECT_EQ(TextOf(dialog), u"myserver/sales") << "HostApp comes first";
}

}  // namespace
}  // namespace sorvane
