#include "registry/mod_reg_api.h"

#include <gtest/gtest.h>

#include "fake_registry.h"
#include "support/stored_value_cases.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>

namespace sorvane {
namespace {

constexpr char16_t kPath[] = u"Software\\Sorvane\\Test";
constexpr char kAnsiPath[] = "Software\\Sorvane\\Test";

class RegStore : public testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(registry_.open_keys(), 0) << "a key was left open"; }
  void Store(std::uint32_t type, std::string bytes) {
    registry_.keys["software\\sorvane\\test"]["Value"] = {type, std::move(bytes)};
  }
  std::optional<std::u16string> Read() {
    return GetRegString(registry_, kHkeyCurrentUser, kPath, u"Value");
  }
  FakeRegistry registry_;
};

TEST_F(RegStore, WriteCreatesEveryMissingLevelAndStoresTextWithoutNul) {
  SaveRegString(registry_, kHkeyCurrentUser, u"Software\\A\\B\\C\\D", u"Name", u"http://x/ y");
  for (const char* level : {"software", "software\\a", "software\\a\\b", "software\\a\\b\\c"}) {
    EXPECT_TRUE(registry_.keys.contains(level)) << level;
  }
  const FakeRegistry::Value* value = registry_.Find("Software\\A\\B\\C\\D", "Name");
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->type, kRegSz);
  EXPECT_EQ(value->bytes, "http://x/ y");  // eleven bytes, no terminating NUL
}

TEST_F(RegStore, WriteReplacesDataAndType) {
  Store(4, std::string("\x01\x00\x00\x00", 4));
  SaveRegString(registry_, kHkeyCurrentUser, kPath, u"Value", u"");
  const FakeRegistry::Value* value = registry_.Find(kAnsiPath, "Value");
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->type, kRegSz);
  EXPECT_EQ(value->bytes, "");
  EXPECT_EQ(Read(), u"");
}

TEST_F(RegStore, WriteFailuresAreSilentAndCloseTheKey) {
  registry_.fail_set = true;
  SaveRegString(registry_, kHkeyCurrentUser, kPath, u"Value", u"x");
  EXPECT_TRUE(registry_.keys.contains("software\\sorvane\\test")) << "the key stays created";
  EXPECT_EQ(registry_.Find(kAnsiPath, "Value"), nullptr);
  registry_.fail_create = true;
  registry_.fail_set = false;
  registry_.sets = 0;
  SaveRegString(registry_, kHkeyCurrentUser, u"Software\\Other", u"Value", u"x");
  EXPECT_EQ(registry_.sets, 0) << "nothing is written without a key";
}

class RegStoreRead : public RegStore,
                     public testing::WithParamInterface<testing_support::StoredValueCase> {};

TEST_P(RegStoreRead, Result) {
  const testing_support::StoredValueCase& c = GetParam();
  registry_.keys["software\\sorvane\\test"];
  if (c.type) {
    Store(*c.type, c.bytes);
  }
  EXPECT_EQ(Read(), c.read);
}

INSTANTIATE_TEST_SUITE_P(Values, RegStoreRead,
                         testing::ValuesIn(testing_support::StoredValueCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RegStore, MissingKeyIsAbsent) {
  EXPECT_EQ(GetRegString(registry_, kHkeyCurrentUser, u"Software\\Nowhere", u"Value"),
            std::nullopt);
}

// Absent (nothing there) and failed (a string there that could not be read)
// are told apart; a value another writer makes longer between the two queries
// is read again, a few times at most.
TEST_F(RegStore, AReadThatFailsIsNotAbsent) {
  struct Case {
    const char* name;
    int growths;  // times the value grows between the queries
    bool data_query_fails;
    RegStringRead::Outcome outcome;
    std::int32_t status;
    std::u16string text;
  };
  using enum RegStringRead::Outcome;
  for (const Case& c : {Case{"grew once", 1, false, kFound, kErrorSuccess, u"short+"},
                        Case{"grew three times", 3, false, kFound, kErrorSuccess, u"short+++"},
                        Case{"grows on and on", 1000, false, kFailed, kMoreData, u""},
                        Case{"data query fails", 0, true, kFailed, kAccessDenied, u""}}) {
    SCOPED_TRACE(c.name);
    Store(kRegSz, "short");
    int growths = c.growths;
    std::function<void()> grow = [&] {
      registry_.keys["software\\sorvane\\test"]["Value"].bytes += "+";
      if (--growths > 0) {
        registry_.between_queries = grow;
      }
    };
    registry_.between_queries = growths > 0 ? grow : nullptr;
    registry_.fail_data_query = c.data_query_fails;
    const RegStringRead read = ReadRegString(registry_, kHkeyCurrentUser, kPath, u"Value");
    registry_.between_queries = nullptr;
    EXPECT_EQ(read.outcome, c.outcome);
    EXPECT_EQ(read.status, c.status);
    EXPECT_EQ(read.text, c.text);
    EXPECT_EQ(registry_.open_keys(), 0);
  }
}

TEST_F(RegStore, ValueThatShrankBetweenTheQueriesIsNotPadded) {
  Store(kRegSz, "http://long/value ");
  registry_.between_queries = [this] { Store(kRegSz, "short"); };
  EXPECT_EQ(Read(), u"short");
}

TEST_F(RegStore, TheStatusOfAWriteForTheOneCallerThatNeedsIt) {
  EXPECT_EQ(SaveRegStringStatus(registry_, kHkeyCurrentUser, kPath, u"Value", u"x"), kErrorSuccess);
  registry_.fail_set = true;
  EXPECT_EQ(SaveRegStringStatus(registry_, kHkeyCurrentUser, kPath, u"Value", u"y"), kAccessDenied);
  registry_.fail_create = true;
  EXPECT_EQ(SaveRegStringStatus(registry_, kHkeyCurrentUser, u"Software\\Else", u"V", u"z"),
            kAccessDenied);
  EXPECT_EQ(Read(), u"x");
}

TEST_F(RegStore, RoundTripThroughTheCodePage) {
  const std::u16string texts[] = {u"", u"myserver/sales", u"caf\u00E9",
                                  std::u16string(70000, u'v')};
  for (const std::u16string& text : texts) {
    SaveRegString(registry_, kHkeyCurrentUser, kPath, u"Value", text);
    EXPECT_EQ(Read(), text);
  }
  // A character outside the code page does not come back as written.
  SaveRegString(registry_, kHkeyCurrentUser, kPath, u"Value", u"\u03A9mega");
  EXPECT_EQ(Read(), u"?mega");
}

}  // namespace
}  // namespace sorvane
