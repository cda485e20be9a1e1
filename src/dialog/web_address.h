#pragma once

// The typed web address: normalisation and the split into server and web parts.
// Positions are 1-based and count UTF-16 code units, held in 16 bits.

#include <string>
#include <string_view>

namespace sorvane {

struct NormalisedAddress {
  std::u16string text;    // the address as it goes back into the text box
  bool prefixed = false;  // "http://" was put in front; the text box must be rewritten
};

// Puts "http://" in front of the typed text unless its third character is "\"
// (a drive path such as "c:\webs\site") or it already begins with "http://" or
// "https://" in any case.
NormalisedAddress NormaliseWebAddress(std::u16string_view typed);

// The "http://" or "https://" in front of `address`, in any letter case, as
// it stands there; empty when there is none.
std::u16string_view SchemeOf(std::u16string_view address) noexcept;

struct WebAddress {
  std::u16string WebServer;  // scheme and host, e.g. "http://myserver"
  std::u16string WebName;    // path of the web without its leading "/", e.g. "sales"
};

// Splits a normalised address. Throws HResultError(DISP_E_OVERFLOW) when a
// position leaves the 16-bit range (a host of 32761 characters or more that is
// followed by "/", or a first "/" at 32767 or later).
WebAddress SplitWebAddress(std::u16string_view address);

}  // namespace sorvane
