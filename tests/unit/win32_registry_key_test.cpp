// The registry-key owner against the real (Wine) registry.

#include "common/win32_registry_key.h"

#include <gtest/gtest.h>

#include <string>

namespace sorvane {
namespace {

constexpr wchar_t kRoot[] = L"Software\\Sorvane Tests\\Key";

class RegistryKeyTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RegistryKey::DeleteTree(HKEY_CURRENT_USER, kRoot), ERROR_SUCCESS);
    ASSERT_EQ(key_.Create(HKEY_CURRENT_USER, kRoot, KEY_ALL_ACCESS), ERROR_SUCCESS);
  }
  void TearDown() override {
    key_ = RegistryKey();
    EXPECT_EQ(RegistryKey::DeleteTree(HKEY_CURRENT_USER, kRoot), ERROR_SUCCESS);
  }
  RegistryKey key_;
};

// Found, absent and failed stay apart, for values of any length and type.
TEST_F(RegistryKeyTest, ReadsTellFoundAbsentAndWrongTypeApart) {
  const std::u16string long_text(70000, u'x');  // far past any fixed buffer
  ASSERT_EQ(key_.WriteString(L"Long", long_text), ERROR_SUCCESS);
  ASSERT_EQ(key_.WriteString(nullptr, u"default"), ERROR_SUCCESS);
  ASSERT_EQ(key_.WriteDword(L"Number", 3), ERROR_SUCCESS);
  const char16_t nuls[] = u"a\0b";
  ASSERT_EQ(key_.WriteBytes(L"Nuls", REG_SZ, nuls, sizeof nuls), ERROR_SUCCESS);
  ASSERT_EQ(key_.WriteBytes(L"Empty", REG_SZ, nullptr, 0), ERROR_SUCCESS);

  struct Case {
    const wchar_t* name;
    LSTATUS string_status;
    std::u16string text;
    LSTATUS dword_status;
  };
  for (const Case& c : {Case{L"Long", ERROR_SUCCESS, long_text, ERROR_UNSUPPORTED_TYPE},
                        Case{nullptr, ERROR_SUCCESS, u"default", ERROR_UNSUPPORTED_TYPE},
                        Case{L"Number", ERROR_UNSUPPORTED_TYPE, u"", ERROR_SUCCESS},
                        Case{L"Nuls", ERROR_SUCCESS, u"a", ERROR_UNSUPPORTED_TYPE},
                        Case{L"Empty", ERROR_SUCCESS, u"", ERROR_UNSUPPORTED_TYPE},
                        Case{L"Missing", ERROR_FILE_NOT_FOUND, u"", ERROR_FILE_NOT_FOUND}}) {
    SCOPED_TRACE(c.name == nullptr ? "(default)" : std::string(c.name, c.name + wcslen(c.name)));
    const RegistryKey::StringRead text = key_.ReadString(c.name);
    EXPECT_EQ(text.status, c.string_status);
    EXPECT_EQ(text.text, c.text);
    EXPECT_EQ(text.absent(), c.string_status == ERROR_FILE_NOT_FOUND);
    const RegistryKey::DwordRead number = key_.ReadDword(c.name);
    EXPECT_EQ(number.status, c.dword_status);
    EXPECT_EQ(number.value, c.dword_status == ERROR_SUCCESS ? 3U : 0U);
  }
  RegistryKey missing;
  EXPECT_EQ(missing.Open(HKEY_CURRENT_USER, L"Software\\Sorvane Tests\\Nowhere", KEY_READ),
            ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(missing.is_open());
}

// Subkeys of the longest names the registry allows are listed and deleted,
// however deep; deleting what is not there is no failure.
TEST_F(RegistryKeyTest, DeleteTreeTakesEverythingBelow) {
  const std::wstring longest(255, L'k');
  for (const std::wstring& path : {longest + L"\\a\\b", std::wstring(L"c"), longest + L"\\d"}) {
    RegistryKey sub;
    ASSERT_EQ(sub.Create(key_.get(), path.c_str(), KEY_WRITE), ERROR_SUCCESS);
    ASSERT_EQ(sub.WriteDword(L"v", 1), ERROR_SUCCESS);
  }
  std::u16string name;
  ASSERT_EQ(key_.SubkeyName(0, name), ERROR_SUCCESS);
  EXPECT_TRUE(name == std::u16string(255, u'k') || name == u"c");
  DWORD subkeys = 0;
  DWORD values = 0;
  ASSERT_EQ(key_.Counts(subkeys, values), ERROR_SUCCESS);
  EXPECT_EQ(subkeys, 2U);
  EXPECT_EQ(key_.SubkeyName(2, name), ERROR_NO_MORE_ITEMS);

  key_ = RegistryKey();
  EXPECT_EQ(RegistryKey::DeleteTree(HKEY_CURRENT_USER, kRoot), ERROR_SUCCESS);
  RegistryKey gone;
  EXPECT_EQ(gone.Open(HKEY_CURRENT_USER, kRoot, KEY_READ), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegistryKey::DeleteTree(HKEY_CURRENT_USER, kRoot), ERROR_SUCCESS);
}

}  // namespace
}  // namespace sorvane
