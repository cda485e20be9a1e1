#include "addin/win32_registration.h"

#include <oleauto.h>

#include <string>

#include "addin/win32_module_state.h"
#include "common/hresult.h"
#include "common/trace.h"
#include "common/win32_com.h"
#include "common/win32_registry_key.h"
#include "common/win32_text.h"
#include "sorvane_idl.h"

namespace sorvane::addin {

namespace {

constexpr char16_t kProgId[] = u"Sorvane.Connect";
constexpr char16_t kClsid[] = u"{53652739-6305-4BA2-B332-D8F23DC92BCD}";
constexpr char16_t kLibid[] = u"{3B094E0E-B3A8-474E-AC0F-BD0077AE584F}";
constexpr char16_t kClassKey[] = u"CLSID\\{53652739-6305-4BA2-B332-D8F23DC92BCD}";
constexpr char16_t kAddInKey[] = u"Software\\Microsoft\\Office\\FrontPage\\Addins\\Sorvane.Connect";
constexpr char16_t kFriendlyName[] = u"Kelvra Sorvane";
constexpr char16_t kDescription[] = u"Open Web add-in to bypass Web Folders.";
constexpr DWORD kLoadAtStartup = 3;
constexpr SYSKIND kSyskind = sizeof(void*) == 4 ? SYS_WIN32 : SYS_WIN64;

// A registry call's failure; the trace names its key.
void Check(LSTATUS status, std::u16string_view path) {
  if (status != ERROR_SUCCESS) {
    throw HResultError(HRESULT_FROM_WIN32(status), path, u"a registry key");
  }
}

RegistryKey CreateKey(HKEY root, const std::u16string& path) {
  RegistryKey key;
  Check(key.Create(root, Wide(path), KEY_WRITE), path);
  return key;
}

void SetString(HKEY root, const std::u16string& path, const wchar_t* name,
               const std::u16string& value) {
  Check(CreateKey(root, path).WriteString(name, value), path);
}

void DeleteTree(HKEY root, const std::u16string& path) {
  Check(RegistryKey::DeleteTree(root, Wide(path)), path);
}

// Deletes a key if nothing is left in it: parents that only held our entry.
void DeleteIfEmpty(HKEY root, const std::u16string& path) {
  DWORD subkeys = 0;
  DWORD values = 0;
  {
    RegistryKey key;
    if (key.Open(root, Wide(path), KEY_READ) != ERROR_SUCCESS) {
      return;
    }
    Check(key.Counts(subkeys, values), path);
  }
  if (subkeys == 0 && values == 0) {
    Check(::RegDeleteKeyW(root, Wide(path)), path);
  }
}

// From Windows Vista SP1 on, RegisterTypeLib and UnRegisterTypeLib ignore a
// per-user installer's mapping of HKEY_CLASSES_ROOT to the user's classes
// (RegOverridePredefKey) and write to the machine's, which a standard user
// may not, unless the process has asked for per-user registration first.
// Without the mapping the call changes nothing. Windows XP lacks it: looked
// up at run time.
void EnablePerUserTypeLibRegistration() {
  const HMODULE automation = ::GetModuleHandleW(L"oleaut32.dll");
  if (automation == nullptr) {
    return;
  }
  using Enable = void(WINAPI*)();
  const auto enable = reinterpret_cast<Enable>(
      reinterpret_cast<void*>(::GetProcAddress(automation, "OaEnablePerUserTLibRegistration")));
  if (enable != nullptr) {
    enable();
  }
}

void Register() {
  const std::u16string module = ModuleFilePath();
  EnablePerUserTypeLibRegistration();
  SetString(HKEY_CLASSES_ROOT, kClassKey, nullptr, kProgId);
  {
    const RegistryKey server =
        CreateKey(HKEY_CLASSES_ROOT, std::u16string(kClassKey) + u"\\InprocServer32");
    Check(server.WriteString(nullptr, module), kClassKey);
    Check(server.WriteString(L"ThreadingModel", u"Apartment"), kClassKey);
  }
  SetString(HKEY_CLASSES_ROOT, std::u16string(kClassKey) + u"\\ProgID", nullptr, kProgId);
  SetString(HKEY_CLASSES_ROOT, std::u16string(kClassKey) + u"\\TypeLib", nullptr, kLibid);
  SetString(HKEY_CLASSES_ROOT, kProgId, nullptr, kProgId);
  SetString(HKEY_CLASSES_ROOT, std::u16string(kProgId) + u"\\CLSID", nullptr, kClsid);

  // The type library, from the module's own TYPELIB resource.
  ComPtr<ITypeLib> library;
  ThrowIfFailed(::LoadTypeLibEx(Wide(module), REGKIND_REGISTER, &library),
                u"registering the type library");

  const RegistryKey add_in = CreateKey(HKEY_CURRENT_USER, kAddInKey);
  Check(add_in.WriteString(L"FriendlyName", kFriendlyName), kAddInKey);
  Check(add_in.WriteString(L"Description", kDescription), kAddInKey);
  Check(add_in.WriteDword(L"LoadBehavior", kLoadAtStartup), kAddInKey);
}

// Removes everything of ours. Each step is tried even when one before it
// failed (a registration that failed half way leaves any of them), and each
// failure is traced, as `where`'s; the first is thrown at the end.
void Unregister(std::u16string_view where) {
  HRESULT first_failure = S_OK;
  const auto step = [&first_failure, where](auto&& remove) {
    try {
      remove();
    } catch (...) {
      const HRESULT failure = TraceCaught(where);
      if (SUCCEEDED(first_failure)) {
        first_failure = failure;
      }
    }
  };
  step([] {
    DeleteTree(HKEY_CURRENT_USER, kAddInKey);
    // The host's own keys stay unless they held nothing but our entry: the
    // entry's parents Addins, FrontPage and Office, each cut from its path.
    std::u16string parent = kAddInKey;
    for (int level = 0; level < 3; ++level) {
      parent.resize(parent.rfind(u'\\'));
      DeleteIfEmpty(HKEY_CURRENT_USER, parent);
    }
  });
  step([] {
    EnablePerUserTypeLibRegistration();
    Bstr registered;
    if (SUCCEEDED(::QueryPathOfRegTypeLib(LIBID_Sorvane, 1, 0, 0, registered.put()))) {
      ThrowIfFailed(::UnRegisterTypeLib(LIBID_Sorvane, 1, 0, 0, kSyskind),
                    u"unregistering the type library");
    }
  });
  step([] { DeleteTree(HKEY_CLASSES_ROOT, kProgId); });
  step([] { DeleteTree(HKEY_CLASSES_ROOT, kClassKey); });
  ThrowIfFailed(first_failure);
}

}  // namespace

HRESULT RegisterServer() noexcept {
  try {
    Register();
    return S_OK;
  } catch (...) {
    const HRESULT failure = TraceCaught(u"DllRegisterServer");
    // All or nothing: a registration that failed half way is taken back, and
    // its own failure is what is reported.
    try {
      Unregister(u"DllRegisterServer, taking it back");
    } catch (...) {  // NOLINT(bugprone-empty-catch): the registration's failure is the news
    }
    return failure;
  }
}

HRESULT UnregisterServer() noexcept {
  try {
    Unregister(u"DllUnregisterServer");
    return S_OK;
  } catch (...) {
    return CaughtHResult();  // each step's failure is traced already
  }
}

}  // namespace sorvane::addin
