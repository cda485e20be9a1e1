#pragma once

// IDTExtensibility2, the interface through which the host talks to a COM
// add-in, declared as its documentation describes it: a dual interface that
// derives from IDispatch, with five methods in this order (DISPIDs 1 to 5).

#include <windows.h>

#include <oaidl.h>

namespace sorvane::standin::com {

// ext_ConnectMode
enum ExtConnectMode : int {
  kConnectAfterStartup = 0,
  kConnectStartup = 1,
  kConnectExternal = 2,
  kConnectCommandLine = 3,
};

// ext_DisconnectMode
enum ExtDisconnectMode : int {
  kDisconnectHostShutdown = 0,
  kDisconnectUserClosed = 1,
};

// NOLINTNEXTLINE(cppcoreguidelines-virtual-class-destructor): a COM interface
struct IDTExtensibility2 : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* application,
                                                 ExtConnectMode connect_mode,
                                                 IDispatch* add_in_inst, SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnDisconnection(ExtDisconnectMode remove_mode,
                                                    SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) = 0;
};

}  // namespace sorvane::standin::com
