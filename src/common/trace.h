#pragma once

// What a support person reads with a debug-output viewer (or Wine prints with
// WINEDEBUG=warn+debugstr): one line for each failure, written by the boundary
// that handled it, and one each for the module's load and unload and the
// add-in's connection and disconnection. Nothing is kept; until a sink is set
// (the module sets OutputDebugStringW's) nothing is written at all.
//   Sorvane: <where>: <what> failed 0x<HRESULT> <the failing party's text>

#include <cstddef>
#include <string_view>

#include "common/hresult.h"

namespace sorvane {

// A line reaches the sink NUL-terminated, at most kTraceLineLimit units long.
inline constexpr std::size_t kTraceLineLimit = 512;
using TraceSink = void (*)(const char16_t* line) noexcept;
void SetTraceSink(TraceSink sink) noexcept;

// `what` empty: "a call" (the thrower did not say). Line breaks in `text` are
// written as spaces, and a longer line is cut, so that a failure is one line.
void TraceFailure(std::u16string_view where, std::u16string_view what, HResult status,
                  std::u16string_view text) noexcept;
void TraceFailure(std::u16string_view where, const CaughtFailure& failure) noexcept;
// The failure being handled: call only inside a catch block.
void TraceCaughtFailure(std::u16string_view where) noexcept;
// The failure being handled, traced, and its status: the one line that ends
// a boundary's catch block.
HResult TraceCaught(std::u16string_view where) noexcept;
// "Sorvane: <event>"
void TraceEvent(std::u16string_view event) noexcept;

}  // namespace sorvane
