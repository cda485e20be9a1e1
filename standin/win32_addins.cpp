#include "win32_addins.h"

#include <oleauto.h>

#include <algorithm>
#include <utility>

#include "com/win32_host_ids.h"
#include "common/win32_registry_key.h"
#include "common/win32_text.h"

namespace sorvane::standin {

namespace {

constexpr wchar_t kAddInsKey[] = L"Software\\Microsoft\\Office\\FrontPage\\Addins";

using DllGetClassObjectFunction = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using DllCanUnloadNowFunction = HRESULT(STDAPICALLTYPE*)();

// A string value of an add-in's entry; empty when it has none.
std::u16string QueryString(const RegistryKey& key, const wchar_t* name) {
  RegistryKey::StringRead read = key.ReadString(name);
  return read.found() && read.type == REG_SZ ? std::move(read.text) : std::u16string();
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
    Variant one = Variant::Int32(1);
    ThrowIfFailed(::SafeArrayPutElement(array_, &index, one.get()));
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
  Bstr library_name;
  ThrowIfFailed(library->GetDocumentation(-1, library_name.put(), nullptr, nullptr, nullptr));
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
      Bstr class_name;
      ThrowIfFailed(library->GetDocumentation(static_cast<INT>(i), class_name.put(), nullptr,
                                              nullptr, nullptr));
      prog_id = library_name.str() + u"." + class_name.str();
      return clsid;
    }
  }
  throw HResultError(CLASS_E_CLASSNOTAVAILABLE);
}

// The add-in's IDTExtensibility2, asked for by its identifier: an object
// without it is no add-in, and the host lets it go.
HRESULT AsAddIn(IUnknown* object, ComPtr<com::IDTExtensibility2>& add_in) {
  return object->QueryInterface(com::kIidExtensibility2,
                                reinterpret_cast<void**>(add_in.GetAddressOf()));
}

}  // namespace

std::vector<AddInEntry> ListAddInEntries(HKEY root) {
  std::vector<AddInEntry> entries;
  RegistryKey add_ins;
  if (add_ins.Open(root, kAddInsKey, KEY_READ) != ERROR_SUCCESS) {
    return entries;
  }
  std::u16string name;
  for (DWORD index = 0; add_ins.SubkeyName(index, name) == ERROR_SUCCESS; ++index) {
    RegistryKey entry;
    if (entry.Open(add_ins.get(), Wide(name), KEY_READ) != ERROR_SUCCESS) {
      continue;
    }
    entries.push_back({name, QueryString(entry, L"FriendlyName"),
                       QueryString(entry, L"Description"), entry.ReadDword(L"LoadBehavior").value});
  }
  return entries;
}

void RegisterDesignerLibrary() {
  Bstr registered;
  if (SUCCEEDED(::QueryPathOfRegTypeLib(com::kLibidAddInDesigner, 1, 0, 0, registered.put())) &&
      ::GetFileAttributesW(registered.get()) != INVALID_FILE_ATTRIBUTES) {
    return;  // the host's platform has it already
  }
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  ComPtr<ITypeLib> library;
  ThrowIfFailed(::LoadTypeLibEx(path, REGKIND_REGISTER, &library));
}

AddIns::~AddIns() {
  try {
    bool unloadable = false;
    Shutdown(unloadable);
  } catch (...) {  // NOLINT(bugprone-empty-catch): a host that closes goes on closing
  }
}

void AddIns::NoteComModule(const CLSID& clsid) {
  // The module COM loaded, to ask it at shutdown whether it can unload.
  wchar_t clsid_text[40] = {};
  ::StringFromGUID2(clsid, clsid_text, 40);
  RegistryKey server;
  if (server.Open(HKEY_CLASSES_ROOT,
                  (std::wstring(L"CLSID\\") + clsid_text + L"\\InprocServer32").c_str(),
                  KEY_READ) != ERROR_SUCCESS) {
    return;
  }
  const HMODULE module = ::GetModuleHandleW(ToWide(QueryString(server, nullptr)).c_str());
  if (module != nullptr &&
      std::find(com_modules_.begin(), com_modules_.end(), module) == com_modules_.end()) {
    com_modules_.push_back(module);
  }
}

HRESULT AddIns::Create(const std::u16string& prog_id, Loaded& loaded) {
  loaded.prog_id = prog_id;
  ComPtr<IUnknown> object;
  const auto source = sources_.find(prog_id);
  if (source == sources_.end()) {
    CLSID clsid{};
    HRESULT status = ::CLSIDFromProgID(ToWide(prog_id).c_str(), &clsid);
    if (FAILED(status)) {
      return status;
    }
    status = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                reinterpret_cast<void**>(object.GetAddressOf()));
    if (FAILED(status)) {
      return status;
    }
    NoteComModule(clsid);
  } else {
    const HMODULE module = ::LoadLibraryW(ToWide(source->second.module_path).c_str());
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
    HRESULT status = get_class_object(source->second.clsid, IID_PPV_ARGS(&factory));
    if (FAILED(status)) {
      return status;
    }
    status = factory->CreateInstance(nullptr, IID_IUnknown,
                                     reinterpret_cast<void**>(object.GetAddressOf()));
    if (FAILED(status)) {
      return status;
    }
  }
  return AsAddIn(object.Get(), loaded.add_in);
}

