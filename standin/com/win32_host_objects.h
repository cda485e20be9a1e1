#pragma once

// The stand-in host's COM face: FrontPage's Application and the Office command
// bars over the command-bar model, reached through IDispatch by name. It checks
// arguments as strictly as the host's type information declares them, so that
// the add-in's marshalling is tested from this side; fails operations on
// request (fault injection); and counts every object it hands out.

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "common/win32_com.h"
#include "model/command_bar_model.h"

namespace sorvane::standin::com {

// What the COM face shares between its objects: the model, the button-event
// connections, and how many references to each control are out.
class HostFace {
 public:
  explicit HostFace(Model& model);
  HostFace(const HostFace&) = delete;
  HostFace& operator=(const HostFace&) = delete;

  Model& model() { return model_; }

  // A new Application object (the host's own reference, for OnConnection).
  ComPtr<IDispatch> NewApplication();
  // A new add-in instance object reporting `prog_id`.
  ComPtr<IDispatch> NewAddInInstance(std::u16string prog_id);
  // The class object for FrontPage's Application class.
  ComPtr<IClassFactory> NewApplicationClass();

  // Raises Click on the button's event sinks, if the add-in holds the button,
  // with CancelDefault as given (and as the sinks leave it). Returns the number
  // of sinks that took it.
  int RaiseClick(const ControlPtr& button, VARIANT_BOOL* cancel_default = nullptr);
  // The event sinks advised on a button.
  std::vector<ComPtr<IDispatch>> SinksOf(const Control* button) const;
  // Lets go of every sink, as the host does with the connections of controls
  // it deleted.
  void DropSinks() { sinks_.clear(); }

  // Button events: connection bookkeeping.
  DWORD Advise(const Control* button, ComPtr<IDispatch> sink);
  bool Unadvise(const Control* button, DWORD cookie);
  std::size_t sinks() const;

  // References out to objects that stand for a control.
  void ControlObjectCreated(const Control* control) { ++control_objects_[control]; }
  void ControlObjectDestroyed(const Control* control);

 private:
  struct Sink {
    DWORD cookie;
    ComPtr<IDispatch> events;
  };
  Model& model_;
  std::map<const Control*, std::vector<Sink>> sinks_;
  std::map<const Control*, int> control_objects_;
  DWORD next_cookie_ = 1;
};

// Registers a class object with COM for this process, until destroyed.
class ClassRegistration {
 public:
  ClassRegistration(const GUID& clsid, IUnknown* factory);
  ~ClassRegistration();
  ClassRegistration(const ClassRegistration&) = delete;
  ClassRegistration& operator=(const ClassRegistration&) = delete;

 private:
  DWORD cookie_ = 0;
};

}  // namespace sorvane::standin::com
