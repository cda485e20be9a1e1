#include "win32_addins.h"

#include <oleauto.h>

#include <algorithm>
#include <utility>

#include "common/win32_handles.h"
#include "common/win32_text.h"

namespace sorvane::standin {

namespace {

constexpr wchar_t kAddInsKey[] = L"Software\\Microsoft\\Office\\FrontPage\\Addins";
constexpr GUID kDesignerLibrary{
    0xAC0714F2, 0x3D04, 0x11D1, {0xAE, 0x7D, 0x00, 0xA0, 0xC9, 0x0F, 0x26, 0xF4}};

using DllGetClassObjectFunction = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using DllCanUnloadNowFunction = HRESULT(STDAPICALLTYPE*)();

std::u16string QueryString(HKEY key, const wchar_t* name) {
  wchar_t value[1024] = {};
  DWORD size = sizeof value - sizeof(wchar_t);
  DWORD type = 0;
  if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ) {
    return {};
  }
  return FromWide(value);
}

// The `custom` array the host passes: one element, 1 (started from the UI).
class CustomArray {
 public:
  CustomArray() {
    SAFEARRAYBOUND bound{1, 1};
    array_ = ::SafeArrayCreate(VT_VARIANT, 1, &bound);
    if (array_ == nullptr) {
      throw std::bad_alloc();
    }
    LONG index = 1;
    VARIANT one;
    ::VariantInit(&one);
    one.vt = VT_I4;
    one.lVal = 1;
    ::SafeArrayPutElement(array_, &index, &one);
  }
  ~CustomArray() { ::SafeArrayDestroy(array_); }
  CustomArray(const CustomArray&) = delete;
  CustomArray& operator=(const CustomArray&) = delete;
  SAFEARRAY** get() { return &array_; }

 private:
  SAFEARRAY* array_ = nullptr;
};

// The module's creatable class and its ProgID (library name, ".", class name),
// from the module's own type library.
CLSID CreatableClass(const std::u16string& path, std::u16string& prog_id) {
  ComPtr<ITypeLib> library;
  ThrowIfFailed(::LoadTypeLibEx(ToWide(path).c_str(), REGKIND_NONE, &library));
  BSTR library_name = nullptr;
  ThrowIfFailed(library->GetDocumentation(-1, &library_name, nullptr, nullptr, nullptr));
  const Bstr owned_library_name(FromWide(library_name));
  ::SysFreeString(library_name);
  for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
    ComPtr<ITypeInfo> info;
    ThrowIfFailed(library->GetTypeInfo(i, &info));
    TYPEATTR* attr = nullptr;
    ThrowIfFailed(info->GetTypeAttr(&attr));
    const bool creatable =
        attr->typekind == TKIND_COCLASS && (attr->wTypeFlags & TYPEFLAG_FCANCREATE) != 0;
    const CLSID clsid = attr->guid;
    info->ReleaseTypeAttr(attr);
    if (creatable) {
      BSTR class_name = nullptr;
      ThrowIfFailed(
          library->GetDocumentation(static_cast<INT>(i), &class_name, nullptr, nullptr, nullptr));
      prog_id = owned_library_name.str() + u"." + FromWide(class_name);
      ::SysFreeString(class_name);
      return clsid;
    }
  }
  throw HResultError(CLASS_E_CLASSNOTAVAILABLE);
}

}  // namespace

std::vector<AddInEntry> ListAddInEntries() {
  std::vector<AddInEntry> entries;
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, kAddInsKey, 0, KEY_READ, &opened) != ERROR_SUCCESS) {
    return entries;
  }
  const UniqueKey add_ins(opened);
  wchar_t name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = 256;
    if (::RegEnumKeyExW(add_ins.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    HKEY entry_key = nullptr;
    if (::RegOpenKeyExW(add_ins.get(), name, 0, KEY_READ, &entry_key) != ERROR_SUCCESS) {
      continue;
    }
    const UniqueKey entry(entry_key);
    AddInEntry found{FromWide(name), QueryString(entry.get(), L"FriendlyName"),
                     QueryString(entry.get(), L"Description"), 0};
    DWORD size = sizeof found.load_behavior;
    ::RegQueryValueExW(entry.get(), L"LoadBehavior", nullptr, nullptr,
                       reinterpret_cast<BYTE*>(&found.load_behavior), &size);
    entries.push_back(std::move(found));
  }
  return entries;
}

void RegisterDesignerLibrary() {
  BSTR registered = nullptr;
  if (SUCCEEDED(::QueryPathOfRegTypeLib(kDesignerLibrary, 1, 0, 0, &registered))) {
    const bool present = ::GetFileAttributesW(registered) != INVALID_FILE_ATTRIBUTES;
    ::SysFreeString(registered);
    if (present) {
      return;  // the host's platform has it already
    }
  }
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  ComPtr<ITypeLib> library;
  ThrowIfFailed(::LoadTypeLibEx(path, REGKIND_REGISTER, &library));
}

