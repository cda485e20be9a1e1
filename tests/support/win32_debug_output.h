#pragma once

// What this process writes with OutputDebugString, caught where a debugger
// would see it: OutputDebugString raises DBG_PRINTEXCEPTION_C (or its wide
// form) and a vectored handler, called first, takes the text and lets the
// exception go on. The add-in module writes only while a debug-output viewer
// runs: the first recorder of a process poses as one (it maps "DBWIN_BUFFER";
// without the viewer's events OutputDebugString does not wait for it) and
// waits out the module's memory of there being none. The module's lines are
// caught whether it was loaded as a DLL or linked into the test program
// (which then writes them as the module does).

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "common/trace.h"

namespace sorvane::testing_support {

// The name a failed host call has in the trace: the stand-in's operation
// "Interface.Member" (a put "Member=") without its interface.
inline std::u16string TracedName(std::string_view operation) {
  std::string_view member = operation.substr(operation.rfind('.') + 1);
  if (member.ends_with('=')) {
    member.remove_suffix(1);
  }
  return {member.begin(), member.end()};
}

class DebugOutput {
 public:
  DebugOutput() {
    static const HANDLE viewer = [] {
      const HANDLE buffer = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                                 4096, L"DBWIN_BUFFER");
      ::Sleep(250);  // the module asks again after 100 ms
      return buffer;
    }();
    (void)viewer;
    Lines().clear();
    SetTraceSink(&Write);
    handler_ = ::AddVectoredExceptionHandler(1, &Take);
  }
  ~DebugOutput() {
    ::RemoveVectoredExceptionHandler(handler_);
    SetTraceSink(nullptr);
  }
  DebugOutput(const DebugOutput&) = delete;
  DebugOutput& operator=(const DebugOutput&) = delete;

  // The lines so far that contain `text` (u"Sorvane: " for all of the add-in's,
  // u" failed 0x" for its failures).
  static std::vector<std::u16string> Containing(std::u16string_view text) {
    std::vector<std::u16string> found;
    for (const std::u16string& line : Lines()) {
      if (line.find(text) != std::u16string::npos) {
        found.push_back(line);
      }
    }
    return found;
  }

 private:
  static constexpr DWORD kPrint = 0x40010006;      // DBG_PRINTEXCEPTION_C
  static constexpr DWORD kPrintWide = 0x4001000A;  // DBG_PRINTEXCEPTION_WIDE_C

  static std::vector<std::u16string>& Lines() {
    static std::vector<std::u16string> lines;
    return lines;
  }
  static void Write(const char16_t* line) noexcept {
    ::OutputDebugStringW(reinterpret_cast<const wchar_t*>(line));
  }
  static LONG CALLBACK Take(EXCEPTION_POINTERS* pointers) {
    const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
    if (record.NumberParameters < 2) {
      return EXCEPTION_CONTINUE_SEARCH;
    }
    const auto length = static_cast<std::size_t>(record.ExceptionInformation[0]);
    if (record.ExceptionCode == kPrintWide) {
      const auto* text = reinterpret_cast<const char16_t*>(record.ExceptionInformation[1]);
      Lines().emplace_back(text, length > 0 ? length - 1 : 0);
      // Windows raises the wide form first and, unhandled, the narrow one
      // with the same text: that one is the same line.
      skip_narrow_ = true;
    } else if (record.ExceptionCode == kPrint) {
      if (!skip_narrow_) {
        const auto* text = reinterpret_cast<const char*>(record.ExceptionInformation[1]);
        std::u16string line;
        for (std::size_t i = 0; i + 1 < length; ++i) {
          line.push_back(static_cast<unsigned char>(text[i]));
        }
        Lines().push_back(std::move(line));
      }
      skip_narrow_ = false;
    }
    return EXCEPTION_CONTINUE_SEARCH;
  }

  static inline bool skip_narrow_ = false;
  PVOID handler_ = nullptr;
};

}  // namespace sorvane::testing_support
