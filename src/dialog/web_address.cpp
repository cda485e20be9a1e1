#include "dialog/web_address.h"

#include <cstdint>

#include "common/int16.h"

namespace sorvane {

namespace {

constexpr std::u16string_view kHttp = u"http://";
constexpr std::u16string_view kHttps = u"https://";

// True when `text` begins with `prefix` (lower-case ASCII) in any letter case.
// Only ASCII letters are compared, so no other character can pass for them.
bool StartsWithAnyCase(std::u16string_view text, std::u16string_view prefix) {
  if (text.size() < prefix.size()) {
    return false;
  }
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char16_t c = text[i];
    if (c >= u'A' && c <= u'Z') {
      c = static_cast<char16_t>(c - u'A' + u'a');
    }
    if (c != prefix[i]) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::u16string_view SchemeOf(std::u16string_view address) noexcept {
  for (const std::u16string_view scheme : {kHttp, kHttps}) {
    if (StartsWithAnyCase(address, scheme)) {
      return address.substr(0, scheme.size());
    }
  }
  return {};
}

namespace {

// The 1-based position of the first "/", 0 when there is none.
std::int16_t FirstSlash(std::u16string_view text) {
  const auto at = text.find(u'/');
  return at == std::u16string_view::npos ? std::int16_t{0} : Narrow16(std::int64_t(at) + 1);
}

// The substring of up to `length` characters from 1-based `start`; empty when
// `start` lies past the end.
std::u16string_view Mid(std::u16string_view text, std::int16_t start, std::size_t length) {
  const auto from = static_cast<std::size_t>(start - 1);
  return from >= text.size() ? std::u16string_view{} : text.substr(from, length);
}

}  // namespace

NormalisedAddress NormaliseWebAddress(std::u16string_view typed) {
  const bool exempt = typed.size() >= 3 && typed[2] == u'\\';
  if (exempt || StartsWithAnyCase(typed, kHttp) || StartsWithAnyCase(typed, kHttps)) {
    return {std::u16string(typed), false};
  }
  std::u16string text;
  text.reserve(kHttp.size() + typed.size());
  text.append(kHttp).append(typed);
  return {std::move(text), true};
}

WebAddress SplitWebAddress(std::u16string_view address) {
  WebAddress parts;
  const std::int16_t p = FirstSlash(address);
  if (Mid(address, Add16(p, 1), 1) != u"/") {
    return parts;  // no "//" at the first "/": both parts stay empty
  }
  // Everything after the "//".
  const std::u16string_view rest =
      Mid(address, Add16(p, 2), address.size() - static_cast<std::size_t>(Add16(p, 1)));
  const std::int16_t q = FirstSlash(rest);
  // "https://" is one character longer than every other prefix.
  const bool https = StartsWithAnyCase(address, kHttps);
  if (q == 0) {
    parts.WebServer.assign(https ? kHttps : kHttp).append(rest);
    return parts;
  }
  parts.WebName = Mid(rest, Add16(q, 1), rest.size() - static_cast<std::size_t>(q));
  parts.WebServer = address.substr(0, static_cast<std::size_t>(Add16(q, https ? 7 : 6)));
  return parts;
}

}  // namespace sorvane
