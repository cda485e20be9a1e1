#include "common/trace.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sorvane {
namespace {

std::vector<std::u16string>& Lines() {
  static std::vector<std::u16string> lines;
  return lines;
}
void Record(const char16_t* line) noexcept {
  Lines().emplace_back(line);
}

class Trace : public testing::Test {
 protected:
  void SetUp() override {
    Lines().clear();
    SetTraceSink(&Record);
  }
  void TearDown() override { SetTraceSink(nullptr); }
};

struct FailureLine {
  std::u16string_view what;
  HResult status;
  std::u16string text;
  std::u16string line;
};

// One line each: the status in eight digits, the text after it as one line
// (line breaks as spaces), the line cut at 512 units.
TEST_F(Trace, WritesOneLinePerFailure) {
  const FailureLine cases[] = {
      {u"FindControl", HResultFromBits(0x80041234U), u"",
       u"Sorvane: Open: FindControl failed 0x80041234"},
      {u"Execute", HResultFromBits(0x800A01A8U), u"Server \u00BBa\u00AB\r\nnot found.\t",
       u"Sorvane: Open: Execute failed 0x800A01A8 Server \u00BBa\u00AB  not found. "},
      {u"", kEOutOfMemory, u"", u"Sorvane: Open: a call failed 0x8007000E"},
      {u"Next", 1, u"", u"Sorvane: Open: Next failed 0x00000001"},
      {u"Item", kEFail, std::u16string(600, u'x'),
       u"Sorvane: Open: Item failed 0x80004005 " + std::u16string(512 - 38, u'x')},
  };
  for (const FailureLine& c : cases) {
    Lines().clear();
    TraceFailure(u"Open", c.what, c.status, c.text);
    EXPECT_EQ(Lines(), std::vector<std::u16string>{c.line});
  }
}

// A boundary traces what the exception carried: its name, status and text.
TEST_F(Trace, TracesTheFailureBeingHandled) {
  try {
    throw HResultError(kDispEOverflow, u"too big", u"Index");
  } catch (...) {
    EXPECT_EQ(TraceCaught(u"OnConnection"), kDispEOverflow);
  }
  try {
    throw 42;
  } catch (...) {
    EXPECT_EQ(TraceCaught(u"Click"), kEUnexpected);
  }
  TraceEvent(u"module loaded");
  EXPECT_EQ(Lines(), (std::vector<std::u16string>{
                         u"Sorvane: OnConnection: Index failed 0x8002000A too big",
                         u"Sorvane: Click: a call failed 0x8000FFFF", u"Sorvane: module loaded"}));
}

TEST_F(Trace, WritesNothingWithoutASink) {
  SetTraceSink(nullptr);
  TraceFailure(u"Open", u"Execute", kEFail, u"text");
  TraceEvent(u"module loaded");
  EXPECT_TRUE(Lines().empty());
}

}  // namespace
}  // namespace sorvane
