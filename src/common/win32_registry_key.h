#pragma once

// RegistryKey: one open registry key and what is done with it, through the
// wide (W) functions: the one owner of registry keys for the module's
// registration, the stand-in host, the tests and the benchmark. The add-in's
// store of the host's values is not one of them: it calls the ANSI functions
// the host's values are written with, through RegistryApi.
//
// The contract, once for every member:
// - Each operation returns the Win32 status it ended with; statuses are
//   [[nodiscard]]. Nothing throws but allocation (std::bad_alloc).
// - A read tells the three outcomes apart: found, absent (the value or key is
//   not there: ERROR_FILE_NOT_FOUND) and failed (any other status). Absent is
//   never a failure the caller has to guess from an empty text.
// - Reads take values of any length: sized by the value itself and asked again
//   when another writer made it longer meanwhile. No fixed-size buffers.
// - A string read gives the text up to its first NUL, as the system's own
//   readers do; a value of another type is ERROR_UNSUPPORTED_TYPE.
// - A name of nullptr is the key's default value.
// - The key closes when its owner goes, keeping the thread's last error.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/win32_handles.h"

namespace sorvane {

class RegistryKey {
 public:
  RegistryKey() = default;

  // Opens `path` under `root` with `access`; on failure the owner holds no key.
  [[nodiscard]] LSTATUS Open(HKEY root, const wchar_t* path, REGSAM access) noexcept;
  // Opens or creates `path` under `root`.
  [[nodiscard]] LSTATUS Create(HKEY root, const wchar_t* path, REGSAM access,
                               DWORD options = REG_OPTION_NON_VOLATILE) noexcept;

  bool is_open() const noexcept { return key_ != nullptr; }
  HKEY get() const noexcept { return key_.get(); }

  struct Read {
    LSTATUS status = ERROR_FILE_NOT_FOUND;
    DWORD type = REG_NONE;
    bool found() const noexcept { return status == ERROR_SUCCESS; }
    bool absent() const noexcept { return status == ERROR_FILE_NOT_FOUND; }
  };
  struct BytesRead : Read {
    std::vector<BYTE> data;
  };
  struct StringRead : Read {
    std::u16string text;
  };
  struct DwordRead : Read {
    DWORD value = 0;
  };

  // The value's type and data, whatever its type.
  [[nodiscard]] BytesRead ReadBytes(const wchar_t* name) const;
  // REG_SZ or REG_EXPAND_SZ (not expanded).
  [[nodiscard]] StringRead ReadString(const wchar_t* name) const;
  [[nodiscard]] DwordRead ReadDword(const wchar_t* name) const noexcept;

  // REG_SZ, with its terminating NUL.
  [[nodiscard]] LSTATUS WriteString(const wchar_t* name, const std::u16string& text) const noexcept;
  [[nodiscard]] LSTATUS WriteDword(const wchar_t* name, DWORD value) const noexcept;
  [[nodiscard]] LSTATUS WriteBytes(const wchar_t* name, DWORD type, const void* data,
                                   std::size_t size) const noexcept;

  // The name of subkey `index`, whatever its length; ERROR_NO_MORE_ITEMS past the last.
  [[nodiscard]] LSTATUS SubkeyName(DWORD index, std::u16string& name) const;
  // How many subkeys and values the key holds.
  [[nodiscard]] LSTATUS Counts(DWORD& subkeys, DWORD& values) const noexcept;

  // Deletes `path` under `root` and everything below it (without RegDeleteTree,
  // which Windows XP lacks). A key that is not there is no failure.
  [[nodiscard]] static LSTATUS DeleteTree(HKEY root, const wchar_t* path);

 private:
  UniqueKey key_;
};

}  // namespace sorvane
