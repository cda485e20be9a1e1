#pragma once

// OLE on the test's thread, in the host's single-threaded apartment.

#include <windows.h>

#include <gtest/gtest.h>
#include <ole2.h>

namespace sorvane::testing_support {

class OleApartment {
 public:
  OleApartment() { EXPECT_EQ(::OleInitialize(nullptr), S_OK); }
  ~OleApartment() { ::OleUninitialize(); }
  OleApartment(const OleApartment&) = delete;
  OleApartment& operator=(const OleApartment&) = delete;
};

}  // namespace sorvane::testing_support
