#pragma once

// What every test of the Open against the real registry needs: the host's
// recent-web values cleared, and OLE on the test's thread.

#include <windows.h>

#include <gtest/gtest.h>
#include <ole2.h>
#include <shlwapi.h>

#include "common/win32_text.h"
#include "dialog/recent_web.h"

namespace sorvane::testing_support {

// Deletes the host's Recent Web List and File Name MRU keys with everything
// below them: the state of a host that has never opened a web.
inline void ClearHostValues() {
  ::SHDeleteKeyW(HKEY_CURRENT_USER, ToWide(kRecentWebListKey).c_str());
  ::SHDeleteKeyW(HKEY_CURRENT_USER, ToWide(kFileNameMruKey).c_str());
}

// OLE on this thread for the object's lifetime.
class OleApartment {
 public:
  OleApartment() { EXPECT_EQ(::OleInitialize(nullptr), S_OK); }
  ~OleApartment() { ::OleUninitialize(); }
  OleApartment(const OleApartment&) = delete;
  OleApartment& operator=(const OleApartment&) = delete;
};

}  // namespace sorvane::testing_support
