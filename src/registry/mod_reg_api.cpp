#include "registry/mod_reg_api.h"

#include <algorithm>

namespace sorvane {

namespace {

// Closes a key opened by the store on every way out of the operation.
class OpenedKey {
 public:
  OpenedKey(RegistryApi& api, RegKey key) : api_(api), key_(key) {}
  ~OpenedKey() { api_.RegCloseKey(key_); }
  OpenedKey(const OpenedKey&) = delete;
  OpenedKey& operator=(const OpenedKey&) = delete;
  RegKey get() const { return key_; }

 private:
  RegistryApi& api_;
  RegKey key_;
};

}  // namespace

void SaveRegString(RegistryApi& api, RegKey root, std::u16string_view path,
                   std::u16string_view name, std::u16string_view data) {
  RegKey created = 0;
  if (api.RegCreateKeyA(root, api.ToAnsi(path), created) != kErrorSuccess) {
    return;  // no key, nothing written
  }
  const OpenedKey key(api, created);
  // The bytes of the text without a terminating NUL; in a multi-byte code page
  // the byte count, so that the whole text is stored.
  const std::string bytes = api.ToAnsi(data);
  api.RegSetValueExA(key.get(), api.ToAnsi(name), kRegSz, bytes,
                     static_cast<std::uint32_t>(bytes.size()));
}

std::optional<std::u16string> GetRegString(RegistryApi& api, RegKey root, std::u16string_view path,
                                           std::u16string_view name) {
  RegKey opened = 0;
  if (api.RegOpenKeyA(root, api.ToAnsi(path), opened) != kErrorSuccess) {
    return std::nullopt;
  }
  const OpenedKey key(api, opened);
  const std::string ansi_name = api.ToAnsi(name);

  // Pass 1: type and size only; a missing value leaves the type at 0.
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  api.RegQueryValueExA(key.get(), ansi_name, type, nullptr, size);
  if (type != kRegSz) {
    return std::nullopt;
  }
  // Pass 2: the data. The value may have changed in between: a larger one fails
  // (absent); a smaller one reports its own size, and only that much is used.
  std::string buffer(size, ' ');
  std::uint32_t data_type = 0;
  if (api.RegQueryValueExA(key.get(), ansi_name, data_type, buffer.data(), size) != kErrorSuccess) {
    return std::nullopt;
  }
  buffer.resize(std::min<std::size_t>(size, buffer.size()));
  std::u16string text = api.FromAnsi(buffer);
  // Up to the first NUL, wherever it lies: values stored with their NUL, or
  // with several, read back as the text in front of the first.
  const std::size_t nul = text.find(u'\0');
  if (nul != std::u16string::npos) {
    text.resize(nul);
  }
  return text;
}

}  // namespace sorvane
