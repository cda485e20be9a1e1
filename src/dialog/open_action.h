#pragma once

// The "&Open" action of the dialog: from the typed text to the hand-off of the
// server and web parts.

#include <cstdint>
#include <string>
#include <string_view>

#include "common/hresult.h"
#include "dialog/web_address.h"

namespace sorvane {

inline constexpr std::int16_t kDefaultPointer = 0;
inline constexpr std::int16_t kHourglassPointer = 11;

// What the action needs of the dialog.
class OpenDialogView {
 public:
  virtual ~OpenDialogView() = default;
  virtual std::u16string Text() const = 0;
  virtual void SetText(std::u16string_view text) = 0;
  virtual void SetMousePointer(std::int16_t pointer) = 0;
  // Tells the user that the web could not be opened, and why.
  virtual void ReportOpenFailure(HResult failure) = 0;
};

// Receives the split address; it records the web and has the host open it.
class WebOpener {
 public:
  virtual ~WebOpener() = default;
  virtual void OpenWeb(const WebAddress& address) = 0;
};

// Normalises the text (writing it back when prefixed), shows the hourglass,
// splits the address and hands it on. Errors propagate.
void RunOpenAction(OpenDialogView& view, WebOpener& opener);

// The click handler of "&Open": runs the action; on failure it puts the default
// pointer back, keeps the dialog and its text, and reports the failure.
void cmdOpen_Click(OpenDialogView& view, WebOpener& opener) noexcept;

// The message shown when an Open fails: the fixed first line, then the
// system's description of the failure.
std::u16string OpenFailureMessage(std::u16string_view description);

}  // namespace sorvane
