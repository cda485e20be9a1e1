#pragma once

// The stand-in host's COM face: FrontPage's Application and the Office
// command bars over the host state, reached through IDispatch by name, one
// object kind per file (win32_application.cpp, win32_command_bars.cpp, ...).
// It checks calls as strictly as the host's type information declares them,
// journals each one, fails operations on request and counts every object it
// hands out.

#include <windows.h>

#include <ocidl.h>

#include <memory>
#include <string>
#include <vector>

#include "common/win32_com.h"
#include "model/host_state.h"

namespace sorvane::standin::com {

class HostFace {
 public:
  explicit HostFace(HostState& state) : state_(state) {}
  HostFace(const HostFace&) = delete;
  HostFace& operator=(const HostFace&) = delete;

  HostState& state() const { return state_; }

  // A new reference to the host's Application (what OnConnection is given).
  ComPtr<IDispatch> NewApplication();
  // A new add-in instance object (COMAddIn) reporting `prog_id`.
  ComPtr<IDispatch> NewAddInInstance(std::u16string prog_id);
  // The class object for FrontPage's Application class.
  ComPtr<IClassFactory> NewApplicationClass();

  // Raises Click on the button's sinks as HostState does, with CancelDefault
  // as given (and as the sinks leave it). Returns the number that took it.
  int RaiseClick(const ControlPtr& button, VARIANT_BOOL* cancel_default = nullptr);
  // The event sinks advised on a button, as the add-in gave them.
  std::vector<ComPtr<IDispatch>> SinksOf(const Control* button) const;

 private:
  HostState& state_;
};

// The objects of the face, made by the file of each kind.
ComPtr<IDispatch> MakeApplication(HostFace& face);
ComPtr<IDispatch> MakeCommandBars(HostFace& face);
ComPtr<IDispatch> MakeCommandBar(HostFace& face, const Bar& bar);
// `owner`: the bar or popup the controls belong to, for the journal.
ComPtr<IDispatch> MakeCommandBarControls(HostFace& face, std::shared_ptr<ControlList> list,
                                         std::u16string owner);
// A CommandBarButton or CommandBarPopup, by the control's type.
ComPtr<IDispatch> MakeCommandBarControl(HostFace& face, ControlPtr control);
ComPtr<IEnumVARIANT> MakeControlEnum(HostFace& face, std::vector<ControlPtr> controls,
                                     std::size_t next = 0);
ComPtr<IConnectionPoint> MakeButtonEventsPoint(HostFace& face, ControlPtr button,
                                               ComPtr<IConnectionPointContainer> owner);
ComPtr<IDispatch> MakeComAddIn(HostFace& face, std::u16string prog_id);
ComPtr<IClassFactory> MakeApplicationClass(HostFace& face);
// The same class once the host has revoked it at shutdown: every activation is
// journalled (ApplicationClass.CreateInstance) and refused.
ComPtr<IClassFactory> MakeStoppedApplicationClass(HostFace& face);

// The sink an add-in advised, as the host state calls it.
std::shared_ptr<ClickSink> MakeComClickSink(HostFace& face, ComPtr<IDispatch> events);

// Registers a class object with COM for this process, as an EXE host does
// (CLSCTX_LOCAL_SERVER), until destroyed.
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
