#include "dialog/recent_web.h"

#include <cstdint>

namespace sorvane {

std::u16string RecentWebEntry(const WebAddress& web) {
  const std::u16string_view last =
      web.WebName.empty() ? std::u16string_view(u"<Root Web>") : std::u16string_view(web.WebName);
  std::u16string entry;
  entry.reserve(web.WebServer.size() + 2 * web.WebName.size() + 24);
  entry.append(web.WebServer)
      .append(u",,/")
      .append(web.WebName)
      .append(u",fpuser,-1,")
      .append(last);
  return entry;
}

std::u16string MruValue(const WebAddress& web, std::u16string_view previous) {
  std::u16string value;
  value.reserve(web.WebServer.size() + web.WebName.size() + 2 + previous.size());
  value.append(web.WebServer).append(u"/").append(web.WebName).append(u" ").append(previous);
  return value;
}

namespace {

// FNV-1a over the characters: a repeat is found through a table, not by
// comparing each address with every one kept before it.
std::uint32_t HashOf(std::u16string_view text) {
  std::uint32_t hash = 2166136261U;
  for (const char16_t c : text) {
    hash = (hash ^ c) * 16777619U;
  }
  return hash;
}

}  // namespace

std::vector<std::u16string_view> TypedAddresses(std::u16string_view mru_value, std::size_t most) {
  std::vector<std::u16string_view> addresses;
  // Open addressing, at most half full: each slot is 0 or an index into
  // `addresses` plus one.
  std::size_t slots = 2;
  while (slots < 2 * most) {
    slots *= 2;
  }
  std::vector<std::uint32_t> table(slots);
  std::size_t at = 0;
  while (at < mru_value.size() && addresses.size() < most) {
    std::size_t end = mru_value.find(u' ', at);
    if (end == std::u16string_view::npos) {
      end = mru_value.size();
    }
    const std::u16string_view address = mru_value.substr(at, end - at);
    at = end + 1;
    if (address.empty() || address.size() > kLongestTypedAddress) {
      continue;
    }
    std::size_t slot = HashOf(address) & (slots - 1);
    while (table[slot] != 0 && addresses[table[slot] - 1] != address) {
      slot = (slot + 1) & (slots - 1);
    }
    if (table[slot] == 0) {
      addresses.push_back(address);
      table[slot] = static_cast<std::uint32_t>(addresses.size());
    }
  }
  return addresses;
}

namespace {

// The length of the "http://" or "https://" in front of `address` (any
// letter case); 0 when there is none.
std::size_t SchemeLength(std::u16string_view address) {
  for (const std::u16string_view scheme :
       {std::u16string_view(u"http://"), std::u16string_view(u"https://")}) {
    if (address.size() >= scheme.size()) {
      bool same = true;
      for (std::size_t i = 0; i < scheme.size() && same; ++i) {
        const char16_t c = address[i];
        same = (c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c) == scheme[i];
      }
      if (same) {
        return scheme.size();
      }
    }
  }
  return 0;
}

}  // namespace

std::u16string_view AddressOffers::AddressFor(std::u16string_view text) const noexcept {
  constexpr std::size_t kHttps = 8;  // "https://"
  for (const std::u16string& address : secure) {
    if (std::u16string_view(address).substr(kHttps) == text) {
      return address;
    }
  }
  return text;
}

AddressOffers OfferedAddresses(std::u16string_view mru_value, std::size_t most) {
  const std::vector<std::u16string_view> addresses = TypedAddresses(mru_value, most);
  AddressOffers offers;
  // The same open addressing as above, over both forms of every address.
  std::size_t slots = 2;
  while (slots < 4 * addresses.size()) {
    slots *= 2;
  }
  std::vector<std::uint32_t> table(slots);
  const auto offer = [&](std::u16string_view text) {
    std::size_t slot = HashOf(text) & (slots - 1);
    while (table[slot] != 0 && offers.texts[table[slot] - 1] != text) {
      slot = (slot + 1) & (slots - 1);
    }
    if (table[slot] != 0) {
      return false;
    }
    offers.texts.push_back(text);
    table[slot] = static_cast<std::uint32_t>(offers.texts.size());
    return true;
  };
  for (const std::u16string_view address : addresses) {
    offer(address);
    const std::size_t scheme = SchemeLength(address);
    const std::u16string_view bare = address.substr(scheme);
    if (scheme == 0 || bare.empty() || !offer(bare)) {
      continue;
    }
    if (scheme == 8) {  // "https://"
      offers.secure.emplace_back(address);
    }
  }
  return offers;
}

}  // namespace sorvane
