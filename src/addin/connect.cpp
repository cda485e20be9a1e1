#include "addin/connect.h"

#include <utility>

#include "common/trace.h"

namespace sorvane {

void ButtonEvents::Assign(std::unique_ptr<host::Button> button) {
  std::unique_ptr<host::EventConnection> connection =
      button != nullptr ? button->ConnectClick(handler_) : nullptr;
  connection_ = std::move(connection);  // the previous connection ends here
  button_ = std::move(button);
}

void Connect::IDTExtensibility2_OnConnection(host::Object& application, std::int32_t connect_mode,
                                             host::Object& add_in_inst) {
  fpApp_ = application.AsApplication();
  p_ctlBtnEvents_.Assign(module_.FileMenu().AddOpenButton(application, connect_mode, add_in_inst));
  p_ctlBtnEvents_.get()->SetEnabled(true);
}

void Connect::IDTExtensibility2_OnDisconnection(std::int32_t /*remove_mode*/) {
  // HostApp where the module has made it; otherwise the Application this
  // connection was given. At the host's shutdown its class may already be
  // gone, and activating it then would start a second host.
  ModuleHeld<host::Application> host = module_.HostAppIfMade();
  if (host == nullptr) {
    host = fpApp_ != nullptr ? fpApp_ : module_.HostApp();
  }
  fpApp_ = std::move(host);
  FileMenuCommand::RemoveOpenButton(*fpApp_);
}

void Connect::AddInInstance_OnDisconnection() noexcept {
  try {
    p_ctlBtnEvents_.Assign(nullptr);
  } catch (...) {  // this handler goes on past every error
    TraceCaughtFailure(u"AddInInstance_OnDisconnection");
  }
}

void Connect::p_ctlBtnEvents_Click() noexcept {
  try {
    module_.ShowOpenForm();
  } catch (...) {
    module_.ReportClickFailure(TraceCaught(u"Click"));
  }
}

}  // namespace sorvane
