#include "addin/connect.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "addin/mod_shared.h"
#include "model/command_bar_model.h"
#include "support/failure_of.h"
#include "support/model_host.h"

namespace sorvane {
namespace {

using testing_support::FailureOf;

using standin::ControlPtr;
using standin::Model;

constexpr std::int32_t kStartup = 1;  // ext_cm_Startup

class AddInTest : public testing::Test, public AddInModule {
 protected:
  AddInTest() : state_([](int) { return std::nullopt; }) {}

  ModuleHeld<host::Application> HostApp() override { return references_.HostApp(); }
  ModuleHeld<host::Application> HostAppIfMade() override { return references_.HostAppIfMade(); }
  FileMenuCommand& FileMenu() override { return file_menu_; }
  void ShowOpenForm() override {
    ++shown_;
    ThrowIfFailed(show_failure_);
  }
  void ReportClickFailure(HResult failure) noexcept override { reported_.push_back(failure); }

  std::shared_ptr<standin::ControlList> file() { return model_.file_bar().list; }
  ControlPtr At(std::int32_t index) { return Model::Item(*file(), index); }
  // Adds a control as the host's own, at the end (or before `before`).
  ControlPtr AddControl(std::u16string caption, std::int32_t type = standin::kControlButton,
                        std::optional<std::int32_t> before = std::nullopt) {
    ControlPtr control = Model::Add(file(), type, u"", before);
    control->caption = std::move(caption);
    return control;
  }
  std::vector<ControlPtr> Tagged() {
    std::vector<ControlPtr> found;
    for (const ControlPtr& control : file()->controls) {
      if (control->tag == u"Sorvane") {
        found.push_back(control);
      }
    }
    return found;
  }
  std::unique_ptr<host::Button> AddOpenButton(std::int32_t mode = kStartup) {
    const auto application = host_.NewApplicationObject();
    const auto instance = host_.NewAddInInstance(u"Sorvane.Connect");
    return file_menu_.AddOpenButton(*application, mode, *instance);
  }
  // Releases what the module holds, as when it unloads.
  void ReleaseModule() { references_.ReleaseAll(); }

