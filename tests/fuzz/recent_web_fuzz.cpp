// Fuzzes the composition of the two recent-web values from a server and a web
// part: the host's own reading of "Web1" (as the stand-in host parses it) must
// give back the parts, and "Value" must put the new address before the old;
// the addresses offered from any earlier "Value" are each a distinct part of it.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "dialog/recent_web.h"
#include "model/command_bar_model.h"

namespace {

void Check(bool condition) {
  if (!condition) {
    std::abort();
  }
}

// Three UTF-16 strings from the input, separated by the code unit 0xFFFF.
std::u16string Take(const std::uint8_t*& data, const std::uint8_t* end) {
  std::u16string text;
  while (data + 1 < end) {
    const auto c = static_cast<char16_t>(data[0] | (data[1] << 8));
    data += 2;
    if (c == 0xFFFF) {
      break;
    }
    text.push_back(c);
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::uint8_t* at = data;
  const std::uint8_t* end = data + size;
  const sorvane::WebAddress web{Take(at, end), Take(at, end)};
  const std::u16string previous = Take(at, end);

  const std::u16string entry = sorvane::RecentWebEntry(web);
  Check(entry.starts_with(web.WebServer + u",,/" + web.WebName + u",fpuser,-1,"));
  Check(entry.ends_with(web.WebName.empty() ? u"<Root Web>" : web.WebName));
  // The host reads the parts back, unless a part itself holds a separator.
  if (web.WebServer.find(u",,/") == std::u16string::npos &&
      web.WebName.find(u",fpuser,-1,") == std::u16string::npos &&
      (web.WebName + u",fpuser,-1,").find(u",fpuser,-1,") == web.WebName.size()) {
    const sorvane::standin::OpenedWeb read = sorvane::standin::ParseRecentWebEntry(entry);
    Check(read.server == web.WebServer);
    if (!web.WebName.ends_with(u",fpuser,-1") && !web.WebName.starts_with(u"fpuser,-1,")) {
      Check(read.web == web.WebName);
    }
  }

  const std::u16string mru = sorvane::MruValue(web, previous);
  Check(mru.size() == web.WebServer.size() + web.WebName.size() + 2 + previous.size());
  Check(mru.starts_with(web.WebServer + u"/" + web.WebName + u" "));
  Check(mru.ends_with(previous));

  // What the text box offers from any "Value": blank-free, distinct, bounded,
  // and in the order the value holds them.
  const auto offered = sorvane::TypedAddresses(previous, 8);
  Check(offered.size() <= 8);
  std::size_t after = 0;
  for (std::size_t i = 0; i < offered.size(); ++i) {
    Check(!offered[i].empty() && offered[i].size() <= sorvane::kLongestTypedAddress);
    Check(offered[i].find(u' ') == std::u16string_view::npos);
    const std::size_t at = previous.find(offered[i], after);
    Check(at != std::u16string::npos);
    after = at + offered[i].size();
    for (std::size_t j = 0; j < i; ++j) {
      Check(offered[j] != offered[i]);
    }
  }
  // Both forms of each: distinct texts, each an offered address or the end of
  // one; a text standing for another address stands for the https form of it.
  const sorvane::AddressOffers forms = sorvane::OfferedAddresses(previous, 8);
  Check(forms.texts.size() <= 2 * offered.size());
  for (std::size_t i = 0; i < forms.texts.size(); ++i) {
    Check(std::any_of(offered.begin(), offered.end(), [&](std::u16string_view address) {
      return address.ends_with(forms.texts[i]);
    }));
    for (std::size_t j = 0; j < i; ++j) {
      Check(forms.texts[j] != forms.texts[i]);
    }
    const std::u16string_view meant = forms.AddressFor(forms.texts[i]);
    Check(meant == forms.texts[i] ||
          (meant.size() == forms.texts[i].size() + 8 && meant.ends_with(forms.texts[i])));
  }
  return 0;
}
