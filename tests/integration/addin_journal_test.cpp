// The exact calls the real module makes on the host, as the stand-in host's
// journal recorded them: members, call kinds, argument counts, each
// argument's VARTYPE and value in declared order, named arguments.

#include <string>
#include <vector>

#include "addin_fixture.h"

namespace sorvane::testing_support {
namespace {

using standin::JournalArg;
using standin::JournalEntry;

// An omitted argument: VT_ERROR with DISP_E_PARAMNOTFOUND.
JournalArg Missing() {
  return {VT_ERROR, u"0x80020004"};
}
JournalArg Text(std::u16string text) {
  return {VT_BSTR, std::move(text)};
}

class JournalOfTheAddIn : public AddInEndToEnd {
 protected:
  std::vector<JournalEntry> Entries() const {
    const auto& entries = state_.journal().entries();
    return {entries.begin(), entries.end()};
  }
  // The entries for one member of one kind of object.
  std::vector<JournalEntry> Of(std::string_view object, std::string_view member) const {
    std::vector<JournalEntry> found;
    for (const JournalEntry& entry : Entries()) {
      if (entry.object == object && entry.member == member) {
        found.push_back(entry);
      }
    }
    return found;
  }
  // `entries` in order, each as OBJECT.MEMBER.
  static std::vector<std::string> Names(const std::vector<JournalEntry>& entries) {
    std::vector<std::string> names;
    names.reserve(entries.size());
    for (const JournalEntry& entry : entries) {
      names.push_back(entry.object + "." + entry.member);
    }
    return names;
  }
  void ExpectAllSucceeded() const {
    for (const JournalEntry& entry : Entries()) {
      EXPECT_TRUE(SUCCEEDED(entry.status)) << standin::FormatEntry(0, entry);
    }
  }
};

// Reads through automation: a property read or a method, sent as "method or
// property read" as automation clients do, without named arguments.
void ExpectRead(const JournalEntry& entry, const std::vector<JournalArg>& args) {
  EXPECT_NE(entry.kind & (DISPATCH_METHOD | DISPATCH_PROPERTYGET), 0U)
      << standin::FormatEntry(0, entry);
  EXPECT_EQ(entry.kind & DISPATCH_PROPERTYPUT, 0U) << standin::FormatEntry(0, entry);
  EXPECT_EQ(entry.args, args) << standin::FormatEntry(0, entry);
  EXPECT_TRUE(entry.named.empty()) << standin::FormatEntry(0, entry);
}

void ExpectPut(const JournalEntry& entry, const std::string& member, const JournalArg& value) {
  EXPECT_EQ(entry.member, member);
  EXPECT_EQ(entry.kind, static_cast<unsigned>(DISPATCH_PROPERTYPUT)) << member;
  EXPECT_EQ(entry.args, std::vector<JournalArg>{value}) << member;
  EXPECT_EQ(entry.named, std::vector<std::int32_t>{DISPID_PROPERTYPUT}) << member;
}

TEST_F(JournalOfTheAddIn, ConnectionSendsTheDocumentedArguments) {
  ASSERT_EQ(Load(), S_OK);
  ExpectAllSucceeded();

  const auto bars_item = Of("CommandBars", "Item");
  ASSERT_EQ(bars_item.size(), 2U) << "the File bar, for the search and for the walk";
  for (const JournalEntry& entry : bars_item) {
    ExpectRead(entry, {Text(u"File")});
  }

  const auto find = Of("CommandBar", "FindControl");
  ASSERT_EQ(find.size(), 1U);
  EXPECT_EQ(find[0].kind & DISPATCH_METHOD, static_cast<unsigned>(DISPATCH_METHOD));
  ExpectRead(find[0], {Missing(), Missing(), Text(u"Sorvane"), Missing(), Missing()});

  const auto add = Of("CommandBarControls", "Add");
  ASSERT_EQ(add.size(), 1U);
  EXPECT_EQ(add[0].kind & DISPATCH_METHOD, static_cast<unsigned>(DISPATCH_METHOD));
  ExpectRead(add[0], {{VT_I4, u"1"}, Missing(), Text(u"Sorvane"), {VT_I2, u"5"}, Missing()});

  // On the new button, in this order: Caption, Tag, OnAction, then Enabled.
  std::vector<JournalEntry> puts;
  for (const JournalEntry& entry : Entries()) {
    if ((entry.kind & DISPATCH_PROPERTYPUT) != 0) {
      puts.push_back(entry);
    }
  }
  ASSERT_EQ(puts.size(), 4U);
  ExpectPut(puts[0], "Caption", Text(u"Kelvra Sorvane..."));
  ExpectPut(puts[1], "Tag", Text(u"Sorvane"));
  ExpectPut(puts[2], "OnAction", Text(u"!<Sorvane.Connect>"));
  ExpectPut(puts[3], "Enabled", {VT_BOOL, u"-1"});
  for (const JournalEntry& entry : puts) {
    EXPECT_EQ(entry.object, "CommandBarButton");
  }

  const auto prog_id = Of("COMAddIn", "ProgId");
  ASSERT_EQ(prog_id.size(), 1U);
  ExpectRead(prog_id[0], {});

  // The least the behaviour needs: CommandBars, Item, FindControl; the walk
  // over HostApp's File bar (CommandBars, Item, Controls, the enumerator, one
  // Next per control and one more, one Caption per control, Index for the
  // match); Controls, Add, Caption, Tag, ProgId, OnAction; the click
  // connection (FindConnectionPoint, Advise); Enabled.
  const auto controls = static_cast<std::size_t>(model_.file_bar().list->controls.size() - 1);
  EXPECT_EQ(Of("IEnumVARIANT", "Next").size(), controls + 1);
  EXPECT_EQ(Entries().size(), 3 + 4 + (controls + 1) + controls + 1 + 6 + 2 + 1);
}

TEST_F(JournalOfTheAddIn, OpenSendsTheDocumentedArguments) {
  ASSERT_EQ(Load(), S_OK);
  Click();
  const HWND dialog = FindDialog();
  ASSERT_NE(dialog, nullptr);
  host_.state().journal().Clear();
  Type(dialog, L"myserver/sales");
  PressEnter(dialog);
  ASSERT_EQ(model_.opened().size(), 1U);
  ExpectAllSucceeded();
  const std::vector<JournalEntry> open = Entries();
  EXPECT_EQ(Names(open),
            (std::vector<std::string>{"Application.CommandBars", "CommandBars.Item",
                                      "CommandBar.Controls", "CommandBarControls.Item",
                                      "CommandBarPopup.Controls", "CommandBarButton.Execute"}));
  ASSERT_EQ(open.size(), 6U);
  ExpectRead(open[1], {Text(u"File")});
  ExpectRead(open[3], {Text(u"Recent W&ebs")});
  ExpectRead(open[4], {{VT_I2, u"1"}});
  EXPECT_EQ(open[4].name, u"Recent W&ebs");
  ExpectRead(open[5], {});
  EXPECT_EQ(open[5].kind & DISPATCH_METHOD, static_cast<unsigned>(DISPATCH_METHOD));
}

TEST_F(JournalOfTheAddIn, DisconnectionSendsTheDocumentedArguments) {
  ASSERT_EQ(Load(), S_OK);
  host_.state().journal().Clear();
  const auto outcomes = add_ins_.Disconnect(standin::com::kDisconnectUserClosed);
  ASSERT_EQ(outcomes.size(), 1U);
  EXPECT_EQ(outcomes[0].status, S_OK);
  ExpectAllSucceeded();
  const std::vector<JournalEntry> off = Entries();
  EXPECT_EQ(Names(off),
            (std::vector<std::string>{"Application.CommandBars", "CommandBars.Item",
                                      "CommandBar.Controls", "CommandBarControls.Item",
                                      "CommandBarButton.Delete", "IConnectionPoint.Unadvise"}));
  ASSERT_EQ(off.size(), 6U);
  ExpectRead(off[1], {Text(u"File")});
  ExpectRead(off[3], {Text(u"Kelvra Sorvane...")});
  ExpectRead(off[4], {Missing()});
  EXPECT_EQ(off[4].kind & DISPATCH_METHOD, static_cast<unsigned>(DISPATCH_METHOD));
}

}  // namespace
}  // namespace sorvane::testing_support
