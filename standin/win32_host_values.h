#pragma once

// The host's own registry values for its recent webs, read as the host reads
// them, from the locations its installation uses: the Recent Web List
// ("Web1", "Web2", ...) and the Open Web dialog's File Name MRU ("Value").

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace sorvane::standin {

inline constexpr wchar_t kRecentWebListKey[] =
    L"Software\\Microsoft\\FrontPage\\Explorer\\FrontPage Explorer\\Recent Web List";
inline constexpr wchar_t kFileNameMruKey[] =
    L"Software\\Microsoft\\Office\\9.0\\Common\\Open Find\\Microsoft FrontPage\\Settings\\Open "
    L"Web\\File Name MRU";

enum class HostValue { kWeb1, kFileNameMru };

struct StoredValue {
  DWORD type = REG_NONE;
  // The value's size as the registry stores it (strings in UTF-16 on Windows
  // NT and Wine, whichever function wrote them).
  DWORD bytes = 0;
  // All of its data as text; one terminating NUL is not part of it.
  std::u16string text;
};

// The value as stored, of whatever type; absent when the key or value is missing.
std::optional<StoredValue> ReadHostValue(HostValue which);

// "Web<n>" as the host's recent-webs menu reads it: a string, up to its first
// NUL; absent when missing or not REG_SZ.
std::optional<std::u16string> ReadRecentWeb(int n);

// The name of a registry value type: "REG_SZ", "REG_DWORD", ...
std::string RegistryTypeName(DWORD type);

// Deletes both keys with everything below them: the state of a host that has
// never opened a web.
void ClearHostValues();

// Creates the value's key, without the value.
void CreateHostValueKey(HostValue which);

// Stores a value's bytes as given, through the ANSI function, creating its key:
// the state another program (or an older host) may have left.
void StoreHostValueBytes(HostValue which, DWORD type, std::string_view bytes);

}  // namespace sorvane::standin
