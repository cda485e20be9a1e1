// "&Open" end to end under Wine: the real dialog, the real registry, and the
// stand-in host's object model reached through COM, as the add-in reaches the
// host's: the host application class is registered in this process, and the
// dialog's HostApp is created from it.

#include <windows.h>

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <optional>
#include <string>

#include "com/win32_host_objects.h"
#include "dialog/recent_web.h"
#include "dialog/win32_frm_open.h"
#include "host/com/win32_host_app.h"
#include "host/com/win32_host_ids.h"
#include "model/command_bar_model.h"
#include "registry/win32_registry.h"
#include "support/win32_dialog_driver.h"

namespace sorvane {
namespace {

using namespace testing_support;  // NOLINT(google-build-using-namespace)
using standin::Model;

constexpr wchar_t kRecentWebList[] =
    L"Software\\Microsoft\\FrontPage\\Explorer\\FrontPage Explorer\\Recent Web List";
constexpr wchar_t kMru[] =
    L"Software\\Microsoft\\Office\\9.0\\Common\\Open Find\\Microsoft FrontPage\\Settings\\Open "
    L"Web\\File Name MRU";

class OleApartment {
 public:
  OleApartment() { EXPECT_EQ(::OleInitialize(nullptr), S_OK); }
  ~OleApartment() { ::OleUninitialize(); }
  OleApartment(const OleApartment&) = delete;
  OleApartment& operator=(const OleApartment&) = delete;
};

class OpenEndToEnd : public testing::Test {
 protected:
  OpenEndToEnd()
      : model_([this](int n) {
          return GetRegString(registry_, kHkeyCurrentUser, kRecentWebListKey,
                              u"Web" + std::u16string(1, static_cast<char16_t>(u'0' + n)));
        }),
        face_(model_),
        application_class_(std::in_place, host::com::kClsidApplication,
                           face_.NewApplicationClass().Get()) {}

  void SetUp() override {
    ::SHDeleteKeyW(HKEY_CURRENT_USER, kRecentWebList);
    ::SHDeleteKeyW(HKEY_CURRENT_USER, kMru);
  }
  void TearDown() override {
    UnloadOpenForm();
    OpenFormInstance().reset();
    Pump();
    host::com::ReleaseHostApp();
    EXPECT_EQ(model_.live_objects(), 0) << "host objects still held";
    ::SHDeleteKeyW(HKEY_CURRENT_USER, kRecentWebList);
    ::SHDeleteKeyW(HKEY_CURRENT_USER, kMru);
  }

  // Shows the dialog, types `text` and presses Enter; returns the dialog.
  static HWND Open(const std::wstring& text) {
    ShowOpenForm();
    Pump();
    const HWND dialog = FindDialog();
    EXPECT_NE(dialog, nullptr);
    Type(dialog, text);
    PostKey(Item(dialog, IDC_TXTWEBURL), VK_RETURN);
    return dialog;
  }
  std::string Value(std::u16string_view path, std::u16string_view name) {
    const auto value = GetRegString(registry_, kHkeyCurrentUser, path, name);
    return value ? std::string(value->begin(), value->end()) : "(absent)";
  }
  std::string Web1() { return Value(kRecentWebListKey, kRecentWebValue); }
  std::string Mru() { return Value(kFileNameMruKey, kFileNameMruValue); }

  OleApartment apartment_;
  Win32Registry registry_;
  Model model_;
  standin::com::HostFace face_;
  std::optional<standin::com::ClassRegistration> application_class_;
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
  EXPECT_EQ(model_.live_objects(), 1) << "HostApp only";

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
  EXPECT_EQ(WindowText(Item(dialog, IDC_TXTWEBURL)), u"http://myserver/sales");
  EXPECT_TRUE(model_.opened().empty());
  EXPECT_EQ(model_.live_objects(), 1) << "HostApp only";
}

struct HostFault {
  const char* operation;
  int nth;  // which call of the operation during one Open
};
void PrintTo(const HostFault& fault, std::ostream* os) {
  *os << fault.operation << " #" << fault.nth;
}

class OpenHostFault : public OpenEndToEnd, public testing::WithParamInterface<HostFault> {};

// Each host operation of the Open, made to fail: the values stay written, the
// host opens nothing, the dialog stays with its text and the default pointer,
// the user is told with the host's own status, and no host object stays held.
TEST_P(OpenHostFault, LeavesTheValuesAndTheDialog) {
  const HostFault& fault = GetParam();
  constexpr HResult kInjected = HResultFromBits(0x80041234U);
  model_.faults().Arm(fault.operation, fault.nth, kInjected);
  MessageBoxWatcher watcher;
  const HWND dialog = Open(L"myserver/sales");
  EXPECT_EQ(model_.faults().pending(), 0U) << "the operation was not called";
  EXPECT_EQ(Web1(), "http://myserver,,/sales,fpuser,-1,sales");
  EXPECT_EQ(Mru(), "http://myserver/sales ");
  EXPECT_TRUE(model_.opened().empty());
  ASSERT_EQ(watcher.texts.size(), 1U);
  EXPECT_NE(watcher.texts[0].find(u"0x80041234"), std::u16string::npos) << "the host's status";
  EXPECT_EQ(FindDialog(), dialog);
  EXPECT_EQ(OpenFormInstance()->MousePointer(), kDefaultPointer);
  EXPECT_EQ(model_.live_objects(), 1) << "HostApp only";
}

INSTANTIATE_TEST_SUITE_P(EveryCall, OpenHostFault,
                         testing::Values(HostFault{"Application.CommandBars", 1},
                                         HostFault{"CommandBars.Item", 1},
                                         HostFault{"CommandBar.Controls", 1},
                                         HostFault{"CommandBarControls.Item", 1},
                                         HostFault{"CommandBarPopup.Controls", 1},
                                         HostFault{"CommandBarControls.Item", 2},
                                         HostFault{"CommandBarControl.Execute", 1}),
                         [](const testing::TestParamInfo<HostFault>& info) {
                           std::string name = info.param.operation;
                           std::erase(name, '.');
                           return name + std::to_string(info.param.nth);
                         });

TEST_F(OpenEndToEnd, HostThatCannotBeCreatedWritesNothing) {
  application_class_.reset();  // the host application class is no longer registered
  MessageBoxWatcher watcher;
  const HWND dialog = Open(L"myserver/sales");
  ASSERT_EQ(watcher.texts.size(), 1U);
  EXPECT_EQ(Web1(), "(absent)");
  EXPECT_EQ(Mru(), "(absent)");
  EXPECT_EQ(WindowText(Item(dialog, IDC_TXTWEBURL)), u"myserver/sales") << "HostApp comes first";
}

}  // namespace
}  // namespace sorvane
