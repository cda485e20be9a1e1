#pragma once

// A double-byte code page for the registry fakes, shaped as Shift-JIS is: a
// lead byte (0x81-0x9F, 0xE0-0xFC) and the trail byte after it make one
// character; a lead byte without a trail (at the end, or before a NUL or a
// byte that cannot trail) becomes U+30FB, as Windows' code page 932 decodes
// it, and the byte after it is read on its own. Single bytes are themselves.

#include <string>
#include <string_view>

namespace sorvane::testing_support {

inline bool IsDbcsLead(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}
inline bool IsDbcsTrail(unsigned char byte) {
  return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

inline std::u16string DbcsFromAnsi(std::string_view bytes) {
  std::u16string text;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (!IsDbcsLead(byte)) {
      text.push_back(byte);
      continue;
    }
    if (i + 1 < bytes.size() && IsDbcsTrail(static_cast<unsigned char>(bytes[i + 1]))) {
      const auto trail = static_cast<unsigned char>(bytes[++i]);
      text.push_back(static_cast<char16_t>(0x4E00 + ((byte << 8 | trail) % 0x5000)));
    } else {
      text.push_back(u'\u30FB');
    }
  }
  return text;
}

}  // namespace sorvane::testing_support
