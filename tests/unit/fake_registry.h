#pragma once

// A registry for unit tests: in memory, with advapi32's ANSI semantics.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "registry/mod_reg_api.h"
#include "support/latin1_text.h"

namespace sorvane {

constexpr std::int32_t kFileNotFound = 2;
constexpr std::int32_t kMoreData = 234;
constexpr std::int32_t kAccessDenied = 5;

// An in-memory registry that behaves like advapi32's ANSI functions, counts the
// keys left open and fails the operations a test names. Its code page is
// Latin-1: characters above 255 become "?".
class FakeRegistry final : public RegistryApi {
 public:
  struct Value {
    std::uint32_t type = 0;
    std::string bytes;
  };
  using Values = std::map<std::string, Value>;

  std::map<std::string, Values> keys;  // by lower-case path
  bool fail_create = false;
  bool fail_set = false;
  bool fail_data_query = false;
  std::set<std::string> failing_sets;        // names whose writes fail
  std::function<void()> between_queries;     // runs after a size query
  std::function<void(std::string)> journal;  // told of every read and write
  int sets = 0;

  int open_keys() const { return static_cast<int>(open_.size()); }

  std::int32_t RegCreateKeyA(RegKey root, const std::string& path, RegKey& key) override {
    EXPECT_EQ(root, kHkeyCurrentUser);
    if (fail_create) {
      return kAccessDenied;
    }
    std::string prefix;
    for (std::size_t at = 0; at != std::string::npos;) {
      const std::size_t next = path.find('\\', at);
      prefix = Lower(path.substr(0, next));
      keys.try_emplace(prefix);  // every missing level
      at = next == std::string::npos ? next : next + 1;
    }
    return Open(path, key);
  }
  std::int32_t RegOpenKeyA(RegKey root, const std::string& path, RegKey& key) override {
    EXPECT_EQ(root, kHkeyCurrentUser);
    return keys.contains(Lower(path)) ? Open(path, key) : kFileNotFound;
  }
  std::int32_t RegSetValueExA(RegKey key, const std::string& name, std::uint32_t type,
                              const std::string& data, std::uint32_t size) override {
    ++sets;
    Note("RegSetValueExA " + name + " = " + data.substr(0, size));
    if (fail_set || failing_sets.contains(name)) {
      return kAccessDenied;
    }
    EXPECT_LE(size, data.size());
    ValuesOf(key)[name] = Value{type, data.substr(0, size)};
    return 0;
  }
  std::int32_t RegQueryValueExA(RegKey key, const std::string& name, std::uint32_t& type,
                                char* data, std::uint32_t& size) override {
    Note("RegQueryValueExA " + name + (data == nullptr ? " (size)" : " (data)"));
    const Values& values = ValuesOf(key);
    const auto found = values.find(name);
    if (data != nullptr && fail_data_query) {
      return kAccessDenied;
    }
    if (found == values.end()) {
      return kFileNotFound;
    }
    const Value value = found->second;
    type = value.type;
    const auto needed = static_cast<std::uint32_t>(value.bytes.size());
    if (data == nullptr) {
      size = needed;
      if (between_queries) {
        std::exchange(between_queries, nullptr)();
      }
      return 0;
    }
    if (size < needed) {
      size = needed;
      return kMoreData;
    }
    std::copy(value.bytes.begin(), value.bytes.end(), data);
    size = needed;
    return 0;
  }
  std::int32_t RegCloseKey(RegKey key) override {
    EXPECT_TRUE(open_.contains(key)) << "closing a key that is not open";
    open_.erase(key);
    return 0;
  }
  std::string ToAnsi(std::u16string_view text) override {
    return testing_support::Latin1ToAnsi(text);
  }
  std::u16string FromAnsi(std::string_view bytes) override {
    return testing_support::Latin1FromAnsi(bytes);
  }

  // Keys are found whatever the letter case of their path.
  static std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
  }

  // The value as stored, or null.
  Value* Find(const std::string& path, const std::string& name) {
    auto key = keys.find(Lower(path));
    if (key == keys.end()) {
      return nullptr;
    }
    auto value = key->second.find(name);
    return value == key->second.end() ? nullptr : &value->second;
  }

 private:
  void Note(std::string line) const {
    if (journal) {
      journal(std::move(line));
    }
  }
  std::int32_t Open(const std::string& path, RegKey& key) {
    key = next_handle_++;
    open_.insert(key);
    paths_[key] = Lower(path);
    return 0;
  }
  Values& ValuesOf(RegKey key) {
    EXPECT_TRUE(open_.contains(key)) << "key used while not open";
    return keys[paths_[key]];
  }
  RegKey next_handle_ = 0x100;
  std::set<RegKey> open_;
  std::map<RegKey, std::string> paths_;
};

}  // namespace sorvane
