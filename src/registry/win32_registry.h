#pragma once

#include "registry/mod_reg_api.h"

namespace sorvane {

// advapi32's ANSI registry functions and the ANSI code page (CP_ACP).
class Win32Registry final : public RegistryApi {
 public:
  std::int32_t RegCreateKeyA(RegKey root, const std::string& path, RegKey& key) override;
  std::int32_t RegOpenKeyA(RegKey root, const std::string& path, RegKey& key) override;
  std::int32_t RegSetValueExA(RegKey key, const std::string& name, std::uint32_t type,
                              const std::string& data, std::uint32_t size) override;
  std::int32_t RegQueryValueExA(RegKey key, const std::string& name, std::uint32_t& type,
                                char* data, std::uint32_t& size) override;
  std::int32_t RegCloseKey(RegKey key) override;
  std::string ToAnsi(std::u16string_view text) override;
  std::u16string FromAnsi(std::string_view bytes) override;
};

}  // namespace sorvane
