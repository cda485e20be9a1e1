#pragma once

// The two registry values in which the host keeps its recently opened webs,
// and how a new web goes into them.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "dialog/web_address.h"

namespace sorvane {

inline constexpr std::u16string_view kRecentWebListKey =
    u"Software\\Microsoft\\FrontPage\\Explorer\\FrontPage Explorer\\Recent Web List";
inline constexpr std::u16string_view kRecentWebValue = u"Web1";
inline constexpr std::u16string_view kFileNameMruKey =
    u"Software\\Microsoft\\Office\\9.0\\Common\\Open Find\\Microsoft FrontPage\\Settings\\Open "
    u"Web\\File Name MRU";
inline constexpr std::u16string_view kFileNameMruValue = u"Value";

// "Web1": server, an empty field, "/" and the web, "fpuser", "-1", and the web
// again or "<Root Web>" for the root. Nothing is escaped.
std::u16string RecentWebEntry(const WebAddress& web);

// "Value": the new address, one blank, then the previous content.
std::u16string MruValue(const WebAddress& web, std::u16string_view previous);

// What the text box offers at most: enough for every address a person types,
// few enough that the system's list stays quick with any "Value".
inline constexpr std::size_t kMostTypedAddresses = 1000;
// A longer run of text is not an address anyone typed (the longest URL the
// system handles has 2,083 characters); it is not offered.
inline constexpr std::size_t kLongestTypedAddress = 2083;

// The addresses "Value" holds, split at its blanks: newest first, each once,
// at most `most`; empty runs between blanks and overlong runs are skipped.
// The views are into `mru_value`.
std::vector<std::u16string_view> TypedAddresses(std::u16string_view mru_value,
                                                std::size_t most = kMostTypedAddresses);

// What the text box offers for the addresses "Value" holds (TypedAddresses):
// each as it is held and, for one with "http://" or "https://" in front (any
// letter case), also without it, as people type addresses; each text once.
struct AddressOffers {
  std::vector<std::u16string_view> texts;  // into the value
  // The addresses with "https://" whose text without it is theirs: opened as
  // it reads, that text would become another web (http).
  std::vector<std::u16string> secure;

  // The address an offer stands for: its https address for one of `secure`,
  // the text itself for anything else.
  std::u16string_view AddressFor(std::u16string_view text) const noexcept;
};
// The newest address that gives a text decides what it stands for.
AddressOffers OfferedAddresses(std::u16string_view mru_value,
                               std::size_t most = kMostTypedAddresses);

}  // namespace sorvane
