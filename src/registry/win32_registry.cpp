#include "registry/win32_registry.h"

#include <windows.h>

#include "common/hresult.h"
#include "common/win32_text.h"

namespace sorvane {

namespace {
HKEY ToHkey(RegKey key) {
  return reinterpret_cast<HKEY>(key);
}
}  // namespace

std::int32_t Win32Registry::RegCreateKeyA(RegKey root, const std::string& path, RegKey& key) {
  HKEY created = nullptr;
  const LONG status = ::RegCreateKeyA(ToHkey(root), path.c_str(), &created);
  key = reinterpret_cast<RegKey>(created);
  return status;
}

std::int32_t Win32Registry::RegOpenKeyA(RegKey root, const std::string& path, RegKey& key) {
  HKEY opened = nullptr;
  const LONG status = ::RegOpenKeyA(ToHkey(root), path.c_str(), &opened);
  key = reinterpret_cast<RegKey>(opened);
  return status;
}

std::int32_t Win32Registry::RegSetValueExA(RegKey key, const std::string& name, std::uint32_t type,
                                           const std::string& data, std::uint32_t size) {
  return ::RegSetValueExA(ToHkey(key), name.c_str(), 0, type,
                          reinterpret_cast<const BYTE*>(data.data()), size);
}

std::int32_t Win32Registry::RegQueryValueExA(RegKey key, const std::string& name,
                                             std::uint32_t& type, char* data, std::uint32_t& size) {
  DWORD value_type = type;
  DWORD value_size = size;
  const LONG status = ::RegQueryValueExA(ToHkey(key), name.c_str(), nullptr, &value_type,
                                         reinterpret_cast<BYTE*>(data), &value_size);
  type = value_type;
  size = value_size;
  return status;
}

std::int32_t Win32Registry::RegCloseKey(RegKey key) {
  return ::RegCloseKey(ToHkey(key));
}

// Both conversions write straight into their result: the values may be large
// (the host's MRU value grows with every Open), and each copy counts.
std::string Win32Registry::ToAnsi(std::u16string_view text) {
  if (text.empty()) {
    return {};
  }
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  const int size = ::WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) {
    ThrowLastError();
  }
  std::string bytes(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, wide, length, bytes.data(), size, nullptr, nullptr);
  return bytes;
}

std::u16string Win32Registry::FromAnsi(std::string_view bytes) {
  if (bytes.empty()) {
    return {};
  }
  const int length = static_cast<int>(bytes.size());
  const int size = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
  if (size <= 0) {
    ThrowLastError();
  }
  std::u16string text(static_cast<std::size_t>(size), u'\0');
  ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, reinterpret_cast<wchar_t*>(text.data()),
                        size);
  return text;
}

}  // namespace sorvane
