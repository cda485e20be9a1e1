#include "common/hresult.h"

#include <cstdio>
#include <new>
#include <string>

namespace sorvane {

namespace {
std::string Describe(HResult code) {
  char text[32];
  std::snprintf(text, sizeof text, "HRESULT 0x%08X", static_cast<unsigned>(code));
  return text;
}
}  // namespace

HResultError::HResultError(HResult code) : std::runtime_error(Describe(code)), code_(code) {}

HResult HResultFromCurrentException() noexcept {
  try {
    throw;
  } catch (const HResultError& error) {
    return error.code();
  } catch (const std::bad_alloc&) {
    return kEOutOfMemory;
  } catch (...) {
    return kEUnexpected;
  }
}

}  // namespace sorvane
