// The registry store against the real (Wine) registry, through advapi32.

#include "registry/win32_registry.h"

#include <windows.h>

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <optional>
#include <string>

#include "registry/mod_reg_api.h"
#include "support/stored_value_cases.h"

namespace sorvane {
namespace {

constexpr wchar_t kTestRoot[] = L"Software\\Sorvane Tests";
constexpr char16_t kKey[] = u"Software\\Sorvane Tests\\Store";

class RealRegistry : public testing::Test {
 protected:
  void SetUp() override { ::SHDeleteKeyW(HKEY_CURRENT_USER, kTestRoot); }
  void TearDown() override { ::SHDeleteKeyW(HKEY_CURRENT_USER, kTestRoot); }

  // Stores raw bytes with a type, through the wide function, as other programs may.
  static void StoreRaw(DWORD type, const std::string& bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyW(HKEY_CURRENT_USER, L"Software\\Sorvane Tests\\Store", &key), 0);
    ASSERT_EQ(::RegSetValueExA(key, "Value", 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                               static_cast<DWORD>(bytes.size())),
              0);
    ::RegCloseKey(key);
  }
  // The value's type and bytes as stored.
  static std::pair<DWORD, std::string> Raw(const char* key_path, const char* name) {
    HKEY key = nullptr;
    if (::RegOpenKeyA(HKEY_CURRENT_USER, key_path, &key) != 0) {
      return {0, "(no key)"};
    }
    DWORD type = 0;
    DWORD size = 0;
    ::RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    std::string bytes(size, '\0');
    ::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &size);
    ::RegCloseKey(key);
    bytes.resize(size);
    return {type, bytes};
  }
  std::optional<std::u16string> Read() {
    return GetRegString(registry_, kHkeyCurrentUser, kKey, u"Value");
  }
  Win32Registry registry_;
};

TEST_F(RealRegistry, WriteCreatesTheKeyPathAndStoresTheText) {
  SaveRegString(registry_, kHkeyCurrentUser, u"Software\\Sorvane Tests\\A\\B\\C", u"Name",
                u"http://myserver/sales ");
  const auto [type, bytes] = Raw("Software\\Sorvane Tests\\A\\B\\C", "Name");
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(bytes.substr(0, 22), "http://myserver/sales ");
  EXPECT_EQ(GetRegString(registry_, kHkeyCurrentUser, u"Software\\Sorvane Tests\\A\\B\\C", u"Name"),
            u"http://myserver/sales ");
}

// The same bytes read through advapi32 as through the fake registry.
class RealRegistryRead : public RealRegistry,
                         public testing::WithParamInterface<testing_support::StoredValueCase> {};

TEST_P(RealRegistryRead, ResultAsWithTheFake) {
  const testing_support::StoredValueCase& c = GetParam();
  if (c.type) {
    StoreRaw(*c.type, c.bytes);
  } else {
    StoreRaw(REG_SZ, "other");
    EXPECT_EQ(GetRegString(registry_, kHkeyCurrentUser, kKey, u"Other"), std::nullopt);
    return;
  }
  EXPECT_EQ(Read(), c.read);
}

INSTANTIATE_TEST_SUITE_P(Values, RealRegistryRead,
                         testing::ValuesIn(testing_support::StoredValueCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RealRegistry, MissingKeyIsAbsent) {
  EXPECT_EQ(Read(), std::nullopt);
}

TEST_F(RealRegistry, TextPassesThroughTheAnsiCodePage) {
  // é is in every Western code page; Ω is not in code page 1252.
  for (const std::u16string& text :
       {std::u16string(u"caf\u00E9/web"), std::u16string(70000, u'x')}) {
    SaveRegString(registry_, kHkeyCurrentUser, kKey, u"Value", text);
    EXPECT_EQ(Read(), text);
  }
  SaveRegString(registry_, kHkeyCurrentUser, kKey, u"Value", u"\u03A9mega");
  const std::optional<std::u16string> back = Read();
  ASSERT_TRUE(back);
  EXPECT_NE(*back, u"\u03A9mega");  // "?mega", or a best fit such as "Omega"
  EXPECT_EQ(back->substr(1), u"mega");
}

TEST_F(RealRegistry, WriteOfEmptyTextStoresAnEmptyString) {
  StoreRaw(REG_DWORD, std::string("\1\0\0\0", 4));
  SaveRegString(registry_, kHkeyCurrentUser, kKey, u"Value", u"");
  EXPECT_EQ(Raw("Software\\Sorvane Tests\\Store", "Value").first, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(Read(), u"");
}

}  // namespace
}  // namespace sorvane
