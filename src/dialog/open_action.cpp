#include "dialog/open_action.h"

namespace sorvane {

void RunOpenAction(OpenDialogView& view, WebOpener& opener) {
  NormalisedAddress address = NormaliseWebAddress(view.Text());
  if (address.prefixed) {
    view.SetText(address.text);
  }
  view.SetMousePointer(kHourglassPointer);
  opener.OpenWeb(SplitWebAddress(address.text));
}

void cmdOpen_Click(OpenDialogView& view, WebOpener& opener) noexcept {
  HResult failure = kSOk;
  try {
    RunOpenAction(view, opener);
    return;
  } catch (...) {
    failure = HResultFromCurrentException();
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
