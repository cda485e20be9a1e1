#pragma once

// The stand-in host's in-process face: the host interfaces of the add-in
// implemented directly on the command-bar model, with the same operation names,
// faults and object accounting as the COM face. Unit tests use it.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/host.h"
#include "model/command_bar_model.h"

namespace sorvane::standin {

class ModelHost {
 public:
  // Routes the model's "!<ProgID>" actions to the click handlers connected to
  // the button, while some object for that button is held.
  explicit ModelHost(Model& model);
  ModelHost(const ModelHost&) = delete;
  ModelHost& operator=(const ModelHost&) = delete;

  Model& model() { return model_; }

  std::unique_ptr<host::Application> NewApplication();
  // The Application as the host hands it to OnConnection.
  std::unique_ptr<host::Object> NewApplicationObject();
  // The add-in instance object, reporting `prog_id`.
  std::unique_ptr<host::Object> NewAddInInstance(std::u16string prog_id);
  // An object that is no Application (answers nothing).
  std::unique_ptr<host::Object> NewForeignObject();

  // Connected click handlers.
  std::size_t connections() const;

  // Bookkeeping of the face's objects.
  void ButtonHeld(const Control* control) { ++held_buttons_[control]; }
  void ButtonReleased(const Control* control);
  int Connect(const Control* control, host::ClickHandler& handler);
  void Disconnect(const Control* control, int cookie);

 private:
  void Deliver(const ControlPtr& control);

  struct Connection {
    int cookie;
    host::ClickHandler* handler;
  };
  Model& model_;
  std::map<const Control*, int> held_buttons_;
  std::map<const Control*, std::vector<Connection>> connections_;
  int next_cookie_ = 1;
};

}  // namespace sorvane::standin
