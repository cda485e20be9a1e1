#include "dialog/open_action.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "dialog/recent_web.h"
#include "fake_registry.h"
#include "model/command_bar_model.h"
#include "support/model_host.h"

namespace sorvane {
namespace {

using standin::Model;

std::string Narrow(std::u16string_view text) {
  return {text.begin(), text.end()};
}

// The dialog, the registry and the host all write into one journal, so that a
// test sees the order of every effect.
struct Journal {
  std::vector<std::string> events;
  void Add(std::string event) { events.push_back(std::move(event)); }
};

class FakeView final : public OpenDialogView {
 public:
  FakeView(Journal& journal, std::u16string text) : journal_(journal), text_(std::move(text)) {}
  std::u16string Text() const override { return text_; }
  void SetText(std::u16string_view text) override {
    journal_.Add("text " + Narrow(text));
    text_ = text;
  }
  void SetMousePointer(std::int16_t pointer) override {
    journal_.Add("pointer " + std::to_string(pointer));
    pointer_ = pointer;
  }
  void ReportOpenFailure(HResult failure, std::u16string_view reason) override {
    std::string event = "report " + std::to_string(failure);
    if (!reason.empty()) {
      event.push_back(' ');
      event.append(Narrow(reason));
    }
    journal_.Add(std::move(event));
  }
  const std::u16string& text() const { return text_; }
  std::int16_t pointer() const { return pointer_; }

 private:
  Journal& journal_;
  std::u16string text_;
  std::int16_t pointer_ = kDefaultPointer;
};

// The stand-in's command bars reading their recent webs from the fake registry.
class OpenActionTest : public testing::Test, public OpenServices {
 protected:
  OpenActionTest()
      : state_([this](int n) {
          // The host's own reads are not the add-in's: keep them out of the journal.
          const auto journal = std::exchange(registry_.journal, nullptr);
          auto value = GetRegString(registry_, kHkeyCurrentUser, kRecentWebListKey,
                                    u"Web" + std::u16string(1, static_cast<char16_t>(u'0' + n)));
          registry_.journal = journal;
          return value;
        }) {}

  std::shared_ptr<host::Application> HostApp() override {
    journal_.Add("HostApp");
    if (host_app_failure_ != kSOk) {
      throw HResultError(host_app_failure_);
    }
    if (host_app_ == nullptr) {
      host_app_ = host_.NewApplication();
    }
    return host_app_;
  }
  RegistryApi& Registry() override { return registry_; }

  // Runs "&Open" on `typed` with the journal listening.
  FakeView Open(std::u16string typed) {
    FakeView view(journal_, std::move(typed));
    registry_.journal = [this](std::string line) {
      if (line.starts_with("RegSetValueExA") || line.ends_with("(data)")) {
        journal_.Add(std::move(line));
      }
    };
    state_.faults().set_observer([this](std::string_view op) {
      journal_.Add(std::string(op));
      if (op == "CommandBarControl.Execute") {
        held_at_execute_ = state_.held();
      }
    });
    outcome_ = cmdOpen_Click(view, *this);
    registry_.journal = nullptr;
    state_.faults().set_observer(nullptr);
    return view;
  }
  std::string Value(const char* path, const char* name) {
    const auto* value = registry_.Find(path, name);
    return value == nullptr ? "(absent)" : value->bytes;
  }
  static constexpr const char* kWeb1Path =
      "Software\\Microsoft\\FrontPage\\Explorer\\FrontPage Explorer\\Recent Web List";
  static constexpr const char* kMruPath =
      "Software\\Microsoft\\Office\\9.0\\Common\\Open Find\\Microsoft FrontPage\\Settings\\Open "
      "Web\\File Name MRU";

