// The Open end to end in the code page the host runs in. Wine takes the
// process's ANSI code page from its locale: ctest runs these tests as usual
// (C.UTF-8: 1252) and again under ja_JP (932), zh_CN (936) and ko_KR (949),
// telling them which code page to expect in SORVANE_EXPECT_ACP.

#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "addin_fixture.h"

namespace sorvane::testing_support {
namespace {

using standin::HostValue;

struct CodePageCase {
  UINT acp;
  std::u16string_view host;  // a host and a web in the code page's own script
  std::u16string_view web;
  std::u16string_view previous;  // an earlier "Value" in that script
  std::u16string_view lacking;   // a character the code page lacks
};

constexpr CodePageCase kCases[] = {
    {1252, u"s\u00E9rveur", u"v\u00EAntes", u"http://anci\u00E9n/w\u00E8b", u"\u03A9"},
    {932, u"\u30B5\u30FC\u30D0\u30FC", u"\u55B6\u696D\u90E8",
     u"http://\u65E7\u30B5\u30FC\u30D0\u30FC/\u30A6\u30A7\u30D6", u"\u00E9"},
    {936, u"\u670D\u52A1\u5668", u"\u9500\u552E\u90E8", u"http://\u65E7\u670D\u52A1\u5668/\u7F51",
     u"\uC11C"},
    {949, u"\uC11C\uBC84", u"\uC601\uC5C5\uBD80", u"http://\uC61B\uC11C\uBC84/\uC6F9", u"\u0E01"},
};

// The code page this process runs in, and its case.
const CodePageCase& Current() {
  const char* expected = std::getenv("SORVANE_EXPECT_ACP");
  const UINT acp = ::GetACP();
  EXPECT_EQ(acp, expected != nullptr ? static_cast<UINT>(std::atoi(expected)) : 1252U)
      << "the locale did not give the code page the test was run for";
  for (const CodePageCase& c : kCases) {
    if (c.acp == acp) {
      return c;
    }
  }
  ADD_FAILURE() << "no case for code page " << acp;
  return kCases[0];
}

// `text` in the code page, as the system converts it.
std::string InCodePage(std::u16string_view text) {
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int size = ::WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(text.size()), bytes.data(), size, nullptr,
                        nullptr);
  return bytes;
}

// A value's bytes as an ANSI program reads them, without the NUL the system
// stores after them.
std::string AnsiBytes(const wchar_t* key_path, const char* name) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, key_path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return "(no key)";
  }
  DWORD size = 0;
  ::RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size);
  std::string bytes(size, '\0');
  ::RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(bytes.data()), &size);
  ::RegCloseKey(key);
  bytes.resize(size);
  if (!bytes.empty() && bytes.back() == '\0') {
    bytes.pop_back();
  }
  return bytes;
}

using CodePage = AddInEndToEnd;

TEST_F(CodePage, NamesInItsScriptAreStoredWholeAndTheHostOpensThem) {
  const CodePageCase& c = Current();
  const std::u16string host(c.host);
  const std::u16string web(c.web);
  const std::u16string previous(c.previous);
  const std::u16string address = u"http://" + host + u"/" + web;
  const std::u16string entry = u"http://" + host + u",,/" + web + u",fpuser,-1," + web;
  standin::StoreHostValueBytes(HostValue::kFileNameMru, REG_SZ, InCodePage(c.previous));
  ASSERT_EQ(Load(), S_OK);
  MessageBoxWatcher watcher;
  OpenWith(ToWide(host + u"/" + web));
  EXPECT_TRUE(watcher.texts.empty());

  EXPECT_EQ(Web1(), entry) << "read back whole";
  EXPECT_EQ(Mru(), address + u" " + previous) << "the earlier value kept whole";
  // Stored in the code page's own encoding, every byte of it.
  EXPECT_EQ(AnsiBytes(standin::kRecentWebListKey, "Web1"), InCodePage(entry));
  EXPECT_EQ(AnsiBytes(standin::kFileNameMruKey, "Value"), InCodePage(address + u" " + previous));
  ASSERT_EQ(model_.opened().size(), 1U);
  EXPECT_EQ(model_.opened()[0].server, u"http://" + host);
  EXPECT_EQ(model_.opened()[0].web, c.web) << "the host opens that web";
}

TEST_F(CodePage, AnEarlierAddressInItsScriptIsOfferedAsItWasTyped) {
  const CodePageCase& c = Current();
  const std::u16string previous(c.previous);
  standin::StoreHostValueBytes(HostValue::kFileNameMru, REG_SZ,
                               InCodePage(u"ftp://a/b " + previous + u" "));
  ASSERT_EQ(Load(), S_OK);
  Click();
  const HWND dialog = FindDialog();
  ASSERT_NE(dialog, nullptr);
  KeyIn(TextBoxOf(dialog), ToWide(previous.substr(0, 8)));
  ASSERT_EQ(ShownSuggestions(dialog), 1);
  PostKey(TextBoxOf(dialog), VK_DOWN);
  EXPECT_EQ(TextOf(dialog), previous);
}

TEST_F(CodePage, AnEarlierValueLongerThanSixteenBitsIsKeptWhole) {
  const CodePageCase& c = Current();
  std::u16string previous = u"http://";
  while (previous.size() < 40000) {
    previous.append(c.host);
  }
  standin::StoreHostValueBytes(HostValue::kFileNameMru, REG_SZ, InCodePage(previous));
  ASSERT_EQ(Load(), S_OK);
  OpenWith(L"myserver/sales");
  const auto value = Mru();
  ASSERT_TRUE(value);
  EXPECT_EQ(value->size(), std::u16string(u"http://myserver/sales ").size() + previous.size());
  EXPECT_TRUE(*value == u"http://myserver/sales " + previous);
  EXPECT_EQ(model_.opened().size(), 1U);
}

TEST_F(CodePage, ACharacterItLacksIsRefusedBeforeAnythingIsWritten) {
  const CodePageCase& c = Current();
  BOOL used_default = FALSE;
  const std::u16string lack(c.lacking);
  const auto* lacking = reinterpret_cast<const wchar_t*>(lack.c_str());
  char converted[8] = {};
  ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, lacking, 1, converted, 8, nullptr,
                        &used_default);
  ASSERT_NE(used_default, FALSE) << "the case's character is one the code page lacks";
  ASSERT_EQ(Load(), S_OK);
  MessageBoxWatcher watcher;
  const std::u16string typed = std::u16string(c.host) + u"/w" + lack + u"b";
  const HWND dialog = OpenWith(ToWide(typed));
  ASSERT_EQ(watcher.texts.size(), 1U);
  EXPECT_EQ(watcher.texts[0],
            u"The web could not be opened.\n\nThe address contains a character that this "
            u"system's code page cannot store: " +
                lack);
  EXPECT_EQ(Web1(), std::nullopt);
  EXPECT_EQ(Mru(), std::nullopt);
  EXPECT_TRUE(model_.opened().empty());
  EXPECT_EQ(FindDialog(), dialog);
  EXPECT_EQ(TextOf(dialog), u"http://" + typed);
}

}  // namespace
}  // namespace sorvane::testing_support
