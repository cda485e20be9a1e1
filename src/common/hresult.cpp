#include "common/hresult.h"

#include <new>

namespace sorvane {

HResultError::HResultError(HResult code) noexcept : code_(code) {
  FormatHex(static_cast<std::uint32_t>(code), text_ + 10);
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
