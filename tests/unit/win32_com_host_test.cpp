#include "host/com/win32_com_host.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "com/win32_host_face.h"
#include "model/host_state.h"
#include "support/failure_of.h"

namespace sorvane::host::com {
namespace {

// The product's binding of the host interfaces against the stand-in host's
// COM face, in one process.
class ComHostTest : public testing::Test, private ClickHandler {
 protected:
  ComHostTest() : state_([](int) { return std::nullopt; }) {}
  void TearDown() override { EXPECT_EQ(state_.held(), 0) << "host objects left held"; }

  std::unique_ptr<Controls> FileControls() {
    return WrapApplication(face_.NewApplication().Get())
        ->GetCommandBars()
        ->Item(u"File")
        ->GetControls();
  }
  void OnClick() override { ++clicks_; }

  standin::HostState state_;
  standin::com::HostFace face_{state_};
  ClickHandler& handler() { return *this; }
  int clicks_ = 0;
};

using testing_support::FailureOf;

TEST_F(ComHostTest, AnObjectThatIsNoApplicationIsATypeMismatch) {
  const ComPtr<IDispatch> instance = face_.NewAddInInstance(u"Sorvane.Connect");
  EXPECT_EQ(FailureOf([&] { WrapApplication(instance.Get()); }), kDispETypeMismatch);
  EXPECT_EQ(FailureOf([&] { WrapObject(nullptr); }), kDispETypeMismatch);
  EXPECT_EQ(WrapObject(instance.Get())->TextProperty(u"ProgId"), u"Sorvane.Connect");
}

TEST_F(ComHostTest, ForEachVisitsEveryControlOnceInOrderAndStopsAtAFailure) {
  std::vector<std::u16string> captions;
  FileControls()->ForEach([&](Control& control) { captions.push_back(control.Caption()); });
  ASSERT_EQ(captions.size(), state_.model().file_bar().list->controls.size());
  EXPECT_EQ(captions.front(), u"&New");
  EXPECT_EQ(captions.back(), u"E&xit");

  state_.faults().Arm("IEnumVARIANT.Next", 3, kEFail);
  int visited = 0;
  EXPECT_EQ(FailureOf([&] { FileControls()->ForEach([&](Control&) { ++visited; }); }), kEFail);
  EXPECT_EQ(visited, 2) << "the enumeration's failure ends the walk";
}

TEST_F(ComHostTest, FindControlThatFindsNothingIsNull) {
  const auto bar = WrapApplication(face_.NewApplication().Get())->GetCommandBars()->Item(u"File");
  EXPECT_EQ(bar->FindControl(u"Sorvane"), nullptr);
  state_.model().file_bar().list->controls[3]->tag = u"Sorvane";
  const auto found = bar->FindControl(u"Sorvane");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->Caption(), u"Open &Web...");
  EXPECT_EQ(FailureOf([&] { FileControls()->Item(u"No such caption"); }), kEInvalidArg);
}

TEST_F(ComHostTest, AClickConnectionEndsWithItsObject) {
  auto button = FileControls()->Item(u"Open &Web...")->AsButton();
  const standin::ControlPtr control =
      standin::Model::Item(*state_.model().file_bar().list, u"Open &Web...");
  auto connection = button->ConnectClick(handler());
  EXPECT_EQ(state_.connections(), 1U);
  EXPECT_EQ(face_.RaiseClick(control), 1);
  EXPECT_EQ(clicks_, 1);
  connection.reset();
  EXPECT_EQ(state_.connections(), 0U) << "unadvised";
  EXPECT_EQ(face_.RaiseClick(control), 0);
  EXPECT_EQ(clicks_, 1);

  // A host that refuses to let go: the sink stays with the host but no
  // longer reaches the handler, and nothing is thrown at the caller.
  connection = button->ConnectClick(handler());
  state_.faults().Arm("IConnectionPoint.Unadvise", 1, HResultFromBits(0x80041234U));
  EXPECT_NO_THROW(connection.reset());
  ASSERT_EQ(state_.connections(), 1U);
  EXPECT_EQ(face_.RaiseClick(control), 1) << "the host still calls the sink";
  EXPECT_EQ(clicks_, 1) << "which no longer passes it on";
  state_.DropConnections();
}

TEST_F(ComHostTest, APopupIsNoButton) {
  const auto popup = FileControls()->Item(u"Recent W&ebs");
  EXPECT_EQ(FailureOf([&] { popup->AsButton(); }), kDispETypeMismatch);
  EXPECT_EQ(FailureOf([&] { popup->PopupControl(1); }), kEInvalidArg) << "no recent webs";
}

}  // namespace
}  // namespace sorvane::host::com
