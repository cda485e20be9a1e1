// Fuzzes the normalisation and split of a typed address: no crash, no
// sanitizer report, and the parts always come from the normalised text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/hresult.h"
#include "dialog/web_address.h"

namespace {

void Check(bool condition) {
  if (!condition) {
    std::abort();
  }
}

bool IsScheme(std::u16string_view text) {
  return text == u"http://" || text == u"https://";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Two bytes per UTF-16 code unit; a leading byte stretches short inputs so that
  // the 16-bit limits are reached too.
  std::u16string typed;
  std::size_t start = 0;
  std::size_t repeat = 1;
  if (size % 2 == 1) {
    repeat = 1 + data[0] * 160U;  // up to ~40,000 copies
    start = 1;
  }
  for (std::size_t r = 0; r < repeat && typed.size() < 100000; ++r) {
    for (std::size_t i = start; i + 1 < size; i += 2) {
      typed.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    }
  }

  const sorvane::NormalisedAddress normalised = sorvane::NormaliseWebAddress(typed);
  Check(normalised.prefixed ? normalised.text == u"http://" + typed : normalised.text == typed);
  const std::u16string& text = normalised.text;
  try {
    const sorvane::WebAddress parts = sorvane::SplitWebAddress(text);
    // The web part is a piece of the text; the server part is its start, or a
    // lower-case scheme followed by the text's end.
    Check(parts.WebName.empty() || text.find(parts.WebName) != std::u16string::npos);
    const std::u16string& server = parts.WebServer;
    const bool is_start = text.compare(0, server.size(), server) == 0;
    const std::size_t scheme = server.rfind(u"//", 8);
    const bool is_scheme_and_end = scheme != std::u16string::npos &&
                                   IsScheme(server.substr(0, scheme + 2)) &&
                                   text.size() >= server.size() - scheme - 2 &&
                                   text.compare(text.size() - (server.size() - scheme - 2),
                                                std::u16string::npos, server, scheme + 2) == 0;
    Check(is_start || is_scheme_and_end);
    Check(server.size() + parts.WebName.size() <= text.size() + 1);
  } catch (const sorvane::HResultError& error) {
    Check(error.code() == sorvane::kDispEOverflow);
    Check(text.size() > 32760);
  }
  return 0;
}
