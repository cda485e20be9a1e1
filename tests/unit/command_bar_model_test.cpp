#include "model/command_bar_model.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "common/hresult.h"

namespace sorvane::standin {
namespace {

class ModelTest : public testing::Test {
 protected:
  ModelTest()
      : model_([this](int n) -> std::optional<std::u16string> {
          const auto found = recent_.find(n);
          return found == recent_.end() ? std::nullopt : std::optional(found->second);
        }) {}
  const ControlList& file() const { return *model_.file_bar().list; }
  static void ExpectFailure(HResult expected, const std::function<void()>& call) {
    try {
      call();
      ADD_FAILURE() << "no failure";
    } catch (const HResultError& error) {
      EXPECT_EQ(error.code(), expected);
    }
  }

  std::map<int, std::u16string> recent_;
  Model model_;
};

TEST_F(ModelTest, FileBarHasTheHostsItems) {
  EXPECT_EQ(Model::Item(file(), u"Open &Web...")->type, kControlButton);
  EXPECT_EQ(Model::Item(file(), u"Recent W&ebs")->type, kControlPopup);
  EXPECT_EQ(Model::Index(*Model::Item(file(), u"Open &Web...")), 4);
}

TEST_F(ModelTest, ItemMatchesCaptionsExactly) {
  for (const char16_t* near_miss : {u"Open Web...", u"open &web...", u"Open &Web", u""}) {
    ExpectFailure(kEInvalidArg, [&] { Model::Item(file(), near_miss); });
  }
  EXPECT_EQ(Model::Item(file(), 1)->caption, u"&New");
  ExpectFailure(kEInvalidArg, [&] { Model::Item(file(), 0); });
  ExpectFailure(kEInvalidArg, [&] {
    Model::Item(file(), static_cast<std::int32_t>(file().controls.size()) + 1);
  });
}

TEST_F(ModelTest, AddPlacesBeforeAPositionOrAtTheEnd) {
  const auto list = model_.file_bar().list;
  const auto count = static_cast<std::int32_t>(list->controls.size());
  struct Case {
    std::optional<std::int32_t> before;
    std::int32_t index;
  };
  for (const Case c : {Case{5, 5}, Case{1, 1}, Case{std::nullopt, count + 1}, Case{0, count + 1},
                       Case{count + 7, count + 1}, Case{-3, count + 1}}) {
    const ControlPtr added = Model::Add(list, kControlButton, u"Sorvane", c.before);
    EXPECT_EQ(Model::Index(*added), c.index);
    EXPECT_EQ(added->parameter, u"Sorvane");
    Model::Delete(*added);
  }
  EXPECT_EQ(static_cast<std::int32_t>(list->controls.size()), count);
}

TEST_F(ModelTest, DeletedControlCannotBeUsed) {
  const ControlPtr added = Model::Add(model_.file_bar().list, kControlButton, u"", std::nullopt);
  Model::Delete(*added);
  ExpectFailure(kEFail, [&] { Model::Index(*added); });
  ExpectFailure(kEFail, [&] { Model::Delete(*added); });
  ExpectFailure(kEFail, [&] { model_.Execute(added); });
}

// FindControl as Office documents it: Visible and Recursive default to False,
// so hidden controls are found and submenus are not searched; the first match
// in menu order wins; no match is nothing.
TEST_F(ModelTest, FindControlFollowsItsCriteria) {
  const auto list = model_.file_bar().list;
  const ControlPtr nested =
      Model::Add(Model::Item(*list, u"&New")->submenu, kControlButton, u"", std::nullopt);
  const ControlPtr hidden = Model::Add(list, kControlButton, u"", 3);
  const ControlPtr shown = Model::Add(list, kControlButton, u"", 9);
  nested->tag = hidden->tag = shown->tag = u"Sorvane";
  hidden->visible = false;
  struct Case {
    const char* name;
    FindCriteria criteria;
    ControlPtr found;
  };
  const auto tag = [](std::u16string text, bool visible_only = false, bool recursive = false) {
    FindCriteria criteria;
    criteria.tag = std::move(text);
    criteria.visible_only = visible_only;
    criteria.recursive = recursive;
    return criteria;
  };
  FindCriteria popups;
  popups.type = kControlPopup;
  FindCriteria open_web;
  open_web.id = 3155;
  for (const Case& c : {Case{"hidden ones too", tag(u"Sorvane"), hidden},
                        Case{"visible only", tag(u"Sorvane", true), shown},
                        Case{"submenus first in menu order", tag(u"Sorvane", false, true), nested},
                        Case{"tags match exactly", tag(u"sorvane"), nullptr},
                        Case{"by type", popups, Model::Item(*list, u"&New")},
                        Case{"by id", open_web, Model::Item(*list, u"Open &Web...")}}) {
    EXPECT_EQ(Model::FindControl(*list, c.criteria), c.found) << c.name;
  }
}

TEST_F(ModelTest, LooseMatchIgnoresAccessKeysAndCase) {
  struct Case {
    std::u16string_view caption, wanted;
    bool exact, loose;
  };
  for (const Case& c :
       {Case{u"Open &Web...", u"Open &Web...", true, true},
        Case{u"Open &Web...", u"Open Web...", false, true},
        Case{u"Open &Web...", u"open web...", false, true},
        Case{u"Open &Web...", u"&&Open Web...", false, true},
        Case{u"Open &Web...", u"Open Web", false, false},
        Case{u"Recent W&ebs", u"Recent &Files", false, false}, Case{u"", u"&", false, true}}) {
    EXPECT_EQ(CaptionMatches(c.caption, c.wanted, CaptionMatch::kExact), c.exact)
        << std::string(c.wanted.begin(), c.wanted.end());
    EXPECT_EQ(CaptionMatches(c.caption, c.wanted, CaptionMatch::kLoose), c.loose)
        << std::string(c.wanted.begin(), c.wanted.end());
  }
  EXPECT_EQ(Model::Item(file(), u"open web...", CaptionMatch::kLoose)->caption, u"Open &Web...");
}

TEST_F(ModelTest, BeforeOutOfRangeFailsWhenThePolicySaysSo) {
  const auto list = model_.file_bar().list;
  const auto count = static_cast<std::int32_t>(list->controls.size());
  for (const std::int32_t before : {0, -1, count + 2}) {
    ExpectFailure(HResultFromBits(0x8002000BU),
                  [&] { Model::Add(list, kControlButton, u"", before, BeforeOutOfRange::kFail); });
  }
  EXPECT_EQ(static_cast<std::int32_t>(list->controls.size()), count) << "nothing added";
  const ControlPtr last = Model::Add(list, kControlButton, u"", count + 1, BeforeOutOfRange::kFail);
  EXPECT_EQ(Model::Index(*last), count + 1);
}

TEST_F(ModelTest, RecentWebsComeFromTheRegistryAndOpenWhatItSaysNow) {
  const ControlPtr popup = Model::Item(file(), u"Recent W&ebs");
  EXPECT_TRUE(model_.Submenu(*popup).controls.empty());
  recent_[1] = u"http://a,,/one,fpuser,-1,one";
  recent_[2] = u"http://b,,/,fpuser,-1,<Root Web>";
  const ControlList& submenu = model_.Submenu(*popup);
  ASSERT_EQ(submenu.controls.size(), 2U);
  EXPECT_EQ(submenu.controls[0]->caption, u"&1 http://a/one");
  recent_[1] = u"http://c,,/x,y,fpuser,-1,x,y";  // written after the menu was built
  model_.Execute(submenu.controls[0]);
  model_.Execute(submenu.controls[1]);
  ASSERT_EQ(model_.opened().size(), 2U);
  EXPECT_EQ(model_.opened()[0].server, u"http://c");
  EXPECT_EQ(model_.opened()[0].web, u"x,y");
  EXPECT_EQ(model_.opened()[1].server, u"http://b");
  EXPECT_EQ(model_.opened()[1].web, u"");
}

TEST_F(ModelTest, AddInActionsGoToTheRouterOthersAreRecorded) {
  std::u16string routed;
  model_.set_add_in_router(
      [&](const ControlPtr&, std::u16string_view prog_id) { routed = prog_id; });
  const ControlPtr button = Model::Add(model_.file_bar().list, kControlButton, u"", std::nullopt);
  button->caption = u"Kelvra Sorvane...";
  button->on_action = u"!<Sorvane.Connect>";
  model_.Execute(button);
  EXPECT_EQ(routed, u"Sorvane.Connect");
  button->on_action = u"Macro1";
  model_.Execute(button);
  model_.Execute(Model::Item(file(), u"Open &Web..."));
  EXPECT_EQ(model_.executed(),
            (std::vector<std::u16string>{u"Kelvra Sorvane...", u"Open &Web..."}));
}

TEST(ParseRecentWebEntry, SixFieldsWithCommasInside) {
  struct Case {
    std::u16string entry, server, web;
  };
  for (const Case& c :
       {Case{u"http://s,,/w,fpuser,-1,w", u"http://s", u"w"},
        Case{u"http://s,,/,fpuser,-1,<Root Web>", u"http://s", u""},
        Case{u"http://my server,x,,/a,b/c,fpuser,-1,a,b/c", u"http://my server,x", u"a,b/c"},
        Case{u",,/,fpuser,-1,<Root Web>", u"", u""}, Case{u"garbage", u"garbage", u""}}) {
    const OpenedWeb web = ParseRecentWebEntry(c.entry);
    EXPECT_EQ(web.server, c.server);
    EXPECT_EQ(web.web, c.web);
  }
}

}  // namespace
}  // namespace sorvane::standin
