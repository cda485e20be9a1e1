#pragma once

// The stand-in host's main window: the host's menu bar, built from the
// command-bar model each time a menu opens, whose commands execute the
// model's controls as a user's choice does. It can go away and come back, as
// the real host's main window does, taking the windows it owns with it.

#include <windows.h>

#include <functional>
#include <map>
#include <vector>

#include "common/hresult.h"
#include "common/win32_handles.h"
#include "model/command_bar_model.h"

namespace sorvane::standin {

class MainWindow {
 public:
  // `report` hears of a failure inside the window's handlers; `closed`, of the
  // user closing the window.
  MainWindow(Model& model, std::function<void(HResult)> report, std::function<void()> closed);
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;
  ~MainWindow() = default;

  HWND hwnd() const { return window_.get(); }

  // Destroys the window, and with it every window it owns, and makes a new one.
  void Restart();

  // A user's click on `control`: the window comes to the front and the click
  // arrives through the message loop.
  void Click(ControlPtr control);

  // Opens the File menu as a user does and calls `while_open` once it shows.
  void WithFileMenuOpen(std::function<void()> while_open);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam,
                                     LPARAM lparam) noexcept;
  bool Handle(UINT message, WPARAM wparam, LPARAM lparam);
  void Create();
  void FillMenu(HMENU menu);

  Model& model_;
  std::function<void(HResult)> report_;
  std::function<void()> closed_;
  UniqueWindow window_;
  std::map<HMENU, const Bar*> bar_menus_;
  std::map<HMENU, ControlPtr> popup_menus_;
  std::vector<ControlPtr> menu_commands_;
  std::vector<ControlPtr> clicks_;  // posted, not yet delivered
  std::function<void()> while_menu_open_;
};

}  // namespace sorvane::standin
