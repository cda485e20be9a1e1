#include "common/hresult.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>

namespace sorvane {
namespace {

HResult StatusOf(void (*raise)()) {
  try {
    raise();
  } catch (...) {
    return CaughtHResult();
  }
  return kSOk;
}

// Every boundary turns what reaches it into a status: ours carry theirs, the
// runtime's out-of-memory is E_OUTOFMEMORY, anything else E_UNEXPECTED.
TEST(CaughtHResult, MapsEachKindOfException) {
  EXPECT_EQ(StatusOf([] { throw HResultError(kDispEOverflow); }), kDispEOverflow);
  EXPECT_EQ(StatusOf([] { throw HResultError(HResultFromBits(0x00000001U)); }), 1)
      << "a success status carried as an error stays what it is";
  EXPECT_EQ(StatusOf([] { throw std::bad_alloc(); }), kEOutOfMemory);
  EXPECT_EQ(StatusOf([] { throw std::runtime_error("text"); }), kEUnexpected);
  EXPECT_EQ(StatusOf([] { throw 42; }), kEUnexpected);
}

TEST(HResultError, SaysItsStatusInHexadecimal) {
  EXPECT_STREQ(HResultError(HResultFromBits(0x8002000AU)).what(), "HRESULT 0x8002000A");
  EXPECT_STREQ(HResultError(0).what(), "HRESULT 0x00000000");
  EXPECT_STREQ(HResultError(HResultFromBits(0xFFFFFFFFU)).what(), "HRESULT 0xFFFFFFFF");
}

TEST(ThrowIfFailed, ThrowsFailuresOnlyWithTheirStatus) {
  EXPECT_NO_THROW(ThrowIfFailed(kSOk));
  EXPECT_NO_THROW(ThrowIfFailed(1)) << "S_FALSE is a success";
  try {
    ThrowIfFailed(kEFail);
    FAIL() << "no exception";
  } catch (const HResultError& error) {
    EXPECT_EQ(error.code(), kEFail);
  }
}

}  // namespace
}  // namespace sorvane
