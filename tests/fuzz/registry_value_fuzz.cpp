// Fuzzes the reading of a registry value: its type, its bytes, whether it
// shrinks or grows between the size query and the data query, and the code
// page (single-byte, or double-byte with lead bytes at the end or before a
// NUL). The read never fails in a way it should not, never pads, cuts at the
// first NUL of the text, and always closes its key.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "registry/mod_reg_api.h"
#include "support/dbcs_text.h"
#include "support/latin1_text.h"

namespace {

void Check(bool condition) {
  if (!condition) {
    std::abort();
  }
}

// One key with one value, in a Latin-1 or a double-byte code page; counts
// open keys.
class OneValueRegistry final : public sorvane::RegistryApi {
 public:
  std::uint32_t type = 0;
  std::string bytes;
  std::string after_size_query;  // the value's bytes once it has been sized
  bool changes = false;
  bool key_exists = true;
  bool double_byte = false;
  int open = 0;

  std::int32_t RegCreateKeyA(sorvane::RegKey, const std::string&, sorvane::RegKey& key) override {
    ++open;
    key = 1;
    return 0;
  }
  std::int32_t RegOpenKeyA(sorvane::RegKey, const std::string&, sorvane::RegKey& key) override {
    if (!key_exists) {
      return 2;
    }
    ++open;
    key = 1;
    return 0;
  }
  std::int32_t RegSetValueExA(sorvane::RegKey, const std::string&, std::uint32_t,
                              const std::string&, std::uint32_t) override {
    return 0;
  }
  std::int32_t RegQueryValueExA(sorvane::RegKey, const std::string&, std::uint32_t& value_type,
                                char* data, std::uint32_t& size) override {
    value_type = type;
    const auto needed = static_cast<std::uint32_t>(bytes.size());
    if (data == nullptr) {
      size = needed;
      if (changes) {
        bytes = after_size_query;
      }
      return 0;
    }
    if (size < needed) {
      size = needed;
      return 234;  // ERROR_MORE_DATA
    }
    bytes.copy(data, bytes.size());
    size = needed;
    return 0;
  }
  std::int32_t RegCloseKey(sorvane::RegKey) override {
    --open;
    return 0;
  }
  std::string ToAnsi(std::u16string_view text) override {
    return sorvane::testing_support::Latin1ToAnsi(text);
  }
  std::u16string FromAnsi(std::string_view in) override {
    return double_byte ? sorvane::testing_support::DbcsFromAnsi(in)
                       : sorvane::testing_support::Latin1FromAnsi(in);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) {
    return 0;
  }
  OneValueRegistry registry;
  registry.type = data[0] % 9;  // REG_NONE .. REG_RESOURCE_LIST, REG_SZ = 1 among them
  registry.double_byte = (data[0] / 9) % 2 != 0;
  registry.key_exists = (data[1] & 1) != 0;
  registry.changes = (data[1] & 2) != 0;
  const std::string rest(reinterpret_cast<const char*>(data + 2), size - 2);
  const std::size_t split = data[1] >> 2 < rest.size() ? data[1] >> 2 : rest.size();
  registry.bytes = rest.substr(split);
  registry.after_size_query = rest.substr(0, split);
  const std::string read_bytes = registry.changes ? registry.after_size_query : registry.bytes;

  const std::optional<std::u16string> value =
      sorvane::GetRegString(registry, sorvane::kHkeyCurrentUser, u"Software\\Key", u"Value");
  Check(registry.open == 0);  // every key opened was closed
  // A value that changed between the queries is read again: grown or shrunk,
  // what it holds now is the result.
  const bool readable = registry.key_exists && registry.type == sorvane::kRegSz;
  Check(value.has_value() == readable);
  if (value) {
    // The text up to its first NUL, decoded from exactly the bytes stored: no
    // padding, and a lead byte before a NUL does not swallow it.
    const std::u16string text = registry.FromAnsi(read_bytes);
    Check(*value == text.substr(0, text.find(u'\0')));
    Check(value->find(u'\0') == std::u16string::npos);
  }
  return 0;
}
