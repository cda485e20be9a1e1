#include "win32_host_values.h"

#include "common/win32_registry_key.h"

namespace sorvane::standin {

namespace {

struct Location {
  const wchar_t* key;
  const wchar_t* wide_name;
  const char* ansi_name;
};

Location LocationOf(HostValue which) {
  return which == HostValue::kWeb1 ? Location{kRecentWebListKey, L"Web1", "Web1"}
                                   : Location{kFileNameMruKey, L"Value", "Value"};
}

RegistryKey OpenKey(const wchar_t* path) {
  RegistryKey key;
  static_cast<void>(key.Open(HKEY_CURRENT_USER, path, KEY_QUERY_VALUE));  // closed: absent
  return key;
}

// The value's data through the wide function, whatever its length.
std::optional<StoredValue> QueryWide(const RegistryKey& key, const wchar_t* name) {
  const RegistryKey::BytesRead read = key.ReadBytes(name);
  if (!read.found()) {
    return std::nullopt;
  }
  StoredValue stored;
  stored.type = read.type;
  stored.bytes = static_cast<DWORD>(read.data.size());
  if (stored.type == REG_SZ || stored.type == REG_EXPAND_SZ || stored.type == REG_MULTI_SZ) {
    stored.text.assign(reinterpret_cast<const char16_t*>(read.data.data()),
                       read.data.size() / sizeof(char16_t));
    if (!stored.text.empty() && stored.text.back() == u'\0') {
      stored.text.pop_back();
    }
  }
  return stored;
}

}  // namespace

std::optional<StoredValue> ReadHostValue(HostValue which) {
  const Location at = LocationOf(which);
  const RegistryKey key = OpenKey(at.key);
  if (!key.is_open()) {
    return std::nullopt;
  }
  return QueryWide(key, at.wide_name);
}

std::optional<std::u16string> ReadRecentWeb(int n) {
  const RegistryKey key = OpenKey(kRecentWebListKey);
  if (!key.is_open()) {
    return std::nullopt;
  }
  const std::wstring name = L"Web" + std::to_wstring(n);
  const RegistryKey::BytesRead read = key.ReadBytes(name.c_str());
  if (!read.found() || read.type != REG_SZ) {
    return std::nullopt;
  }
  const std::u16string_view units(reinterpret_cast<const char16_t*>(read.data.data()),
                                  read.data.size() / sizeof(char16_t));
  return std::u16string(units.substr(0, units.find(u'\0')));
}

std::string RegistryTypeName(DWORD type) {
  switch (type) {
    case REG_NONE:
      return "REG_NONE";
    case REG_SZ:
      return "REG_SZ";
    case REG_EXPAND_SZ:
      return "REG_EXPAND_SZ";
    case REG_BINARY:
      return "REG_BINARY";
    case REG_DWORD:
      return "REG_DWORD";
    case REG_MULTI_SZ:
      return "REG_MULTI_SZ";
    default:
      return "REG_TYPE_" + std::to_string(type);
  }
}

void ClearHostValues() {
  static_cast<void>(RegistryKey::DeleteTree(HKEY_CURRENT_USER, kRecentWebListKey));
  static_cast<void>(RegistryKey::DeleteTree(HKEY_CURRENT_USER, kFileNameMruKey));
}

void CreateHostValueKey(HostValue which) {
  RegistryKey key;
  static_cast<void>(key.Create(HKEY_CURRENT_USER, LocationOf(which).key, KEY_SET_VALUE));
}

void StoreHostValueBytes(HostValue which, DWORD type, std::string_view bytes) {
  const Location at = LocationOf(which);
  RegistryKey key;
  if (key.Create(HKEY_CURRENT_USER, at.key, KEY_SET_VALUE) != ERROR_SUCCESS) {
    return;
  }
  // Through the ANSI function, as the add-in's store writes.
  ::RegSetValueExA(key.get(), at.ansi_name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
}

}  // namespace sorvane::standin
