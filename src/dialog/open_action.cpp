#include "dialog/open_action.h"

#include "common/trace.h"
#include "dialog/recent_web.h"
#include "dialog/web_address.h"

#include <utility>

namespace sorvane {

std::u16string FirstUnstorableCharacter(RegistryApi& registry, std::u16string_view text) {
  // Into the code page and back: what does not come back as it went is what
  // the registry would get changed.
  const std::u16string back = registry.FromAnsi(registry.ToAnsi(text));
  std::size_t at = 0;
  while (at < text.size() && at < back.size() && text[at] == back[at]) {
    ++at;
  }
  if (at == text.size() && back.size() == text.size()) {
    return {};
  }
  if (at == text.size()) {
    at = text.size() - 1;
  }
  const auto high = [](char16_t unit) { return unit >= 0xD800 && unit < 0xDC00; };
  const auto low = [](char16_t unit) { return unit >= 0xDC00 && unit < 0xE000; };
  if (at > 0 && low(text[at]) && high(text[at - 1])) {
    --at;
  }
  const std::size_t units = high(text[at]) && at + 1 < text.size() && low(text[at + 1]) ? 2 : 1;
  return std::u16string(text.substr(at, units));
}

std::u16string UnstorableReason(std::u16string_view character) {
  std::u16string reason =
      u"The address contains a character that this system's code page cannot store: ";
  return reason.append(character);
}

namespace {

// A refused Open: `what` is the step that refused it.
OpenOutcome Refused(std::u16string_view what, HResult status, std::u16string reason) {
  TraceFailure(u"Open", what, status, reason);
  return {OpenOutcome::Kind::kRefused, status, std::move(reason)};
}

OpenOutcome RunSteps(OpenDialogView& view, OpenServices& services) {
  const std::shared_ptr<host::Application> host = services.HostApp();

  const std::u16string typed = view.Text();
  const std::u16string_view meant = view.OfferedAddress(typed);
  const NormalisedAddress address = NormaliseWebAddress(meant);
  if (address.prefixed || meant != typed) {
    view.SetText(address.text);
  }
  view.SetMousePointer(kHourglassPointer);
  const WebAddress web = SplitWebAddress(address.text);

  RegistryApi& registry = services.Registry();
  // Before anything is written: the registry must get the address as typed.
  const std::u16string unstorable = FirstUnstorableCharacter(registry, address.text);
  if (!unstorable.empty()) {
    return Refused(u"storing the address in this code page", kNoUnicodeTranslation,
                   UnstorableReason(unstorable));
  }
  const std::u16string entry = RecentWebEntry(web);
  const RegStringRead previous =
      ReadRegString(registry, kHkeyCurrentUser, kFileNameMruKey, kFileNameMruValue);
  // The host opens whatever "Web1" holds: unwritten, it holds another web.
  const std::int32_t stored =
      SaveRegStringStatus(registry, kHkeyCurrentUser, kRecentWebListKey, kRecentWebValue, entry);
  if (stored != kErrorSuccess) {
    return Refused(u"writing the recent-web list", HResultFromWin32(stored),
                   std::u16string(kRecentWebsNotWrittenReason));
  }
  // An earlier list that could not be read stays as it is rather than being
  // replaced by this one address.
  if (previous.outcome != RegStringRead::Outcome::kFailed) {
    SaveRegString(registry, kHkeyCurrentUser, kFileNameMruKey, kFileNameMruValue,
                  MruValue(web, previous.text));
  }

  ExecuteFirstRecentWeb(*host);
  return {};
}

}  // namespace

OpenOutcome RunOpenAction(OpenDialogView& view, OpenServices& services) noexcept {
  try {
    return RunSteps(view, services);
  } catch (...) {
    CaughtFailure failure = CaughtFailureInfo();
    TraceFailure(u"Open", failure);
    return {OpenOutcome::Kind::kFailed, failure.status, std::move(failure.description)};
  }
}

void ExecuteFirstRecentWeb(host::Application& host) {
  std::unique_ptr<host::Control> first;
  {
    const auto bars = host.GetCommandBars();
    const auto file = bars->Item(u"File");
    const auto controls = file->GetControls();
    const auto recent_webs = controls->Item(u"Recent W&ebs");
    first = recent_webs->PopupControl(1);
  }
  first->Execute();
}

OpenOutcome cmdOpen_Click(OpenDialogView& view, OpenServices& services) noexcept {
  OpenOutcome outcome = RunOpenAction(view, services);
  if (outcome.kind == OpenOutcome::Kind::kOpened) {
    return outcome;
  }
  // A failed pointer reset must not keep the user from learning why the Open failed.
  try {
    view.SetMousePointer(kDefaultPointer);
  } catch (...) {  // NOLINT(bugprone-empty-catch)
  }
  try {
    view.ReportOpenFailure(outcome.status, outcome.reason);
  } catch (...) {
    // Nothing is left to tell the user with; the host must go on regardless.
    TraceCaughtFailure(u"Open's message");
  }
  return outcome;
}

std::u16string OpenFailureMessage(std::u16string_view description) {
  std::u16string text = u"The web could not be opened.";
  if (!description.empty()) {
    text.append(u"\n\n").append(description);
  }
  return text;
}

}  // namespace sorvane
