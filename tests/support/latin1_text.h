#pragma once

// The code page of the registry fakes: one byte per character, the first 256
// UTF-16 units as themselves; what it cannot hold becomes '?', as the
// platform's default character does.

#include <string>
#include <string_view>

namespace sorvane::testing_support {

inline std::string Latin1ToAnsi(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (const char16_t c : text) {
    bytes.push_back(c < 256 ? static_cast<char>(c) : '?');
  }
  return bytes;
}

inline std::u16string Latin1FromAnsi(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  for (const char c : bytes) {
    text.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  }
  return text;
}

}  // namespace sorvane::testing_support
