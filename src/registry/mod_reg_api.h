#pragma once

// modRegAPI: string values in the Windows registry, written and read through
// the ANSI registry functions. Each call opens its key, uses it and closes it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sorvane {

// A registry key handle as an integer; predefined roots are sign-extended
// 32-bit values, as HKEY holds them on every architecture.
using RegKey = std::uintptr_t;

constexpr RegKey PredefinedKey(std::uint32_t value) {
  return static_cast<RegKey>(static_cast<std::intptr_t>(static_cast<std::int32_t>(value)));
}
inline constexpr RegKey kHkeyCurrentUser = PredefinedKey(0x80000001U);

inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::int32_t kErrorSuccess = 0;
inline constexpr std::int32_t kErrorMoreData = 234;

// The advapi32 functions (ANSI forms) and the ANSI code page, as the store
// needs them. Strings are bytes in the ANSI code page.
class RegistryApi {
 public:
  virtual ~RegistryApi() = default;
  virtual std::int32_t RegCreateKeyA(RegKey root, const std::string& path, RegKey& key) = 0;
  virtual std::int32_t RegOpenKeyA(RegKey root, const std::string& path, RegKey& key) = 0;
  virtual std::int32_t RegSetValueExA(RegKey key, const std::string& name, std::uint32_t type,
                                      const std::string& data, std::uint32_t size) = 0;
  // `data` null asks for the type and size only.
  virtual std::int32_t RegQueryValueExA(RegKey key, const std::string& name, std::uint32_t& type,
                                        char* data, std::uint32_t& size) = 0;
  virtual std::int32_t RegCloseKey(RegKey key) = 0;

  virtual std::string ToAnsi(std::u16string_view text) = 0;
  virtual std::u16string FromAnsi(std::string_view bytes) = 0;
};

// Stores `data` as a REG_SZ value, creating the key path where it is missing.
// Nothing is reported: a value that cannot be written is simply not written.
void SaveRegString(RegistryApi& api, RegKey root, std::u16string_view path,
                   std::u16string_view name, std::u16string_view data);

// The same store for the one caller that must know whether the value was
// written: the registry's status (kErrorSuccess when stored), of the key's
// creation when that failed, else of the write.
[[nodiscard]] std::int32_t SaveRegStringStatus(RegistryApi& api, RegKey root,
                                               std::u16string_view path, std::u16string_view name,
                                               std::u16string_view data);

// What a read found. Absent: no key, no value, or a value that is not REG_SZ.
// Failed: a REG_SZ value whose data could not be read (`status` says why).
struct RegStringRead {
  enum class Outcome { kFound, kAbsent, kFailed };
  Outcome outcome = Outcome::kAbsent;
  std::u16string text;  // kFound only
  std::int32_t status = kErrorSuccess;
};

// Reads a REG_SZ value up to its first NUL. A value that grows between the
// size query and the data query (another writer) is read again with its new
// size, a few times at most, before the read counts as failed.
[[nodiscard]] RegStringRead ReadRegString(RegistryApi& api, RegKey root, std::u16string_view path,
                                          std::u16string_view name);

// ReadRegString's text; absent when nothing was found or the read failed.
std::optional<std::u16string> GetRegString(RegistryApi& api, RegKey root, std::u16string_view path,
                                           std::u16string_view name);

}  // namespace sorvane
