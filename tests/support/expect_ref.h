#pragma once

// Reference counts checked as Wine's conformance tests check them: the count
// an AddRef/Release pair reports, at the caller's line.

#include <windows.h>

#include <unknwn.h>
#include <wrl/client.h>

namespace sorvane::testing_support {

// Defined apart (expect_ref.cpp): the static analyzer cannot follow a
// reference count, and seen inline, this Release looks like the last one.
ULONG RefCount(IUnknown* object);

// `object` as `Interface`, or null: another reference the analyzer need not
// follow (several references to one object going in one function look to it
// like one object freed several times).
HRESULT QueryInto(IUnknown* object, REFIID iid, void** out);
template <typename Interface>
Microsoft::WRL::ComPtr<Interface> Query(IUnknown* object) {
  Microsoft::WRL::ComPtr<Interface> answered;
  QueryInto(object, __uuidof(Interface), reinterpret_cast<void**>(answered.GetAddressOf()));
  return answered;
}

}  // namespace sorvane::testing_support

// NOLINTNEXTLINE(cppcoreguidelines-macro-usage): reports the caller's line, as a macro must
#define EXPECT_REF(object, expected)                                                    \
  EXPECT_EQ(::sorvane::testing_support::RefCount(object), static_cast<ULONG>(expected)) \
      << "references to " #object
