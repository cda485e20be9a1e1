// The addresses typed before, offered by the real module under the dialog's
// text box, driven through a loop that, like the host's, never calls
// IsDialogMessage.

#include <string>
#include <vector>

#include "addin_fixture.h"

namespace sorvane::testing_support {
namespace {

using standin::HostValue;
using Suggestions = AddInEndToEnd;

// Enter or Esc with the list dropped down: the list's first, then the dialog's.
struct ListKey {
  const char* name;
  UINT key;
  bool opens;
};

TEST_F(Suggestions, TheWebsOpenedBeforeAreOfferedAndTheListTakesTheFirstKey) {
  ASSERT_EQ(Load(), S_OK);
  OpenWith(L"myserver/sales");
  OpenWith(L"other/web");
  OpenWith(L"myserver/sales");
  for (const ListKey& c : {ListKey{"Enter", VK_RETURN, true}, ListKey{"Esc", VK_ESCAPE, false}}) {
    SCOPED_TRACE(c.name);
    const std::optional<std::u16string> before = Mru();
    const std::size_t opened = model_.opened().size();
    Click();
    const HWND dialog = FindDialog();
    ASSERT_NE(dialog, nullptr);
    KeyIn(TextBoxOf(dialog), L"http://");
    ASSERT_EQ(ShownSuggestions(dialog), 2) << "each web once";
    PostKey(TextBoxOf(dialog), VK_DOWN);
    const std::u16string chosen = TextOf(dialog);
    EXPECT_TRUE(chosen == u"http://myserver/sales" || chosen == u"http://other/web");
    EXPECT_EQ(Mru(), before) << "offering writes nothing";

    PostKey(TextBoxOf(dialog), c.key);
    EXPECT_EQ(ShownSuggestions(dialog), 0);
    ASSERT_EQ(FindDialog(), dialog);
    EXPECT_EQ(model_.opened().size(), opened);

    PostKey(TextBoxOf(dialog), c.key);
    EXPECT_EQ(FindDialog(), nullptr);
    ASSERT_EQ(model_.opened().size(), opened + (c.opens ? 1 : 0));
    if (c.opens) {
      EXPECT_EQ(model_.opened().back().server + u"/" + model_.opened().back().web, chosen);
      EXPECT_EQ(Mru(), chosen + u" " + before.value_or(u""));
    }
  }
}

// An address is offered as it was typed, without "http://"; picked, it opens
// the same web, and the value keeps one spelling of it.
TEST_F(Suggestions, AWebTypedWithoutItsSchemeIsOfferedSo) {
  ASSERT_EQ(Load(), S_OK);
  OpenWith(L"myserver/sales");
  Click();
  HWND dialog = FindDialog();
  ASSERT_NE(dialog, nullptr);
  KeyIn(TextBoxOf(dialog), L"mys");
  ASSERT_EQ(ShownSuggestions(dialog), 1);
  PostKey(TextBoxOf(dialog), VK_DOWN);
  PostKey(TextBoxOf(dialog), VK_RETURN);
  EXPECT_EQ(TextOf(dialog), u"myserver/sales");
  PostKey(TextBoxOf(dialog), VK_RETURN);
  EXPECT_EQ(FindDialog(), nullptr);
  ASSERT_EQ(model_.opened().size(), 2U);
  EXPECT_EQ(model_.opened().back().server, u"http://myserver");
  EXPECT_EQ(Mru(), u"http://myserver/sales http://myserver/sales ");
  Click();
  dialog = FindDialog();
  ASSERT_NE(dialog, nullptr);
  KeyIn(TextBoxOf(dialog), L"mys");
  EXPECT_EQ(ShownSuggestions(dialog), 1) << "offered once";
}

TEST_F(Suggestions, AnOddValueOfAMebibyteIsOfferedAsFarAsItHoldsAddresses) {
  // Newest first: blank runs, a comma, a character of the code page (1252's
  // "é"), a repeat; then a mebibyte of other addresses.
  std::string value = "   http://srv/a,b  http://s\xE9rveur/v\xEAntes http://srv/a,b     ";
  for (int n = 0; value.size() < (1U << 20); ++n) {
    value += "http://host/web" + std::to_string(n) + " ";
  }
  standin::StoreHostValueBytes(HostValue::kFileNameMru, REG_SZ, value);
  ASSERT_EQ(Load(), S_OK);
  Click();
  const HWND dialog = FindDialog();
  ASSERT_NE(dialog, nullptr);
  KeyIn(TextBoxOf(dialog), L"http://s");
  EXPECT_EQ(ShownSuggestions(dialog), 2);
  KeyIn(TextBoxOf(dialog), L"\u00E9");
  EXPECT_EQ(ShownSuggestions(dialog), 1);
  PostKey(TextBoxOf(dialog), VK_DOWN);
  EXPECT_EQ(TextOf(dialog), u"http://s\u00E9rveur/v\u00EAntes");
  Type(dialog, L"");
  KeyIn(TextBoxOf(dialog), L"http://host/web");
  EXPECT_EQ(ShownSuggestions(dialog), 998) << "the newest thousand addresses, two odd ones";
  Type(dialog, L"");
  KeyIn(TextBoxOf(dialog), L"host/web");
  EXPECT_EQ(ShownSuggestions(dialog), 998) << "the same thousand without their scheme";
  EXPECT_EQ(standin::ReadHostValue(HostValue::kFileNameMru)->text.size(), value.size());
}

}  // namespace
}  // namespace sorvane::testing_support
