// The C++ runtime's own error paths, as this module raises them.
//
// libstdc++ reports a too-long string or an index out of range through these
// functions, which build std::length_error and friends. Those carry the old
// copy-on-write std::string, and linking them statically pulls a second string
// implementation, its exception classes and std::random_device into the
// module: about 100 KiB of a 250 KiB module, for errors that never name more
// than an HRESULT here. Defined in the module, they replace the library's
// member (which is then not linked; a clash would fail the link) and raise
// what every other failure inside the module raises: std::bad_alloc for a
// request the heap cannot satisfy, an HResultError otherwise.

#include <new>

#include "common/hresult.h"

// NOLINTBEGIN(cert-dcl58-cpp,bugprone-reserved-identifier,readability-identifier-naming)
namespace std {

void __throw_bad_alloc() {
  throw std::bad_alloc();
}

void __throw_bad_array_new_length() {
  throw std::bad_array_new_length();
}

// A string or vector asked to grow beyond what it can address.
void __throw_length_error(const char* /*what*/) {
  throw std::bad_alloc();
}

void __throw_logic_error(const char* /*what*/) {
  throw sorvane::HResultError(sorvane::kEUnexpected);
}

void __throw_out_of_range_fmt(const char* /*format*/, ...) {
  throw sorvane::HResultError(sorvane::kEUnexpected);
}

}  // namespace std
// NOLINTEND(cert-dcl58-cpp,bugprone-reserved-identifier,readability-identifier-naming)
