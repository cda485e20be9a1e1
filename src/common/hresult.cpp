#include "common/hresult.h"

#include <new>

namespace sorvane {

HResultError::HResultError(HResult code) noexcept : code_(code) {
  FormatHex(static_cast<std::uint32_t>(code), text_ + 10);
}

HResultError::HResultError(HResult code, std::u16string_view description,
                           const char16_t* operation) noexcept
    : HResultError(code) {
  operation_ = operation;
  try {
    description_.assign(description);
  } catch (...) {  // NOLINT(bugprone-empty-catch): the status alone is still the failure
  }
}

CaughtFailure CaughtFailureInfo() noexcept {
  const HResult status = CaughtHResult();
  try {
    throw;
  } catch (const HResultError& error) {
    try {
      return {status, std::u16string(error.description()), error.operation()};
    } catch (...) {
      return {status, {}, error.operation()};
    }
  } catch (...) {
    return {status, {}, {}};
  }
}

HResult CaughtHResult() noexcept {
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
