#include "registry/mod_reg_api.h"

#include <algorithm>
#include <utility>

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
  static_cast<void>(SaveRegStringStatus(api, root, path, name, data));
}

std::int32_t SaveRegStringStatus(RegistryApi& api, RegKey root, std::u16string_view path,
                                 std::u16string_view name, std::u16string_view data) {
  RegKey created = 0;
  const std::int32_t opened = api.RegCreateKeyA(root, api.ToAnsi(path), created);
  if (opened != kErrorSuccess) {
    return opened;  // no key, nothing written
  }
  const OpenedKey key(api, created);
  // The bytes of the text without a terminating NUL; in a multi-byte code page
  // the byte count, so that the whole text is stored.
  const std::string bytes = api.ToAnsi(data);
  return api.RegSetValueExA(key.get(), api.ToAnsi(name), kRegSz, bytes,
                            static_cast<std::uint32_t>(bytes.size()));
}

RegStringRead ReadRegString(RegistryApi& api, RegKey root, std::u16string_view path,
                            std::u16string_view name) {
  RegKey opened = 0;
  if (api.RegOpenKeyA(root, api.ToAnsi(path), opened) != kErrorSuccess) {
    return {};
  }
  const OpenedKey key(api, opened);
  const std::string ansi_name = api.ToAnsi(name);

  constexpr int kAttempts = 4;
  std::int32_t status = kErrorSuccess;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    // Pass 1: type and size only; a missing value leaves the type at 0.
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    static_cast<void>(api.RegQueryValueExA(key.get(), ansi_name, type, nullptr, size));
    if (type != kRegSz) {
      return {};
    }
    // Pass 2: the data. A value that shrank meanwhile reports its own size, and
    // only that much is used; one that grew is read again from its new size.
    std::string buffer(size, ' ');
    std::uint32_t data_type = 0;
    status = api.RegQueryValueExA(key.get(), ansi_name, data_type, buffer.data(), size);
    if (status == kErrorMoreData) {
      continue;
    }
    if (status != kErrorSuccess) {
      break;
    }
    buffer.resize(std::min<std::size_t>(size, buffer.size()));
    std::u16string text = api.FromAnsi(buffer);
    // Up to the first NUL, wherever it lies: values stored with their NUL, or
    // with several, read back as the text in front of the first.
    const std::size_t nul = text.find(u'\0');
    if (nul != std::u16string::npos) {
      text.resize(nul);
    }
    return {RegStringRead::Outcome::kFound, std::move(text), kErrorSuccess};
  }
  return {RegStringRead::Outcome::kFailed, {}, status};
}

std::optional<std::u16string> GetRegString(RegistryApi& api, RegKey root, std::u16string_view path,
                                           std::u16string_view name) {
  RegStringRead read = ReadRegString(api, root, path, name);
  if (read.outcome != RegStringRead::Outcome::kFound) {
    return std::nullopt;
  }
  return std::move(read.text);
}

}  // namespace sorvane