  FakeRegistry registry_;
  standin::HostState state_;
  Model& model_ = state_.model();
  testing_support::ModelHost host_{state_};
  Journal journal_;
  std::shared_ptr<host::Application> host_app_;
  HResult host_app_failure_ = kSOk;
  int held_at_execute_ = -1;
  OpenOutcome outcome_;
};

TEST_F(OpenActionTest, EveryStepInOrder) {
  const FakeView view = Open(u"myserver/sales");
  const std::vector<std::string> expected{
      "HostApp",
      "text http://myserver/sales",
      "pointer 11",
      "RegSetValueExA Web1 = http://myserver,,/sales,fpuser,-1,sales",
      "RegSetValueExA Value = http://myserver/sales ",
      "Application.CommandBars",
      "CommandBars.Item",
      "CommandBar.Controls",
      "CommandBarControls.Item",
      "CommandBarPopup.Controls",
      "CommandBarControl.Execute",
  };
  EXPECT_EQ(journal_.events, expected);
  EXPECT_EQ(outcome_.kind, OpenOutcome::Kind::kOpened) << "the dialog is the caller's to close";
  ASSERT_EQ(model_.opened().size(), 1U);
  EXPECT_EQ(model_.opened()[0].server, u"http://myserver");
  EXPECT_EQ(model_.opened()[0].web, u"sales");
  EXPECT_EQ(state_.held(), 1) << "only HostApp is held after the Open";
  EXPECT_EQ(held_at_execute_, 2) << "only HostApp and the entry are held while it executes";
  host_app_.reset();
  EXPECT_EQ(state_.held(), 0);
}

TEST_F(OpenActionTest, SecondOpenPutsTheNewAddressFirst) {
  Open(u"myserver/sales");
  Open(u"HTTP://MyServer/Sales/Sub");
  EXPECT_EQ(Value(kWeb1Path, "Web1"), "HTTP://MyServer,,/Sales/Sub,fpuser,-1,Sales/Sub");
  EXPECT_EQ(Value(kMruPath, "Value"), "HTTP://MyServer/Sales/Sub http://myserver/sales ");
  Open(u"HTTP://MyServer/Sales/Sub");
  EXPECT_EQ(Value(kMruPath, "Value"),
            "HTTP://MyServer/Sales/Sub HTTP://MyServer/Sales/Sub http://myserver/sales ")
      << "duplicates are kept";
}

TEST_F(OpenActionTest, PreviousValueThatIsNoStringCountsAsEmpty) {
  registry_.keys[FakeRegistry::Lower(kMruPath)]["Value"] = {4, std::string("\1\0\0\0", 4)};
  Open(u"myserver");
  EXPECT_EQ(Value(kMruPath, "Value"), "http://myserver/ ");
  EXPECT_EQ(Value(kWeb1Path, "Web1"), "http://myserver,,/,fpuser,-1,<Root Web>");
}

TEST_F(OpenActionTest, OtherRecentWebsAreNotTouched) {
  registry_.keys[FakeRegistry::Lower(kWeb1Path)]["Web2"] = {1, "http://old,,/w,fpuser,-1,w"};
  Open(u"myserver/sales");
  EXPECT_EQ(Value(kWeb1Path, "Web2"), "http://old,,/w,fpuser,-1,w");
}

struct FailureCase {
  const char* name;
  std::string failing_operation;  // a host operation, or "HostApp"
  HResult status;
  std::u16string host_text;  // what the host says of its failure, if anything
  bool text_rewritten;
  bool values_written;
};
void PrintTo(const FailureCase& c, std::ostream* os) {
  *os << c.name;
}

class OpenActionFailure : public OpenActionTest, public testing::WithParamInterface<FailureCase> {};

// A failure at any step ends the action there: what was done stays done, the
// pointer goes back to the default, the dialog stays and the user is told.
TEST_P(OpenActionFailure, LeavesWhatWasDoneAndReports) {
  const FailureCase& c = GetParam();
  if (c.failing_operation == "HostApp") {
    host_app_failure_ = c.status;
  } else {
    state_.faults().Arm(c.failing_operation, 1, c.status, c.host_text);
  }
  const FakeView view = Open(u"myserver/sales");
  EXPECT_EQ(outcome_.kind, OpenOutcome::Kind::kFailed);
  EXPECT_EQ(view.text(), c.text_rewritten ? u"http://myserver/sales" : u"myserver/sales");
  EXPECT_EQ(view.pointer(), kDefaultPointer);
  EXPECT_EQ(journal_.events.back(), "report " + std::to_string(c.status) +
                                        (c.host_text.empty() ? "" : " " + Narrow(c.host_text)))
      << "the host's own text where it gave one";
  EXPECT_EQ(journal_.events.end()[-2], "pointer 0");
  EXPECT_EQ(Value(kWeb1Path, "Web1"),
            c.values_written ? "http://myserver,,/sales,fpuser,-1,sales" : "(absent)");
  EXPECT_EQ(Value(kMruPath, "Value"), c.values_written ? "http://myserver/sales " : "(absent)");
  EXPECT_TRUE(model_.opened().empty());
  EXPECT_EQ(state_.held(), host_app_ == nullptr ? 0 : 1) << "nothing but HostApp held";
}

constexpr HResult kNotFound = kEInvalidArg;

INSTANTIATE_TEST_SUITE_P(
    Steps, OpenActionFailure,
    testing::Values(
        FailureCase{"HostAppCannotBeCreated", "HostApp", HResultFromBits(0x80040154U), u"", false,
                    false},
        FailureCase{"CommandBars", "Application.CommandBars", kEFail, u"", true, true},
        FailureCase{"NoFileBar", "CommandBars.Item", kNotFound, u"", true, true},
        FailureCase{"BarControls", "CommandBar.Controls", kEFail, u"", true, true},
        FailureCase{"NoRecentWebs", "CommandBarControls.Item", kNotFound, u"", true, true},
        FailureCase{"PopupControls", "CommandBarPopup.Controls", kEFail, u"", true, true},
        FailureCase{"FirstEntryNoControl", "CommandBarPopup.Controls", kDispETypeMismatch, u"",
                    true, true},
        FailureCase{"ExecuteFails", "CommandBarControl.Execute", kEFail, u"", true, true},
        FailureCase{"ExecuteFailsWithTheHostsText", "CommandBarControl.Execute", kEFail,
                    u"The server myserver could not be reached.", true, true}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST_F(OpenActionTest, OverflowWritesNothing) {
  std::u16string typed(32761, u'h');
  typed += u"/web";
  const FakeView view = Open(typed);
  EXPECT_EQ(view.text(), u"http://" + typed);
  EXPECT_EQ(journal_.events.back(), "report " + std::to_string(kDispEOverflow));
  EXPECT_EQ(registry_.sets, 0);
  EXPECT_TRUE(model_.opened().empty());
}

// "Web1" alone decides which web the host opens: unwritten, nothing is
// executed (the host would open the entry it held before) and the user is told.
// "Value" unwritten, or unread, does not stop the Open; an unread one is left
// as it was rather than replaced by the new address alone.
TEST_F(OpenActionTest, TheEarlierListsSurviveWhatCannotBeWrittenOrRead) {
  struct Case {
    const char* name;
    std::set<std::string> failing;
    bool opened;
    const char* web1_after;
    const char* value_after;
  };
  const char* const kOldWeb1 = "http://old,,/w,fpuser,-1,w";
  const char* const kNewWeb1 = "http://myserver,,/sales,fpuser,-1,sales";
  for (const Case& c : {
           Case{"Web1 unwritable", {"Web1"}, false, kOldWeb1, "http://old/w "},
           Case{"Value unwritable", {"Value"}, true, kNewWeb1, "http://old/w "},
           Case{"nothing writable", {"Web1", "Value"}, false, kOldWeb1, "http://old/w "},
       }) {
    SCOPED_TRACE(c.name);
    registry_.keys[FakeRegistry::Lower(kWeb1Path)]["Web1"] = {kRegSz, kOldWeb1};
    registry_.keys[FakeRegistry::Lower(kMruPath)]["Value"] = {kRegSz, "http://old/w "};
    registry_.failing_sets = c.failing;
    journal_.events.clear();
    const std::size_t opened = model_.opened().size();
    const FakeView view = Open(u"myserver/sales");
    registry_.failing_sets.clear();
    EXPECT_EQ(Value(kWeb1Path, "Web1"), c.web1_after);
    EXPECT_EQ(Value(kMruPath, "Value"), c.value_after);
    EXPECT_EQ(model_.opened().size(), opened + (c.opened ? 1 : 0));
    if (!c.opened) {
      EXPECT_EQ(outcome_.kind, OpenOutcome::Kind::kRefused);
      EXPECT_EQ(view.pointer(), kDefaultPointer);
      EXPECT_EQ(view.text(), u"http://myserver/sales") << "the dialog keeps its text";
      EXPECT_EQ(journal_.events.back(), "report " +
                                            std::to_string(HResultFromWin32(kAccessDenied)) + " " +
                                            Narrow(kRecentWebsNotWrittenReason));
      EXPECT_EQ(
          std::count(journal_.events.begin(), journal_.events.end(), "Application.CommandBars"), 0)
          << "nothing executed";
    }
  }
}

TEST_F(OpenActionTest, AnEarlierValueThatCannotBeReadIsLeftAsItWas) {
  registry_.keys[FakeRegistry::Lower(kMruPath)]["Value"] = {kRegSz, "http://a/1 http://b/2 "};
  // Another writer makes the value longer between the size and the data query,
  // every time it is asked: the read gives up, and the list stays whole.
  std::function<void()> grow = [&] {
    registry_.keys[FakeRegistry::Lower(kMruPath)]["Value"].bytes += "http://c/3 ";
    registry_.between_queries = grow;
  };
  registry_.between_queries = grow;
  Open(u"myserver/sales");
  registry_.between_queries = nullptr;
  EXPECT_EQ(Value(kWeb1Path, "Web1"), "http://myserver,,/sales,fpuser,-1,sales");
  EXPECT_TRUE(Value(kMruPath, "Value").starts_with("http://a/1 http://b/2 http://c/3 "));
  ASSERT_EQ(model_.opened().size(), 1U) << "the Open goes on with Web1";
}

// An address with a character the code page cannot store is refused before
// anything is written or executed, and the user is told which character
// (the fakes' code page is Latin-1: what lies beyond it comes back as "?").
TEST_F(OpenActionTest, AnAddressTheCodePageCannotStoreIsRefused) {
  struct Case {
    std::u16string typed;
    std::u16string refused;  // empty: stored
  };
  for (const Case& c : {Case{u"srv/\u03A9mega", u"\u03A9"}, Case{u"s\u00E9rv/v\u00EBntes", u""},
                        Case{u"srv/a\U0001F600", u"\U0001F600"} /* a surrogate pair whole */,
                        Case{u"\u0441\u0435/x", u"\u0441"} /* the first of several */}) {
    journal_.events.clear();
    registry_.sets = 0;
    const std::size_t opened = model_.opened().size();
    const FakeView view = Open(c.typed);
    if (c.refused.empty()) {
      EXPECT_EQ(registry_.sets, 2) << Narrow(c.typed);
      continue;
    }
    EXPECT_EQ(registry_.sets, 0) << "nothing written";
    EXPECT_EQ(model_.opened().size(), opened) << "nothing executed";
    EXPECT_EQ(view.pointer(), kDefaultPointer);
    EXPECT_EQ(view.text(), u"http://" + c.typed) << "the dialog keeps its text";
    EXPECT_EQ(journal_.events.back(), "report " + std::to_string(kNoUnicodeTranslation) + " " +
                                          Narrow(UnstorableReason(c.refused)));
  }
  EXPECT_EQ(UnstorableReason(u"\u03A9"),
            u"The address contains a character that this system's code page cannot store: "
            u"\u03A9");
}

TEST(OpenFailureMessage, NamesTheFailure) {
  EXPECT_EQ(OpenFailureMessage(u"Out of present range."),
            u"The web could not be opened.\n\nOut of present range.");
  EXPECT_EQ(OpenFailureMessage(u""), u"The web could not be opened.");
}

}  // namespace
}  // namespace sorvane
