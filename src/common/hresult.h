#pragma once

// Failures inside the product are exceptions that carry an HRESULT. COM entry
// points, window procedures and event sinks turn them back into a status or a
// report; nothing else catches them.

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace sorvane {

using HResult = std::int32_t;

constexpr HResult HResultFromBits(std::uint32_t bits) {
  return static_cast<HResult>(bits);
}

inline constexpr HResult kSOk = 0;
inline constexpr HResult kEUnexpected = HResultFromBits(0x8000FFFFU);
inline constexpr HResult kEOutOfMemory = HResultFromBits(0x8007000EU);
inline constexpr HResult kEInvalidArg = HResultFromBits(0x80070057U);
inline constexpr HResult kEPointer = HResultFromBits(0x80004003U);
inline constexpr HResult kEFail = HResultFromBits(0x80004005U);
inline constexpr HResult kDispETypeMismatch = HResultFromBits(0x80020005U);
inline constexpr HResult kDispEOverflow = HResultFromBits(0x8002000AU);
inline constexpr HResult kDispEParamNotFound = HResultFromBits(0x80020004U);

// HRESULT_FROM_WIN32: a Win32 error code as a failure status (0 stays success).
constexpr HResult HResultFromWin32(std::int32_t error) {
  return error <= 0 ? error
                    : HResultFromBits(0x80070000U | (static_cast<std::uint32_t>(error) & 0xFFFFU));
}

constexpr bool Failed(HResult hr) {
  return hr < 0;
}

// The exception carries its status, what failed (a call's or a step's name,
// for the trace) and, where the failing party gave one, its own description of
// the failure (an automation exception's text). Making it never fails: a
// description that cannot be kept is dropped. It is thrown as a temporary and
// caught by reference, so it is never copied.
class HResultError : public std::exception {  // NOLINT(cert-err60-cpp): never copied, see above
 public:
  explicit HResultError(HResult code) noexcept;
  // `operation` is a literal (static storage), or null.
  HResultError(HResult code, std::u16string_view description,
               const char16_t* operation = nullptr) noexcept;
  HResult code() const noexcept { return code_; }
  // Empty when the failing party gave none.
  std::u16string_view description() const noexcept { return description_; }
  // Empty when the thrower did not say.
  std::u16string_view operation() const noexcept {
    return operation_ != nullptr ? operation_ : u"";
  }
  const char* what() const noexcept override { return text_; }

 private:
  HResult code_;
  char text_[24] = "HRESULT 0x00000000";
  const char16_t* operation_ = nullptr;
  std::u16string description_;
};

// Writes the status as eight upper-case hexadecimal digits.
template <typename Char>
constexpr void FormatHex(std::uint32_t value, Char* digits) noexcept {
  for (int i = 7; i >= 0; --i) {
    digits[i] = static_cast<Char>("0123456789ABCDEF"[value & 0xF]);
    value >>= 4;
  }
}

// Throws HResultError for a failure status; success statuses pass. `operation`
// (a literal) names what failed.
inline void ThrowIfFailed(HResult hr, const char16_t* operation = nullptr) {
  if (Failed(hr)) {
    throw HResultError(hr, {}, operation);
  }
}

// The status for the exception being handled: the carried code for our own
// errors, E_OUTOFMEMORY for std::bad_alloc, E_UNEXPECTED for anything else.
// Every boundary (COM method, window procedure, event sink, export) ends in
// the same one line, as WIL's CATCH_RETURN:
//   } catch (...) { return CaughtHResult(); }
// Call only inside a catch block.
HResult CaughtHResult() noexcept;

// The same status with the description the failure carried, and what failed
// (a literal's text), if it said.
struct CaughtFailure {
  HResult status;
  std::u16string description;
  std::u16string_view operation;
};
CaughtFailure CaughtFailureInfo() noexcept;

}  // namespace sorvane
