#include "addin/win32_connect_object.h"

#include <oleauto.h>

#include <array>
#include <cstddef>
#include <iterator>
#include <memory>
#include <utility>

#include "addin/connect.h"
#include "addin/win32_module_state.h"
#include "common/trace.h"
#include "common/win32_com.h"
#include "host/com/win32_com_host.h"
// This file defines the identifiers the generated header declares.
#include <initguid.h>  // NOLINT(llvm-include-order): must come before the header it serves
#include "sorvane_idl.h"

namespace sorvane::addin {

namespace {

// "<text><mode>" in the trace: the host's connect or disconnect mode, one
// digit (0-4).
void TraceModeEvent(std::u16string_view text, int mode) noexcept {
  char16_t line[64] = {};
  const std::size_t size = text.copy(line, std::size(line) - 2);
  line[size] = static_cast<char16_t>(u'0' + (mode >= 0 && mode <= 9 ? mode : 9));
  TraceEvent({line, size + 1});
}

// The interfaces whose IDispatch works through type information, as Wine's
// tid_t indexes its own cache.
enum class TypeInfoId : std::size_t { kConnect, kExtensibility2, kCount };

template <typename Interface>
constexpr TypeInfoId TypeInfoIdOf();
template <>
constexpr TypeInfoId TypeInfoIdOf<_Connect>() {
  return TypeInfoId::kConnect;
}
template <>
constexpr TypeInfoId TypeInfoIdOf<_IDTExtensibility2>() {
  return TypeInfoId::kExtensibility2;
}

// One type description per interface, loaded on first use from the module's
// own type library (its TYPELIB resource). Made when the module loads (no
// guard for a first use from two threads); never freed: at process exit
// oleaut32 may be gone before this module's static destructors run.
// NOLINTNEXTLINE(cppcoreguidelines-owning-memory,cert-err58-cpp): see above
auto* const gTypeInfos =
    new std::array<ComPtr<ITypeInfo>, static_cast<std::size_t>(TypeInfoId::kCount)>();

ComPtr<ITypeInfo> TypeInfoOf(TypeInfoId id) {
  ComPtr<ITypeInfo>& cached = (*gTypeInfos)[static_cast<std::size_t>(id)];
  if (cached != nullptr) {
    return cached;
  }
  ComPtr<ITypeLib> library;
  ThrowIfFailed(::LoadTypeLibEx(Wide(ModuleFilePath()), REGKIND_NONE, &library), u"LoadTypeLibEx");
  ComPtr<ITypeInfo> info;
  if (id == TypeInfoId::kConnect) {
    ThrowIfFailed(library->GetTypeInfoOfGuid(IID__Connect, &info));
  } else {
    // _IDTExtensibility2 lives in the add-in designer's library; the module's
    // own library only refers to it from the coclass, whose implemented type
    // 1 it is (0 is the default interface, _Connect).
    constexpr UINT kExtensibilityImplType = 1;
    ComPtr<ITypeInfo> coclass;
    ThrowIfFailed(library->GetTypeInfoOfGuid(CLSID_Connect, &coclass));
    HREFTYPE reference = 0;
    ThrowIfFailed(coclass->GetRefTypeOfImplType(kExtensibilityImplType, &reference));
    ThrowIfFailed(coclass->GetRefTypeInfo(reference, &info));
  }
  cached = info;
  return info;
}

// IDispatch of `Interface` through its type description.
template <typename Interface>
class TypeInfoDispatch : public Interface {
 public:
  using Exposed = Interface;

  STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override {
    if (count == nullptr) {
      return E_POINTER;
    }
    *count = 1;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) noexcept override {
    if (info == nullptr) {
      return E_POINTER;
    }
    *info = nullptr;
    if (index != 0) {
      return DISP_E_BADINDEX;
    }
    try {
      return TypeInfoOf(TypeInfoIdOf<Interface>()).CopyTo(info);
    } catch (...) {
      return TraceCaught(u"GetTypeInfo");
    }
  }
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                             DISPID* ids) noexcept override {
    if (iid != kNullIid) {
      return DISP_E_UNKNOWNINTERFACE;
    }
    try {
      return ::DispGetIDsOfNames(TypeInfoOf(TypeInfoIdOf<Interface>()).Get(), names, count, ids);
    } catch (...) {
      return TraceCaught(u"GetIDsOfNames");
    }
  }
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* bad_argument) noexcept override {
    if (iid != kNullIid) {
      return DISP_E_UNKNOWNINTERFACE;
    }
    try {
      return ::DispInvoke(static_cast<Interface*>(this),
                          TypeInfoOf(TypeInfoIdOf<Interface>()).Get(), id, flags, params, result,
                          exception, bad_argument);
    } catch (...) {
      return TraceCaught(u"Invoke");
    }
  }

 protected:
  ~TypeInfoDispatch() = default;
};

class ConnectObject final : public ComObject<ConnectObject, TypeInfoDispatch<_Connect>,
                                             TypeInfoDispatch<_IDTExtensibility2>> {
 public:
  ConnectObject() = default;
  ConnectObject(const ConnectObject&) = delete;
  ConnectObject& operator=(const ConnectObject&) = delete;

  // IDispatch is the default interface's.
  void* QueryOther(REFIID iid) noexcept {
    return iid == __uuidof(IDispatch) ? static_cast<IDispatch*>(static_cast<_Connect*>(this))
                                      : nullptr;
  }

  STDMETHODIMP OnConnection(IDispatch* application, ext_ConnectMode connect_mode,
                            IDispatch* add_in_inst, SAFEARRAY** /*custom*/) noexcept override {
    try {
      const auto host_application = host::com::WrapObject(application);
      const auto instance = host::com::WrapObject(add_in_inst);
      connect_.IDTExtensibility2_OnConnection(*host_application, connect_mode, *instance);
      TraceModeEvent(u"OnConnection: connected, mode ", connect_mode);
      return S_OK;
    } catch (...) {
      return TraceCaught(u"OnConnection");
    }
  }
  STDMETHODIMP OnDisconnection(ext_DisconnectMode remove_mode,
                               SAFEARRAY** /*custom*/) noexcept override {
    try {
      connect_.IDTExtensibility2_OnDisconnection(remove_mode);
      TraceModeEvent(u"OnDisconnection: disconnected, mode ", remove_mode);
      return S_OK;
    } catch (...) {
      return TraceCaught(u"OnDisconnection");
    }
  }
  STDMETHODIMP OnAddInsUpdate(SAFEARRAY** /*custom*/) noexcept override { return S_OK; }
  STDMETHODIMP OnStartupComplete(SAFEARRAY** /*custom*/) noexcept override { return S_OK; }
  STDMETHODIMP OnBeginShutdown(SAFEARRAY** /*custom*/) noexcept override { return S_OK; }

 private:
  Connect connect_{TheModule()};
};

class ConnectClass final : public ComObject<ConnectClass, ClassFactoryBase<ConnectClass>> {
 public:
  static ComPtr<IUnknown> Create() {
    return static_cast<IDispatch*>(static_cast<_Connect*>(MakeCom<ConnectObject>().Get()));
  }
  STDMETHODIMP LockServer(BOOL lock) noexcept override {
    LockModule(lock != FALSE);
    return S_OK;
  }
};

}  // namespace

HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) noexcept {
  if (out == nullptr) {
    return E_POINTER;
  }
  *out = nullptr;
  if (clsid != CLSID_Connect) {
    TraceFailure(u"DllGetClassObject", u"the class", CLASS_E_CLASSNOTAVAILABLE, {});
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  try {
    return MakeCom<ConnectClass>()->QueryInterface(iid, out);
  } catch (...) {
    return TraceCaught(u"DllGetClassObject");
  }
}

}  // namespace sorvane::addin
