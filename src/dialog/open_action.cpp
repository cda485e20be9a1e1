#include "dialog/open_action.h"

#include "dialog/recent_web.h"
#include "dialog/web_address.h"

namespace sorvane {

void RunOpenAction(OpenDialogView& view, OpenServices& services) {
  const std::shared_ptr<host::Application> host = services.HostApp();

  const NormalisedAddress address = NormaliseWebAddress(view.Text());
  if (address.prefixed) {
    view.SetText(address.text);
  }
  view.SetMousePointer(kHourglassPointer);
  const WebAddress web = SplitWebAddress(address.text);

  RegistryApi& registry = services.Registry();
  const std::u16string entry = RecentWebEntry(web);
  const std::u16string previous =
      GetRegString(registry, kHkeyCurrentUser, kFileNameMruKey, kFileNameMruValue)
          .value_or(std::u16string());
  const std::u16string mru = MruValue(web, previous);
  SaveRegString(registry, kHkeyCurrentUser, kRecentWebListKey, kRecentWebValue, entry);
  SaveRegString(registry, kHkeyCurrentUser, kFileNameMruKey, kFileNameMruValue, mru);

  ExecuteFirstRecentWeb(*host);
  services.UnloadOpenForm(view);
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

void cmdOpen_Click(OpenDialogView& view, OpenServices& services) noexcept {
  HResult failure = kSOk;
  try {
    RunOpenAction(view, services);
    return;
  } catch (...) {
    failure = CaughtHResult();
  }
  // A failed pointer reset must not keep the user from learning why the Open failed.
  try {
    view.SetMousePointer(kDefaultPointer);
  } catch (...) {  // NOLINT(bugprone-empty-catch)
  }
  try {
    view.ReportOpenFailure(failure);
  } catch (...) {  // NOLINT(bugprone-empty-catch)
    // Nothing is left to tell the user with; the host must go on regardless.
  }
}

std::u16string OpenFailureMessage(std::u16string_view description) {
  std::u16string text = u"The web could not be opened.";
  if (!description.empty()) {
    text.append(u"\n\n").append(description);
  }
  return text;
}

}  // namespace sorvane