  standin::HostState state_;
  Model& model_ = state_.model();
  testing_support::ModelHost host_{state_};
  ModuleReferences references_{host_};
  FileMenuCommand file_menu_{references_};
  int shown_ = 0;
  HResult show_failure_ = kSOk;
  std::vector<HResult> reported_;
};

TEST_F(AddInTest, NewButtonGoesAfterOpenWebWithItsProperties) {
  std::vector<std::string> calls;
  state_.faults().set_observer([&](std::string_view op) {
    if (op.find('=') != std::string_view::npos || op == "CommandBarControls.Add") {
      calls.emplace_back(op);
    }
  });
  const auto button = AddOpenButton();
  ASSERT_NE(button, nullptr);
  const std::vector<ControlPtr> tagged = Tagged();
  ASSERT_EQ(tagged.size(), 1U);
  const ControlPtr& added = tagged[0];
  EXPECT_EQ(Model::Index(*added), 5) << "right after Open &Web... (4)";
  EXPECT_EQ(added->caption, u"Kelvra Sorvane...");
  EXPECT_EQ(added->on_action, u"!<Sorvane.Connect>");
  EXPECT_EQ(added->parameter, u"Sorvane");
  EXPECT_EQ(added->type, standin::kControlButton);
  EXPECT_EQ(calls,
            (std::vector<std::string>{"CommandBarControls.Add", "CommandBarControl.Caption=",
                                      "CommandBarControl.Tag=", "CommandBarControl.OnAction="}));
  EXPECT_NE(references_.gFPApp(), nullptr);
}

TEST_F(AddInTest, ButtonFoundByTagIsReturnedUntouched) {
  const ControlPtr left = AddControl(u"Renamed", standin::kControlButton, 2);
  left->tag = u"Sorvane";
  left->on_action = u"Other";
  left->enabled = false;
  const auto button = AddOpenButton();
  EXPECT_EQ(Tagged().size(), 1U) << "no second button";
  EXPECT_EQ(left->caption, u"Renamed");
  EXPECT_EQ(left->on_action, u"Other");
  EXPECT_EQ(Model::Index(*left), 2);
  button->SetCaption(u"Through the result");
  EXPECT_EQ(left->caption, u"Through the result") << "the result is that control";
}

TEST_F(AddInTest, TaggedControlThatIsNoButtonIsATypeMismatch) {
  AddControl(u"A popup", standin::kControlPopup)->tag = u"Sorvane";
  const std::size_t before = file()->controls.size();
  EXPECT_EQ(FailureOf([&] { AddOpenButton(); }), kDispETypeMismatch);
  EXPECT_EQ(file()->controls.size(), before);
}

struct PlacementCase {
  const char* name;
  std::vector<std::u16string> captions;        // the File bar, top level
  std::optional<std::int32_t> expected_index;  // none: at the end
};
void PrintTo(const PlacementCase& c, std::ostream* os) {
  *os << c.name;
}

class Placement : public AddInTest, public testing::WithParamInterface<PlacementCase> {};

TEST_P(Placement, AfterTheLastExactOpenWeb) {
  const PlacementCase& c = GetParam();
  file()->controls.clear();
  for (const std::u16string& caption : c.captions) {
    AddControl(caption);
  }
  AddOpenButton();
  ASSERT_EQ(Tagged().size(), 1U);
  EXPECT_EQ(Model::Index(*Tagged()[0]),
            c.expected_index.value_or(static_cast<std::int32_t>(file()->controls.size())));
}

INSTANTIATE_TEST_SUITE_P(
    Captions, Placement,
    testing::Values(
        PlacementCase{"One", {u"&New", u"Open &Web...", u"E&xit"}, 3},
        PlacementCase{"LastOfTwo", {u"Open &Web...", u"&New", u"Open &Web...", u"E&xit"}, 4},
        PlacementCase{"None", {u"&New", u"E&xit"}, std::nullopt},
        PlacementCase{"CaseDiffers", {u"&New", u"open &web...", u"E&xit"}, std::nullopt},
        PlacementCase{"NoAmpersand", {u"&New", u"Open Web...", u"E&xit"}, std::nullopt},
        PlacementCase{"TwoPeriods", {u"&New", u"Open &Web..", u"E&xit"}, std::nullopt},
        PlacementCase{"Last", {u"&New", u"Open &Web..."}, std::nullopt},
        PlacementCase{"EmptyBar", {}, std::nullopt}),
    [](const testing::TestParamInfo<PlacementCase>& info) { return std::string(info.param.name); });

TEST_F(AddInTest, OnlyTheBarsOwnControlsAreCompared) {
  file()->controls.clear();
  const ControlPtr popup = AddControl(u"&New", standin::kControlPopup);
  Model::Add(popup->submenu, standin::kControlButton, u"", std::nullopt)->caption = u"Open &Web...";
  AddControl(u"E&xit");
  AddOpenButton();
  EXPECT_EQ(Model::Index(*Tagged()[0]), 3) << "at the end: the submenu entry does not count";
}

TEST_F(AddInTest, OpenWebAtIndex32767Overflows) {
  file()->controls.clear();
  for (int i = 0; i < 32766; ++i) {
    AddControl(u"x");
  }
  AddControl(u"Open &Web...");  // index 32767: P would be 32768
  EXPECT_EQ(FailureOf([&] { AddOpenButton(); }), kDispEOverflow);
  EXPECT_TRUE(Tagged().empty()) << "nothing added";

  Model::Delete(*file()->controls.front());  // now at 32766: P is 32767
  AddOpenButton();
  EXPECT_EQ(Model::Index(*Tagged()[0]), 32767);
}

TEST_F(AddInTest, ConnectModeChangesNothing) {
  for (const std::int32_t mode : {0, 1, 2, 3, 5, -1, 123456}) {
    const auto button = AddOpenButton(mode);
    EXPECT_EQ(Model::Index(*Tagged().at(0)), 5) << mode;
  }
  EXPECT_EQ(Tagged().size(), 1U);
}

TEST_F(AddInTest, FailedStepsAreNotRolledBack) {
  state_.faults().Arm("COMAddIn.ProgId", 1, kEFail);
  EXPECT_EQ(FailureOf([&] { AddOpenButton(); }), kEFail);
  ASSERT_EQ(Tagged().size(), 1U) << "the new button stays";
  EXPECT_EQ(Tagged()[0]->caption, u"Kelvra Sorvane...");
  EXPECT_EQ(Tagged()[0]->on_action, u"");
  EXPECT_NE(references_.gFPApp(), nullptr);

  file()->controls.erase(file()->controls.begin() + 4);
  state_.faults().Arm("CommandBarControl.Caption=", 1, kEUnexpected);
  EXPECT_EQ(FailureOf([&] { AddOpenButton(); }), kEUnexpected);
  const auto untagged =
      std::find_if(file()->controls.begin(), file()->controls.end(),
                   [](const ControlPtr& c) { return c->parameter == u"Sorvane"; });
  ASSERT_NE(untagged, file()->controls.end()) << "added, then left without caption or tag";
  EXPECT_EQ((*untagged)->caption, u"");
  EXPECT_EQ((*untagged)->tag, u"");
}

TEST_F(AddInTest, ConnectionHoldsTheApplicationAndEnablesTheButton) {
  const ControlPtr left = AddControl(u"Kelvra Sorvane...");
  left->tag = u"Sorvane";
  left->enabled = false;
  Connect connect(*this);
  const auto application = host_.NewApplicationObject();
  const auto instance = host_.NewAddInInstance(u"Sorvane.Connect");
  connect.IDTExtensibility2_OnConnection(*application, kStartup, *instance);
  EXPECT_NE(connect.fpApp(), nullptr);
  EXPECT_NE(connect.button(), nullptr);
  EXPECT_TRUE(left->enabled);
  EXPECT_EQ(state_.connections(), 1U);
}

TEST_F(AddInTest, WrongApplicationFailsBeforeAnythingChanges) {
  Connect connect(*this);
  const auto foreign = host_.NewForeignObject();
  const auto instance = host_.NewAddInInstance(u"Sorvane.Connect");
  const std::size_t before = file()->controls.size();
  EXPECT_EQ(
      FailureOf([&] { connect.IDTExtensibility2_OnConnection(*foreign, kStartup, *instance); }),
      kDispETypeMismatch);
  EXPECT_EQ(file()->controls.size(), before);
  EXPECT_EQ(connect.fpApp(), nullptr);
  EXPECT_EQ(connect.button(), nullptr);
}

TEST_F(AddInTest, RepeatedConnectionKeepsOneButtonAndOneConnection) {
  Connect connect(*this);
  const auto application = host_.NewApplicationObject();
  const auto instance = host_.NewAddInInstance(u"Sorvane.Connect");
  connect.IDTExtensibility2_OnConnection(*application, kStartup, *instance);
  connect.IDTExtensibility2_OnConnection(*application, 0, *instance);
  EXPECT_EQ(Tagged().size(), 1U);
  EXPECT_EQ(state_.connections(), 1U) << "the first connection ended";
}

TEST_F(AddInTest, DisconnectionDeletesTheButtonWhateverTheMode) {
  for (const std::int32_t mode : {0, 1, 2, 3, -7}) {
    Connect connect(*this);
    const auto application = host_.NewApplicationObject();
    const auto instance = host_.NewAddInInstance(u"Sorvane.Connect");
    connect.IDTExtensibility2_OnConnection(*application, kStartup, *instance);
    connect.IDTExtensibility2_OnDisconnection(mode);
    EXPECT_TRUE(Tagged().empty()) << mode;
    EXPECT_EQ(connect.fpApp(), HostApp()) << "fpApp holds HostApp";
    EXPECT_NE(connect.button(), nullptr) << "the deleted button is still held";
  }
}

TEST_F(AddInTest, DisconnectionWithoutTheCaptionReturnsTheHostsStatus) {
  Connect connect(*this);
  const auto application = host_.NewApplicationObject();
  const auto instance = host_.NewAddInInstance(u"Sorvane.Connect");
  connect.IDTExtensibility2_OnConnection(*application, kStartup, *instance);
  Tagged()[0]->caption = u"Renamed by the user";
  EXPECT_EQ(FailureOf([&] { connect.IDTExtensibility2_OnDisconnection(0); }), kEInvalidArg);
  EXPECT_EQ(connect.fpApp(), HostApp());
  EXPECT_EQ(Tagged().size(), 1U) << "the renamed button stays";
}

TEST_F(AddInTest, ClicksShowTheDialogWhileTheButtonIsHeld) {
  Connect connect(*this);
  {
    const auto application = host_.NewApplicationObject();
    const auto instance = host_.NewAddInInstance(u"Sorvane.Connect");
    connect.IDTExtensibility2_OnConnection(*application, kStartup, *instance);
  }
  const ControlPtr button = Tagged().at(0);
  model_.Execute(button);
  model_.Execute(button);
  EXPECT_EQ(shown_, 2);

  show_failure_ = HResultFromBits(0x80070008U);
  model_.Execute(button);
  EXPECT_EQ(reported_, std::vector<HResult>{HResultFromBits(0x80070008U)})
      << "reported, not raised";

  connect.AddInInstance_OnDisconnection();
  EXPECT_EQ(connect.button(), nullptr);
  EXPECT_EQ(state_.connections(), 0U);
  model_.Execute(button);
  EXPECT_EQ(shown_, 3) << "no click after the button reference went";
}

TEST_F(AddInTest, NothingIsHeldOnceEverythingIsReleased) {
  {
    Connect connect(*this);
    const auto application = host_.NewApplicationObject();
    const auto instance = host_.NewAddInInstance(u"Sorvane.Connect");
    connect.IDTExtensibility2_OnConnection(*application, kStartup, *instance);
    connect.IDTExtensibility2_OnDisconnection(0);
    connect.AddInInstance_OnDisconnection();
  }
  EXPECT_EQ(state_.held(), 2) << "HostApp and gFPApp, until the module unloads";
  ReleaseModule();
  EXPECT_EQ(state_.held(), 0);
}

}  // namespace
}  // namespace sorvane