AddIns::~AddIns() {
  bool unloadable = false;
  Shutdown(unloadable);
}

HRESULT AddIns::Connect(Loaded loaded) {
  loaded.instance = face_.NewAddInInstance(loaded.prog_id);
  const ComPtr<IDispatch> application = face_.NewApplication();
  CustomArray custom;
  const HRESULT status = loaded.add_in->OnConnection(application.Get(), ext_cm_Startup,
                                                     loaded.instance.Get(), custom.get());
  if (FAILED(status)) {
    return status;  // a failed connection: the host releases the add-in
  }
  loaded.add_in->OnStartupComplete(custom.get());
  loaded_.push_back(std::move(loaded));
  return status;
}

HRESULT AddIns::StartByProgId(const std::u16string& prog_id) {
  CLSID clsid{};
  HRESULT status = ::CLSIDFromProgID(ToWide(prog_id).c_str(), &clsid);
  if (FAILED(status)) {
    return status;
  }
  Loaded loaded{prog_id, nullptr, nullptr, nullptr};
  status = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(_IDTExtensibility2),
                              reinterpret_cast<void**>(loaded.add_in.GetAddressOf()));
  if (FAILED(status)) {
    return status;
  }
  // The module COM loaded, to ask it at shutdown whether it can unload.
  wchar_t clsid_text[40] = {};
  ::StringFromGUID2(clsid, clsid_text, 40);
  HKEY server_key = nullptr;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT,
                      (std::wstring(L"CLSID\\") + clsid_text + L"\\InprocServer32").c_str(), 0,
                      KEY_READ, &server_key) == ERROR_SUCCESS) {
    const UniqueKey server(server_key);
    const HMODULE module = ::GetModuleHandleW(ToWide(QueryString(server.get(), nullptr)).c_str());
    if (module != nullptr &&
        std::find(com_modules_.begin(), com_modules_.end(), module) == com_modules_.end()) {
      com_modules_.push_back(module);
    }
  }
  return Connect(std::move(loaded));
}

HRESULT AddIns::LoadModule(const std::u16string& path, std::u16string& prog_id) {
  const CLSID clsid = CreatableClass(path, prog_id);
  const HMODULE module = ::LoadLibraryW(ToWide(path).c_str());
  if (module == nullptr) {
    return HRESULT_FROM_WIN32(::GetLastError());
  }
  modules_.push_back(module);
  const auto get_class_object = reinterpret_cast<DllGetClassObjectFunction>(
      reinterpret_cast<void*>(::GetProcAddress(module, "DllGetClassObject")));
  if (get_class_object == nullptr) {
    return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
  }
  ComPtr<IClassFactory> factory;
  HRESULT status = get_class_object(clsid, IID_PPV_ARGS(&factory));
  if (FAILED(status)) {
    return status;
  }
  Loaded loaded{prog_id, nullptr, nullptr, module};
  status = factory->CreateInstance(nullptr, __uuidof(_IDTExtensibility2),
                                   reinterpret_cast<void**>(loaded.add_in.GetAddressOf()));
  if (FAILED(status)) {
    return status;
  }
  return Connect(std::move(loaded));
}

std::vector<AddIns::Outcome> AddIns::Disconnect(ext_DisconnectMode mode) {
  std::vector<Outcome> outcomes;
  for (Loaded& loaded : loaded_) {
    CustomArray custom;
    outcomes.push_back({loaded.prog_id, loaded.add_in->OnDisconnection(mode, custom.get())});
  }
  loaded_.clear();  // the host releases what it disconnected
  return outcomes;
}

void AddIns::Abandon() {
  loaded_.clear();
}

std::vector<AddIns::Outcome> AddIns::Shutdown(bool& unloadable) {
  for (Loaded& loaded : loaded_) {
    CustomArray custom;
    loaded.add_in->OnBeginShutdown(custom.get());
  }
  std::vector<Outcome> outcomes = Disconnect(ext_dm_HostShutdown);
  // What the modules say, whether this host or COM loaded them.
  unloadable = true;
  std::vector<HMODULE> modules = modules_;
  modules.insert(modules.end(), com_modules_.begin(), com_modules_.end());
  for (const HMODULE module : modules) {
    const auto can_unload = reinterpret_cast<DllCanUnloadNowFunction>(
        reinterpret_cast<void*>(::GetProcAddress(module, "DllCanUnloadNow")));
    if (can_unload != nullptr && can_unload() != S_OK) {
      unloadable = false;
    }
  }
  if (unloadable) {
    for (const HMODULE module : modules_) {
      ::FreeLibrary(module);
    }
    modules_.clear();
  }
  ::CoFreeUnusedLibrariesEx(0, 0);
  com_modules_.clear();  // COM may have unloaded them
  return outcomes;
}

}  // namespace sorvane::standin
