#include "addin/mod_shared.h"

#include <string>

#include "common/int16.h"

namespace sorvane {

std::unique_ptr<host::Button> FileMenuCommand::AddOpenButton(host::Object& application,
                                                             std::int32_t /*connect_mode*/,
                                                             host::Object& add_in_inst) {
  references_.set_gFPApp(application.AsApplication());
  const std::unique_ptr<host::CommandBar> file =
      references_.gFPApp()->GetCommandBars()->Item(u"File");

  if (const std::unique_ptr<host::Control> found = file->FindControl(kButtonTag)) {
    return found->AsButton();
  }

  // After the last "Open &Web..." of HostApp's File bar; 0 when there is none.
  std::int16_t position = 0;
  references_.HostApp()->GetCommandBars()->Item(u"File")->GetControls()->ForEach(
      [&](host::Control& control) {
        if (control.Caption() == kOpenWebCaption) {
          position = Narrow16(std::int64_t{control.Index()} + 1);
        }
      });

  std::unique_ptr<host::Button> button =
      file->GetControls()->Add(kControlButton, kButtonTag, position);
  button->SetCaption(kButtonCaption);
  button->SetTag(kButtonTag);
  button->SetOnAction(u"!<" + add_in_inst.TextProperty(u"ProgId") + u">");
  return button;
}

void FileMenuCommand::RemoveOpenButton(host::Application& application) {
  application.GetCommandBars()->Item(u"File")->GetControls()->Item(kButtonCaption)->Delete();
}

}  // namespace sorvane
