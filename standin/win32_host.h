#pragma once

// The stand-in host in the calling process: its state (command bars whose
// "Recent W&ebs" come from the host's registry values, faults, journal,
// policies), its COM face with FrontPage's Application class registered for
// add-ins to create, its add-ins, and its main window. The program and the
// tests that play the host both use it.

#include <deque>
#include <functional>
#include <optional>

#include "com/win32_host_face.h"
#include "model/host_state.h"
#include "win32_addins.h"
#include "win32_main_window.h"

namespace sorvane::standin {

class Host {
 public:
  // `report` hears of failures inside the main window's handlers (none: ignored).
  explicit Host(std::function<void(HResult)> report = nullptr,
                std::function<void()> window_closed = nullptr);
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;
  ~Host() = default;

  HostState& state() { return state_; }
  Model& model() { return state_.model(); }
  com::HostFace& face() { return face_; }
  AddIns& add_ins() { return add_ins_; }
  MainWindow& window() { return window_; }

  // Stops answering for the application class: creating the host then fails
  // as it does when the host is not running.
  void RevokeApplicationClass() { application_class_.reset(); }
  // Revokes it as a host does at shutdown: an activation that still comes is
  // journalled and refused (CO_E_SERVER_STOPPING), where COM would otherwise
  // start a second host.
  void StopApplicationClass();

  // A user's click on a File-bar control, through the message loop.
  void Click(const ControlPtr& control) { window_.Click(control); }

  // Runs `work` the next time the host is busy opening a web (policy
  // execute-pumps), between rounds of its message pump.
  void DuringExecute(std::function<void()> work) { during_execute_.push_back(std::move(work)); }
  // Told when the host's busy time begins (true) and ends (false).
  void set_busy_observer(std::function<void(bool)> observer) {
    busy_observer_ = std::move(observer);
  }

  // How long the host pumps messages while it opens a web.
  static constexpr DWORD kBusyMilliseconds = 150;

 private:
  void Busy();

  HostState state_;
  com::HostFace face_;
  std::optional<com::ClassRegistration> application_class_;
  std::optional<com::ClassRegistration> stopped_class_;
  AddIns add_ins_;
  MainWindow window_;
  std::deque<std::function<void()>> during_execute_;
  std::function<void(bool)> busy_observer_;
};

// Translates and dispatches every message waiting on this thread, as the
// host's loop does (never IsDialogMessage); a WM_QUIT is put back.
void PumpWaitingMessages();

}  // namespace sorvane::standin
