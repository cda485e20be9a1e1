#pragma once

// The "&Open" action of the dialog, one step after the other: take the host,
// normalise the text, show the hourglass, split the address, record the web as
// the newest recent web, have the host open it. The dialog then acts on the
// outcome: closes itself, or says why it stays.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/hresult.h"
#include "host/host.h"
#include "registry/mod_reg_api.h"

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
  // Tells the user that the web could not be opened, and why: `reason`, or
  // the system's description of `failure` where the reason is empty.
  virtual void ReportOpenFailure(HResult failure, std::u16string_view reason) = 0;
  // The address `text` stands for where it is one the dialog offered in a
  // shorter form (an https address offered without its scheme); else `text`.
  virtual std::u16string_view OfferedAddress(std::u16string_view text) const { return text; }
};

// What the action needs besides the dialog.
class OpenServices {
 public:
  virtual ~OpenServices() = default;
  // HostApp, the module-wide host Application, created on first use.
  virtual std::shared_ptr<host::Application> HostApp() = 0;
  virtual RegistryApi& Registry() = 0;
};

// ERROR_NO_UNICODE_TRANSLATION: the status of an Open refused because the
// address holds a character that the system's ANSI code page cannot store.
inline constexpr HResult kNoUnicodeTranslation = HResultFromBits(0x80070459U);

// The first character of `text` that `registry`'s code page cannot store as
// it is (it would come back as a look-alike or "?"); empty when none.
std::u16string FirstUnstorableCharacter(RegistryApi& registry, std::u16string_view text);

// What the user is told of it.
std::u16string UnstorableReason(std::u16string_view character);

// What the user is told when the recent-web entry "Web1" could not be written:
// executing the host's first recent web then would open whichever web the
// entry held before, so the Open is refused.
inline constexpr std::u16string_view kRecentWebsNotWrittenReason =
    u"The list of recent webs could not be written.";

// How an Open ended: the host opens the web; refused before anything was
// executed, with what the user is told; or failed at a step, with the status
// and the failing party's own text for it where it gave one. What was done
// before a refusal or failure stays done.
struct OpenOutcome {
  enum class Kind { kOpened, kRefused, kFailed };
  Kind kind = Kind::kOpened;
  HResult status = kSOk;
  std::u16string reason;  // refused: why; failed: the failing party's text, if any
};

// Runs the action. An address the code page cannot store is refused before
// anything is written; an entry that could not be written is refused before
// anything is executed. An earlier "Value" that could not be read is left as
// it was, not replaced by the new address alone.
OpenOutcome RunOpenAction(OpenDialogView& view, OpenServices& services) noexcept;

// Executes the first entry of File > "Recent W&ebs". The objects on the way
// there are released before the entry is executed.
void ExecuteFirstRecentWeb(host::Application& host);

// The click handler of "&Open": runs the action; on a failure or a refusal it
// puts the default pointer back, keeps the dialog and its text, and reports
// why. Returns the outcome: an opened web's dialog is for the caller to close.
OpenOutcome cmdOpen_Click(OpenDialogView& view, OpenServices& services) noexcept;

// The message shown when an Open fails: the fixed first line, then the
// system's description of the failure.
std::u16string OpenFailureMessage(std::u16string_view description);

}  // namespace sorvane
