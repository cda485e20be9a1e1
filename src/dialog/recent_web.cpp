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

std::u16string_view AddressOffers::AddressFor(std::u16string_view text) const noexcept {
  for (const std::u16string& address : secure) {
    if (std::u16string_view(address).substr(SchemeOf(address).size()) == text) {
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
    const std::u16string_view scheme = SchemeOf(address);
    const std::u16string_view bare = address.substr(scheme.size());
    if (scheme.empty() || bare.empty() || !offer(bare)) {
      continue;
    }
    if (scheme.size() == std::u16string_view(u"https://").size()) {
      offers.secure.emplace_back(address);
    }
  }
  return offers;
}

}  // namespace sorvane
