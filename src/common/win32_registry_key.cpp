#include "common/win32_registry_key.h"

#include <utility>

namespace sorvane {

namespace {

// A value is asked for this many times while other writers keep changing it.
constexpr int kReadAttempts = 4;

}  // namespace

LSTATUS RegistryKey::Open(HKEY root, const wchar_t* path, REGSAM access) noexcept {
  HKEY opened = nullptr;
  const LSTATUS status = ::RegOpenKeyExW(root, path, 0, access, &opened);
  key_.reset(status == ERROR_SUCCESS ? opened : nullptr);
  return status;
}

LSTATUS RegistryKey::Create(HKEY root, const wchar_t* path, REGSAM access, DWORD options) noexcept {
  HKEY created = nullptr;
  const LSTATUS status =
      ::RegCreateKeyExW(root, path, 0, nullptr, options, access, nullptr, &created, nullptr);
  key_.reset(status == ERROR_SUCCESS ? created : nullptr);
  return status;
}

LSTATUS RegistryKey::WriteString(const wchar_t* name, const std::u16string& text) const noexcept {
  return WriteBytes(name, REG_SZ, text.c_str(), (text.size() + 1) * sizeof(char16_t));
}

LSTATUS RegistryKey::WriteDword(const wchar_t* name, DWORD value) const noexcept {
  return WriteBytes(name, REG_DWORD, &value, sizeof value);
}

LSTATUS RegistryKey::WriteBytes(const wchar_t* name, DWORD type, const void* data,
                                std::size_t size) const noexcept {
  if (size > MAXDWORD) {
    return ERROR_INVALID_PARAMETER;
  }
  return ::RegSetValueExW(get(), name, 0, type, static_cast<const BYTE*>(data),
                          static_cast<DWORD>(size));
}

LSTATUS RegistryKey::SubkeyName(DWORD index, std::u16string& name) const {
  DWORD longest = 0;
  LSTATUS status = ::RegQueryInfoKeyW(get(), nullptr, nullptr, nullptr, nullptr, &longest, nullptr,
                                      nullptr, nullptr, nullptr, nullptr, nullptr);
  for (int attempt = 0; attempt < kReadAttempts && status == ERROR_SUCCESS; ++attempt) {
    name.assign(static_cast<std::size_t>(longest) + 1, u'\0');
    DWORD length = longest + 1;
    status = ::RegEnumKeyExW(get(), index, reinterpret_cast<wchar_t*>(name.data()), &length,
                             nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_SUCCESS) {
      name.resize(length);
      return status;
    }
    if (status == ERROR_MORE_DATA) {
      longest = longest * 2 + 32;  // a longer subkey came meanwhile
      status = ERROR_SUCCESS;
    }
  }
  name.clear();
  return status == ERROR_SUCCESS ? ERROR_MORE_DATA : status;
}

LSTATUS RegistryKey::Counts(DWORD& subkeys, DWORD& values) const noexcept {
  return ::RegQueryInfoKeyW(get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                            nullptr, nullptr, nullptr, nullptr);
}

LSTATUS RegistryKey::DeleteTree(HKEY root, const wchar_t* path) {
  {
    RegistryKey key;
    const LSTATUS opened = key.Open(root, path, KEY_READ | KEY_WRITE);
    if (opened == ERROR_FILE_NOT_FOUND) {
      return ERROR_SUCCESS;
    }
    if (opened != ERROR_SUCCESS) {
      return opened;
    }
    // Always the first subkey: each one deleted makes the next the first.
    std::u16string name;
    for (;;) {
      const LSTATUS next = key.SubkeyName(0, name);
      if (next == ERROR_NO_MORE_ITEMS) {
        break;
      }
      if (next != ERROR_SUCCESS) {
        return next;
      }
      const LSTATUS deleted = DeleteTree(key.get(), reinterpret_cast<const wchar_t*>(name.c_str()));
      if (deleted != ERROR_SUCCESS) {
        return deleted;
      }
    }
  }
  const LSTATUS deleted = ::RegDeleteKeyW(root, path);
  return deleted == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : deleted;
}

}  // namespace sorvane
