#pragma once

// The host's File Name MRU "Value" in each state the add-in may find it in,
// and what the add-in's store reads from it: one table for every level that
// reads it. The store's own rules (the fake registry) take every case; the
// real registry takes every case too, which shows that the fake stores and
// returns bytes as advapi32 does; the module in the stand-in host takes the
// cases whose result an Open makes visible in what it writes.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace sorvane::testing_support {

struct StoredValueCase {
  const char* name;
  std::optional<std::uint32_t> type;   // none: no such value (its key is there)
  std::string bytes;                   // stored as given, through the ANSI function
  std::optional<std::u16string> read;  // none: no string to read (counts as empty)
  bool through_the_module;
};

inline std::span<const StoredValueCase> StoredValueCases() {
  constexpr std::uint32_t kSz = 1;
  constexpr std::uint32_t kExpandSz = 2;
  constexpr std::uint32_t kBinary = 3;
  constexpr std::uint32_t kDword = 4;
  constexpr std::uint32_t kMultiSz = 7;
  static const StoredValueCase cases[] = {
      {"WrittenWithoutNul", kSz, "http://old/web", u"http://old/web", true},
      {"StoredWithItsNul", kSz, std::string("abc\0", 4), u"abc", false},
      {"EmbeddedNuls", kSz, std::string("http://a\0http://b\0", 18), u"http://a", true},
      {"LeadingNul", kSz, std::string("\0ab", 3), u"", false},
      {"SizeZeroIsEmptyNotAbsent", kSz, "", u"", true},
      {"ExpandSz", kExpandSz, std::string("abc\0", 4), std::nullopt, false},
      {"Binary", kBinary, "http://old", std::nullopt, true},
      {"Dword", kDword, std::string("\1\0\0\0", 4), std::nullopt, true},
      {"MultiSz", kMultiSz, std::string("a\0b\0\0", 5), std::nullopt, false},
      {"MissingValue", std::nullopt, "", std::nullopt, true},
      {"HighLatinBytes", kSz, "caf\xE9", u"caf\u00E9", false},
      // A long value reads back whole, NUL-terminated or not.
      {"NulBeyond32767", kSz, std::string(40000, 'a') + std::string(1, '\0'),
       std::u16string(40000, u'a'), false},
      {"OneMebibyte", kSz, std::string(1 << 20, 'v'), std::u16string(1 << 20, u'v'), true},
  };
  return cases;
}

}  // namespace sorvane::testing_support
