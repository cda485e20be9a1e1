#include "model/journal.h"

#include <gtest/gtest.h>

#include <string>

namespace sorvane::standin {
namespace {

JournalEntry Entry(std::string member, unsigned kind, std::vector<JournalArg> args = {}) {
  JournalEntry entry;
  entry.object = "CommandBar";
  entry.name = u"File";
  entry.member = std::move(member);
  entry.kind = kind;
  entry.args = std::move(args);
  return entry;
}

TEST(Journal, FormatsEachCallOnOneLine) {
  struct Case {
    JournalEntry entry;
    std::string line;
  };
  JournalEntry put = Entry("Caption", kCallPut, {{kVtBstr, u"Kelvra \"Sorvane\"\n..."}});
  put.object = "CommandBarButton";
  put.name.clear();
  put.named = {-3};
  JournalEntry failed = Entry("#42", kCallMethod);
  failed.status = HResultFromBits(0x80020003U);
  JournalEntry vtable = Entry("Next", kCallVtable);
  vtable.object = "IEnumVARIANT";
  vtable.name.clear();
  for (const Case& c : {
           Case{Entry("FindControl", kCallMethod | kCallGet,
                      {{kVtError, u"0x80020004"}, {kVtBstr, u"Sorvane"}, {kVtI2, u"5"}}),
                "7 CommandBar[File].FindControl method|get 3: VT_ERROR 0x80020004, VT_BSTR "
                "\"Sorvane\", VT_I2 5 -> S_OK"},
           Case{put,
                "7 CommandBarButton.Caption put 1: VT_BSTR \"Kelvra \\\"Sorvane\\\"\\n...\" "
                "named=-3 -> S_OK"},
           Case{failed, "7 CommandBar[File].#42 method 0 -> 0x80020003"},
           Case{vtable, "7 IEnumVARIANT.Next vtable 0 -> S_OK"},
           Case{Entry("Item", kCallGet, {{kVtBool | kVtByRef, u"-1"}, {0x1F, u""}}),
                "7 CommandBar[File].Item get 2: VT_BOOL|VT_BYREF -1, VT_0x1F -> S_OK"},
       }) {
    EXPECT_EQ(FormatEntry(7, c.entry), c.line);
  }
}

TEST(Journal, LongTextIsCutWithItsLengthSaid) {
  const std::string line =
      FormatEntry(1, Entry("Item", kCallGet, {{kVtBstr, std::u16string(1000, u'x')}}));
  EXPECT_NE(line.find("\"...(1000 characters)"), std::string::npos) << line;
  EXPECT_LT(line.size(), 300U);
  const std::string unicode =
      FormatEntry(1, Entry("Item", kCallGet, {{kVtBstr, u"\u30B5\U0001F600"}}));
  EXPECT_NE(unicode.find("\"\xE3\x82\xB5\xF0\x9F\x98\x80\""), std::string::npos) << "UTF-8";
}

TEST(Journal, NumbersGoOnAcrossClearsAndTheOldestAreDropped) {
  Journal journal;
  const std::size_t first = journal.Record(Entry("Controls", kCallGet));
  journal.Finish(first, kEFail);
  EXPECT_EQ(journal.entries().front().status, kEFail);
  journal.Clear();
  const std::size_t second = journal.Record(Entry("Controls", kCallGet));
  EXPECT_EQ(second, first + 1);
  EXPECT_EQ(journal.NumberOf(0), second);
  journal.Finish(first, kEUnexpected);  // gone: nothing happens
  EXPECT_EQ(journal.entries().front().status, kSOk);
  for (std::size_t i = 0; i < Journal::kCapacity; ++i) {
    journal.Record(Entry("Controls", kCallGet));
  }
  EXPECT_EQ(journal.entries().size(), Journal::kCapacity);
  EXPECT_EQ(journal.dropped(), 1U);
  EXPECT_EQ(journal.NumberOf(0), second + 1);
}

}  // namespace
}  // namespace sorvane::standin
