#include "common/trace.h"

#include <atomic>
#include <cstddef>

namespace sorvane {
namespace {

std::atomic<TraceSink> gSink{nullptr};

// One line, made in place: no allocation, so a line can say "out of memory".
// Line breaks and tabs in a text become spaces; a longer line is cut.
class Line {
 public:
  Line& Add(std::u16string_view text) noexcept {
    for (const char16_t unit : text) {
      if (size_ == kTraceLineLimit) {
        break;
      }
      text_[size_++] = unit == u'\r' || unit == u'\n' || unit == u'\t' ? u' ' : unit;
    }
    return *this;
  }
  void Write(TraceSink sink) noexcept {
    text_[size_] = u'\0';
    sink(text_);
  }

 private:
  char16_t text_[kTraceLineLimit + 1] = {};
  std::size_t size_ = 0;
};

}  // namespace

void SetTraceSink(TraceSink sink) noexcept {
  gSink.store(sink, std::memory_order_relaxed);
}

void TraceFailure(std::u16string_view where, std::u16string_view what, HResult status,
                  std::u16string_view text) noexcept {
  const TraceSink sink = gSink.load(std::memory_order_relaxed);
  if (sink == nullptr) {
    return;
  }
  char16_t hex[8];
  FormatHex(static_cast<std::uint32_t>(status), hex);
  Line line;
  line.Add(u"Sorvane: ").Add(where).Add(u": ").Add(what.empty() ? u"a call" : what);
  line.Add(u" failed 0x").Add({hex, 8});
  if (!text.empty()) {
    line.Add(u" ").Add(text);
  }
  line.Write(sink);
}

void TraceFailure(std::u16string_view where, const CaughtFailure& failure) noexcept {
  TraceFailure(where, failure.operation, failure.status, failure.description);
}

void TraceCaughtFailure(std::u16string_view where) noexcept {
  if (gSink.load(std::memory_order_relaxed) != nullptr) {
    TraceFailure(where, CaughtFailureInfo());
  }
}

HResult TraceCaught(std::u16string_view where) noexcept {
  TraceCaughtFailure(where);
  return CaughtHResult();
}

void TraceEvent(std::u16string_view event) noexcept {
  if (const TraceSink sink = gSink.load(std::memory_order_relaxed)) {
    Line line;
    line.Add(u"Sorvane: ").Add(event).Write(sink);
  }
}

}  // namespace sorvane
