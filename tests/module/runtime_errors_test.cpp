// The C++ runtime's own error paths as the module raises them: compiled and
// linked as the module is, so that the module's definitions replace the
// library's. Prints one line per case; exits 1 if any case fails.

#include <cstdio>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "common/hresult.h"

namespace {

struct Case {
  const char* name;
  std::function<void()> run;
  sorvane::HResult expected;  // E_OUTOFMEMORY: std::bad_alloc
};

sorvane::HResult Outcome(const std::function<void()>& run) {
  try {
    run();
  } catch (...) {
    return sorvane::CaughtHResult();
  }
  return sorvane::kSOk;
}

}  // namespace

int main() {
  const Case cases[] = {
      {"a string longer than it can address",
       [] {
         std::string text;
         text.reserve(text.max_size() + 1);
       },
       sorvane::kEOutOfMemory},
      {"a vector longer than it can address",
       [] {
         std::vector<int> numbers;
         numbers.reserve(numbers.max_size() + 1);
       },
       sorvane::kEOutOfMemory},
      {"an index out of range",
       [] {
         const std::vector<int> numbers(3);
         static_cast<void>(numbers.at(7));
       },
       sorvane::kEUnexpected},
      {"a substring past the end",
       [] {
         const std::u16string text = u"ab";
         static_cast<void>(text.substr(5));
       },
       sorvane::kEUnexpected},
  };
  int failed = 0;
  for (const Case& c : cases) {
    const sorvane::HResult got = Outcome(c.run);
    const bool ok = got == c.expected;
    failed += ok ? 0 : 1;
    std::printf("%s: %s (0x%08X)\n", ok ? "ok" : "FAILED", c.name, static_cast<unsigned>(got));
  }
  return failed == 0 ? 0 : 1;
}
