// The list the system's auto-complete object reads, by the IEnumString rules:
// what Next hands out and says, Skip past the end, a Clone's own cursor.

#include "dialog/win32_address_suggestions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sorvane {
namespace {

// Up to `count` addresses from `list` in one call, freed again; its status.
HRESULT Take(IEnumString* list, ULONG count, std::vector<std::u16string>& got) {
  std::vector<LPOLESTR> items(count, nullptr);
  ULONG fetched = 99;
  const HRESULT status = list->Next(count, items.data(), &fetched);
  EXPECT_LE(fetched, count);
  for (ULONG i = 0; i < fetched; ++i) {
    got.emplace_back(reinterpret_cast<const char16_t*>(items[i]));
    ::CoTaskMemFree(items[i]);
  }
  return status;
}

TEST(AddressList, HandsOutEachAddressInOrderThenSaysItIsDone) {
  const ComPtr<AddressList> list = MakeCom<AddressList>(std::u16string(u"a/x\0b/y\0c/z\0", 12));
  std::vector<std::u16string> got;
  EXPECT_EQ(Take(list.Get(), 2, got), S_OK);
  EXPECT_EQ(Take(list.Get(), 2, got), S_FALSE) << "one left for two asked";
  EXPECT_EQ(Take(list.Get(), 1, got), S_FALSE);
  EXPECT_EQ(got, (std::vector<std::u16string>{u"a/x", u"b/y", u"c/z"}));

  LPOLESTR one = nullptr;
  EXPECT_EQ(list->Next(1, &one, nullptr), S_FALSE) << "no count needed for one";
  EXPECT_EQ(list->Next(2, &one, nullptr), E_POINTER);

  EXPECT_EQ(list->Reset(), S_OK);
  EXPECT_EQ(list->Skip(2), S_OK);
  ComPtr<IEnumString> copy;
  ASSERT_EQ(list->Clone(&copy), S_OK);
  EXPECT_EQ(list->Skip(2), S_FALSE) << "only one was left";
  got.clear();
  EXPECT_EQ(Take(copy.Get(), 1, got), S_OK) << "the copy keeps its own place";
  EXPECT_EQ(got, std::vector<std::u16string>{u"c/z"});
}

}  // namespace
}  // namespace sorvane
