#include "model/host_state.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace sorvane::standin {
namespace {

// Counts its clicks; may end its own connection while called, as a sink
// whose add-in drops the button in its Click can.
class Sink final : public ClickSink {
 public:
  bool Click(const ControlPtr& /*button*/, bool& cancel_default) override {
    ++clicks;
    cancel_default = set_cancel_default.value_or(cancel_default);
    if (on_click) {
      on_click();
    }
    return true;
  }
  int clicks = 0;
  std::optional<bool> set_cancel_default;
  std::function<void()> on_click;
};

class HostStateTest : public testing::Test {
 protected:
  HostState state_{[](int) { return std::nullopt; }};
  ControlPtr button_ =
      Model::Add(state_.model().file_bar().list, kControlButton, u"", std::nullopt);
};

TEST_F(HostStateTest, ClickReachesEverySinkOnlyWhileTheButtonIsHeld) {
  const auto first = std::make_shared<Sink>();
  const auto second = std::make_shared<Sink>();
  state_.Advise(button_.get(), first);
  state_.Advise(button_.get(), second);
  bool cancel_default = false;
  EXPECT_EQ(state_.RaiseClick(button_, cancel_default), 0) << "nobody holds the button";
  state_.ControlObjectCreated(button_.get());
  state_.ControlObjectCreated(button_.get());
  state_.ControlObjectDestroyed(button_.get());
  EXPECT_EQ(state_.RaiseClick(button_, cancel_default), 2);
  EXPECT_EQ(first->clicks, 1);
  EXPECT_EQ(second->clicks, 1);
  state_.ControlObjectDestroyed(button_.get());
  EXPECT_EQ(state_.RaiseClick(button_, cancel_default), 0) << "released again";
}

TEST_F(HostStateTest, ASinkMayEndItsConnectionWhileItIsCalled) {
  const auto sink = std::make_shared<Sink>();
  const std::uint32_t cookie = state_.Advise(button_.get(), sink);
  sink->on_click = [&] { EXPECT_TRUE(state_.Unadvise(button_.get(), cookie)); };
  sink->set_cancel_default = true;
  state_.ControlObjectCreated(button_.get());
  bool cancel_default = false;
  EXPECT_EQ(state_.RaiseClick(button_, cancel_default), 1);
  EXPECT_TRUE(cancel_default) << "CancelDefault comes back as the sink left it";
  EXPECT_EQ(state_.connections(), 0U);
  EXPECT_FALSE(state_.Unadvise(button_.get(), cookie)) << "a cookie ends once";
  EXPECT_EQ(state_.RaiseClick(button_, cancel_default), 0);
  state_.ControlObjectDestroyed(button_.get());
}

TEST_F(HostStateTest, TheHostsWorkRunsWhenItOpensAWebOnlyUnderThePolicy) {
  int worked = 0;
  HostState with_web{[](int n) -> std::optional<std::u16string> {
    return n == 1 ? std::optional<std::u16string>(u"http://s,,/w,fpuser,-1,w") : std::nullopt;
  }};
  with_web.set_busy_work([&] { ++worked; });
  Model& model = with_web.model();
  const auto open_first = [&] {
    Control& popup = *Model::Item(*model.file_bar().list, u"Recent W&ebs");
    model.Execute(model.Submenu(popup).controls.at(0));
  };
  open_first();
  EXPECT_EQ(worked, 0);
  with_web.policies().execute_pumps = true;
  open_first();
  EXPECT_EQ(worked, 1);
  EXPECT_EQ(model.opened().size(), 2U);
}

}  // namespace
}  // namespace sorvane::standin
