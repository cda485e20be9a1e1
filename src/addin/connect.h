#pragma once

// Connect: the add-in object the host creates. It ties the File-menu command
// to the life of a connection: at connection it holds the host Application,
// gets the button and starts receiving its clicks; a click shows the dialog;
// at disconnection it deletes the button.

#include <cstdint>
#include <memory>

#include "addin/mod_shared.h"
#include "common/hresult.h"
#include "host/host.h"

namespace sorvane {

// What Connect needs of the module it lives in.
class AddInModule {
 public:
  virtual ~AddInModule() = default;
  virtual ModuleHeld<host::Application> HostApp() = 0;
  // HostApp if it has been made; null otherwise.
  virtual ModuleHeld<host::Application> HostAppIfMade() = 0;
  virtual FileMenuCommand& FileMenu() = 0;
  // Creates the dialog on first use and makes it visible.
  virtual void ShowOpenForm() = 0;
  // Tells the user that a click could not be carried out, and why.
  virtual void ReportClickFailure(HResult failure) noexcept = 0;
};

// An event-receiving reference to a button (p_ctlBtnEvents): while it holds a
// button, the button's clicks go to its handler.
class ButtonEvents {
 public:
  explicit ButtonEvents(host::ClickHandler& handler) : handler_(handler) {}
  // Holds `button` (or nothing) instead of the previous one: connects to the
  // new button first, so a failure leaves the previous one in place, then
  // ends the previous connection and releases that button.
  void Assign(std::unique_ptr<host::Button> button);
  host::Button* get() const noexcept { return button_.get(); }

 private:
  host::ClickHandler& handler_;
  std::unique_ptr<host::Button> button_;
  std::unique_ptr<host::EventConnection> connection_;
};

class Connect final : private host::ClickHandler {
 public:
  explicit Connect(AddInModule& module) : module_(module), p_ctlBtnEvents_(*this) {}

  void IDTExtensibility2_OnConnection(host::Object& application, std::int32_t connect_mode,
                                      host::Object& add_in_inst);
  void IDTExtensibility2_OnDisconnection(std::int32_t remove_mode);
  // Ignores every error.
  void AddInInstance_OnDisconnection() noexcept;
  // The button's Click: shows the dialog; a failure is reported, never raised.
  void p_ctlBtnEvents_Click() noexcept;

  const ConnectionHeld<host::Application>& fpApp() const noexcept { return fpApp_; }
  host::Button* button() const noexcept { return p_ctlBtnEvents_.get(); }

 private:
  void OnClick() override { p_ctlBtnEvents_Click(); }

  AddInModule& module_;
  // The Application handed to the connection; after a disconnection HostApp,
  // or the connection's own where HostApp was never made.
  ConnectionHeld<host::Application> fpApp_;
  // The File-menu button, its clicks delivered while it is held here.
  ButtonEvents p_ctlBtnEvents_;
};

}  // namespace sorvane
