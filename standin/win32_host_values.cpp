#include "win32_host_values.h"

#include <shlwapi.h>

#include <vector>

#include "common/win32_handles.h"

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

UniqueKey OpenKey(const wchar_t* path) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return nullptr;
  }
  return UniqueKey(key);
}

// The value's data through the wide function, whatever its length.
std::optional<StoredValue> QueryWide(HKEY key, const wchar_t* name) {
  StoredValue stored;
  DWORD size = 0;
  if (::RegQueryValueExW(key, name, nullptr, &stored.type, nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::vector<BYTE> data;
  for (;;) {
    data.resize(size + sizeof(wchar_t));
    DWORD got = size;
    const LSTATUS status = ::RegQueryValueExW(key, name, nullptr, &stored.type, data.data(), &got);
    if (status == ERROR_MORE_DATA) {
      size = got;
      continue;  // it grew meanwhile
    }
    if (status != ERROR_SUCCESS) {
      return std::nullopt;
    }
    size = got;
    break;
  }
  stored.bytes = size;
  if (stored.type == REG_SZ || stored.type == REG_EXPAND_SZ || stored.type == REG_MULTI_SZ) {
    stored.text.assign(reinterpret_cast<const char16_t*>(data.data()), size / sizeof(char16_t));
    if (!stored.text.empty() && stored.text.back() == u'\0') {
      stored.text.pop_back();
    }
  }
  return stored;
}

}  // namespace

std::optional<StoredValue> ReadHostValue(HostValue which) {
  const Location at = LocationOf(which);
  const UniqueKey key = OpenKey(at.key);
  if (key == nullptr) {
    return std::nullopt;
  }
  return QueryWide(key.get(), at.wide_name);
}

std::optional<std::u16string> ReadRecentWeb(int n) {
  const UniqueKey key = OpenKey(kRecentWebListKey);
  if (key == nullptr) {
    return std::nullopt;
  }
  const std::wstring name = L"Web" + std::to_wstring(n);
  const std::optional<StoredValue> stored = QueryWide(key.get(), name.c_str());
  if (!stored || stored->type != REG_SZ) {
    return std::nullopt;
  }
  return stored->text.substr(0, stored->text.find(u'\0'));
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
  ::SHDeleteKeyW(HKEY_CURRENT_USER, kRecentWebListKey);
  ::SHDeleteKeyW(HKEY_CURRENT_USER, kFileNameMruKey);
}

namespace {

UniqueKey CreateKey(const wchar_t* path) {
  HKEY key = nullptr;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
    return nullptr;
  }
  return UniqueKey(key);
}

}  // namespace

void CreateHostValueKey(HostValue which) {
  CreateKey(LocationOf(which).key);
}

void StoreHostValueBytes(HostValue which, DWORD type, std::string_view bytes) {
  const Location at = LocationOf(which);
  const UniqueKey owned = CreateKey(at.key);
  if (owned == nullptr) {
    return;
  }
  ::RegSetValueExA(owned.get(), at.ansi_name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
}

}  // namespace sorvane::standin