HRESULT AddIns::Connect(Loaded loaded, com::ExtConnectMode mode) {
  const ComPtr<IDispatch> instance = face_.NewAddInInstance(loaded.prog_id);
  const ComPtr<IDispatch> application = face_.NewApplication();
  CustomArray custom;
  const HRESULT status =
      loaded.add_in->OnConnection(application.Get(), mode, instance.Get(), custom.get());
  if (status != S_OK) {
    // The host lets go of an add-in that failed to connect at once, and frees
    // the modules nothing uses any more.
    loaded.add_in.Reset();
    FreeUnusedModules();
    return FAILED(status) ? status : E_FAIL;
  }
  loaded_.push_back(std::move(loaded));
  return status;
}

std::vector<AddIns::Outcome> AddIns::Start() {
  std::vector<Outcome> outcomes;
  const std::size_t first = loaded_.size();
  // The user's entries, then the machine's: an add-in entered in both is
  // loaded twice, as nothing says the host would know them for one.
  std::vector<AddInEntry> entries = ListAddInEntries(HKEY_CURRENT_USER);
  for (AddInEntry& entry : ListAddInEntries(HKEY_LOCAL_MACHINE)) {
    entries.push_back(std::move(entry));
  }
  for (const AddInEntry& entry : entries) {
    if (entry.load_behavior == 3) {
      Loaded loaded;
      HRESULT status = Create(entry.prog_id, loaded);
      if (SUCCEEDED(status)) {
        status = Connect(std::move(loaded), com::kConnectStartup);
      }
      outcomes.push_back({entry.prog_id, status});
    }
  }
  // Once every add-in has connected.
  for (std::size_t i = first; i < loaded_.size(); ++i) {
    CustomArray custom;
    loaded_[i].add_in->OnStartupComplete(custom.get());
  }
  return outcomes;
}

HRESULT AddIns::StartByProgId(const std::u16string& prog_id) {
  Loaded loaded;
  HRESULT status = Create(prog_id, loaded);
  if (SUCCEEDED(status)) {
    status = Connect(std::move(loaded), com::kConnectStartup);
  }
  if (SUCCEEDED(status)) {
    CustomArray custom;
    loaded_.back().add_in->OnStartupComplete(custom.get());
  }
  return status;
}

HRESULT AddIns::LoadModule(const std::u16string& path, std::u16string& prog_id) {
  CLSID clsid{};
  try {
    clsid = CreatableClass(path, prog_id);
  } catch (...) {
    return CaughtHResult();
  }
  sources_[prog_id] = Source{path, clsid};
  return StartByProgId(prog_id);
}

HRESULT AddIns::Enable(const std::u16string& prog_id) {
  Loaded loaded;
  const HRESULT status = Create(prog_id, loaded);
  return FAILED(status) ? status : Connect(std::move(loaded), com::kConnectAfterStartup);
}

HRESULT AddIns::Disable(const std::u16string& prog_id) {
  const auto found = std::find_if(loaded_.begin(), loaded_.end(),
                                  [&](const Loaded& loaded) { return loaded.prog_id == prog_id; });
  if (found == loaded_.end()) {
    return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
  }
  const Loaded loaded = std::move(*found);
  loaded_.erase(found);
  CustomArray custom;
  return loaded.add_in->OnDisconnection(com::kDisconnectUserClosed, custom.get());
}

std::vector<AddIns::Outcome> AddIns::Disconnect(com::ExtDisconnectMode mode) {
  std::vector<Outcome> outcomes;
  std::vector<Loaded> loaded = std::move(loaded_);
  loaded_.clear();
  for (Loaded& add_in : loaded) {
    CustomArray custom;
    outcomes.push_back({add_in.prog_id, add_in.add_in->OnDisconnection(mode, custom.get())});
  }
  return outcomes;  // the host releases what it disconnected
}

void AddIns::Abandon() {
  loaded_.clear();
}

std::vector<AddIns::Outcome> AddIns::Shutdown(bool& unloadable) {
  for (Loaded& loaded : loaded_) {
    CustomArray custom;
    loaded.add_in->OnBeginShutdown(custom.get());
  }
  if (at_shutdown_) {
    at_shutdown_();
  }
  std::vector<Outcome> outcomes = Disconnect(com::kDisconnectHostShutdown);
  unloadable = FreeUnusedModules();
  return outcomes;
}

bool AddIns::FreeUnusedModules() {
  bool all = true;
  const auto can_unload = [](HMODULE module) {
    const auto function = reinterpret_cast<DllCanUnloadNowFunction>(
        reinterpret_cast<void*>(::GetProcAddress(module, "DllCanUnloadNow")));
    return function == nullptr || function() == S_OK;
  };
  std::vector<HMODULE> kept;
  for (const HMODULE module : modules_) {
    if (can_unload(module)) {
      ::FreeLibrary(module);
    } else {
      all = false;
      kept.push_back(module);
    }
  }
  modules_ = std::move(kept);
  for (const HMODULE module : com_modules_) {
    all = can_unload(module) && all;
  }
  ::CoFreeUnusedLibrariesEx(0, 0);
  com_modules_.clear();  // COM may have unloaded them
  return all;
}

}  // namespace sorvane::standin
