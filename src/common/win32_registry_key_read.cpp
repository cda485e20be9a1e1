#include "common/win32_registry_key.h"

// The reads, apart from the rest: the add-in module writes and deletes keys
// only, and a module linked without this file carries none of it.

namespace sorvane {

namespace {

// A value is asked for this many times while other writers keep changing it.
constexpr int kReadAttempts = 4;

}  // namespace

RegistryKey::BytesRead RegistryKey::ReadBytes(const wchar_t* name) const {
  BytesRead read;
  DWORD size = 0;
  read.status = ::RegQueryValueExW(get(), name, nullptr, &read.type, nullptr, &size);
  for (int attempt = 0; attempt < kReadAttempts && read.status == ERROR_SUCCESS; ++attempt) {
    read.data.resize(size);
    DWORD got = size;
    read.status = ::RegQueryValueExW(get(), name, nullptr, &read.type,
                                     size == 0 ? nullptr : read.data.data(), &got);
    if (read.status == ERROR_MORE_DATA) {
      size = got;  // it grew meanwhile
      read.status = ERROR_SUCCESS;
      continue;
    }
    if (read.status == ERROR_SUCCESS) {
      read.data.resize(got);
      return read;
    }
  }
  if (read.status == ERROR_SUCCESS) {
    read.status = ERROR_MORE_DATA;  // it kept growing
  }
  read.data.clear();
  return read;
}

RegistryKey::StringRead RegistryKey::ReadString(const wchar_t* name) const {
  BytesRead bytes = ReadBytes(name);
  StringRead read;
  read.status = bytes.status;
  read.type = bytes.type;
  if (!read.found()) {
    return read;
  }
  if (read.type != REG_SZ && read.type != REG_EXPAND_SZ) {
    read.status = ERROR_UNSUPPORTED_TYPE;
    return read;
  }
  const std::u16string_view units(reinterpret_cast<const char16_t*>(bytes.data.data()),
                                  bytes.data.size() / sizeof(char16_t));
  read.text.assign(units.substr(0, units.find(u'\0')));
  return read;
}

RegistryKey::DwordRead RegistryKey::ReadDword(const wchar_t* name) const noexcept {
  DwordRead read;
  DWORD size = sizeof read.value;
  read.status = ::RegQueryValueExW(get(), name, nullptr, &read.type,
                                   reinterpret_cast<BYTE*>(&read.value), &size);
  // A longer value does not fit (ERROR_MORE_DATA): it is no DWORD either.
  const bool there = read.found() || read.status == ERROR_MORE_DATA;
  if (there && (read.type != REG_DWORD || size != sizeof read.value)) {
    read.status = ERROR_UNSUPPORTED_TYPE;
    read.value = 0;
  }
  return read;
}

}  // namespace sorvane
