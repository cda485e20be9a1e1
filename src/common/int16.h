#pragma once

// Positions and small counts are 16-bit signed integers; a value or sum that
// leaves that range is an overflow error (DISP_E_OVERFLOW), never a wrap.

#include <cstdint>
#include <limits>

#include "common/hresult.h"

namespace sorvane {

constexpr std::int16_t Narrow16(std::int64_t value) {
  if (value < std::numeric_limits<std::int16_t>::min() ||
      value > std::numeric_limits<std::int16_t>::max()) {
    throw HResultError(kDispEOverflow);
  }
  return static_cast<std::int16_t>(value);
}

constexpr std::int16_t Add16(std::int16_t a, std::int16_t b) {
  return Narrow16(std::int64_t{a} + b);
}

}  // namespace sorvane
