#pragma once

// The status a call fails with, as the product's errors carry it; S_OK when
// it does not fail.

#include <functional>

#include "common/hresult.h"

namespace sorvane::testing_support {

inline HResult FailureOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const HResultError& error) {
    return error.code();
  }
  return kSOk;
}

}  // namespace sorvane::testing_support
