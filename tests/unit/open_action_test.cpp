#include "dialog/open_action.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sorvane {
namespace {

// Records the dialog effects and the hand-off in one list, in order.
struct Journal {
  std::vector<std::string> events;
};

std::string Narrow(std::u16string_view text) {
  return {text.begin(), text.end()};
}

class FakeView final : public OpenDialogView {
 public:
  FakeView(Journal& journal, std::u16string text) : journal_(journal), text_(std::move(text)) {}
  std::u16string Text() const override { return text_; }
  void SetText(std::u16string_view text) override {
    journal_.events.push_back("text " + Narrow(text));
    text_ = text;
  }
  void SetMousePointer(std::int16_t pointer) override {
    journal_.events.push_back("pointer " + std::to_string(pointer));
  }
  void ReportOpenFailure(HResult failure) override {
    journal_.events.push_back("report " + std::to_string(failure));
  }
  const std::u16string& text() const { return text_; }

 private:
  Journal& journal_;
  std::u16string text_;
};

class FakeOpener final : public WebOpener {
 public:
  explicit FakeOpener(Journal& journal, HResult failure = kSOk)
      : journal_(journal), failure_(failure) {}
  void OpenWeb(const WebAddress& address) override {
    journal_.events.push_back("open " + Narrow(address.WebServer) + " | " +
                              Narrow(address.WebName));
    ThrowIfFailed(failure_);
  }

 private:
  Journal& journal_;
  HResult failure_;
};

struct ActionCase {
  const char* name;
  std::u16string typed;
  HResult opener_failure;
  std::vector<std::string> events;
  std::u16string text_afterwards;
};
void PrintTo(const ActionCase& c, std::ostream* os) {
  *os << c.name;
}

class OpenAction : public testing::TestWithParam<ActionCase> {};

TEST_P(OpenAction, EffectsInOrder) {
  const ActionCase& c = GetParam();
  Journal journal;
  FakeView view(journal, c.typed);
  FakeOpener opener(journal, c.opener_failure);
  cmdOpen_Click(view, opener);
  EXPECT_EQ(journal.events, c.events);
  EXPECT_EQ(view.text(), c.text_afterwards);
}

const std::string kOverflow = std::to_string(kDispEOverflow);
const std::string kTypeMismatch = std::to_string(kDispETypeMismatch);

INSTANTIATE_TEST_SUITE_P(
    Cases, OpenAction,
    testing::Values(ActionCase{"PrefixWrittenBackBeforeHourglass",
                               u"myserver/sales",
                               kSOk,
                               {"text http://myserver/sales", "pointer 11",
                                "open http://myserver | sales"},
                               u"http://myserver/sales"},
                    ActionCase{"PrefixedTextNotRewritten",
                               u"HTTP://MyServer/Sales/Sub",
                               kSOk,
                               {"pointer 11", "open HTTP://MyServer | Sales/Sub"},
                               u"HTTP://MyServer/Sales/Sub"},
                    ActionCase{"DiskPathHandsOnEmptyParts",
                               u"c:\\webs\\site",
                               kSOk,
                               {"pointer 11", "open  | "},
                               u"c:\\webs\\site"},
                    // A failed hand-off: default pointer back, text kept, the failure reported.
                    ActionCase{"HandOffFailureIsReported",
                               u"myserver",
                               kDispETypeMismatch,
                               {"text http://myserver", "pointer 11", "open http://myserver | ",
                                "pointer 0", "report " + kTypeMismatch},
                               u"http://myserver"}),
    [](const testing::TestParamInfo<ActionCase>& info) { return std::string(info.param.name); });

TEST(OpenAction, OverflowStopsBeforeTheHandOff) {
  Journal journal;
  std::u16string typed(32761, u'h');
  typed += u"/web";
  FakeView view(journal, typed);
  FakeOpener opener(journal);
  cmdOpen_Click(view, opener);
  ASSERT_EQ(journal.events.size(), 4U);
  EXPECT_EQ(journal.events[1], "pointer 11");
  EXPECT_EQ(journal.events[2], "pointer 0");
  EXPECT_EQ(journal.events[3], "report " + kOverflow);
  EXPECT_EQ(view.text(), u"http://" + typed);
}

TEST(OpenAction, FailureMessageNamesTheFailure) {
  EXPECT_EQ(OpenFailureMessage(u"Overflow"), u"The web could not be opened.\n\nOverflow");
  EXPECT_EQ(OpenFailureMessage(u""), u"The web could not be opened.");
}

}  // namespace
}  // namespace sorvane
