#include "addin/win32_registration.h"

#include <oleauto.h>

#include <string>

#include "addin/win32_module_state.h"
#include "common/hresult.h"
#include "common/win32_com.h"
#include "common/win32_handles.h"
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

void Check(LONG status) {
  if (status != ERROR_SUCCESS) {
    throw HResultError(HRESULT_FROM_WIN32(status));
  }
}

UniqueKey CreateKey(HKEY root, const std::u16string& path) {
  HKEY key = nullptr;
  Check(::RegCreateKeyExW(root, Wide(path), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                          &key, nullptr));
  return UniqueKey(key);
}

void SetString(HKEY key, const char16_t* name, const std::u16string& value) {
  Check(::RegSetValueExW(key, reinterpret_cast<const wchar_t*>(name), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))));
}

void SetString(HKEY root, const std::u16string& path, const char16_t* name,
               const std::u16string& value) {
  SetString(CreateKey(root, path).get(), name, value);
}

// Deletes a key and everything below it; a key that is not there is no failure.
void DeleteTree(HKEY root, const std::u16string& path) {
  HKEY opened = nullptr;
  const LONG status = ::RegOpenKeyExW(root, Wide(path), 0, KEY_READ | KEY_WRITE, &opened);
  if (status == ERROR_FILE_NOT_FOUND) {
    return;
  }
  Check(status);
  {
    const UniqueKey key(opened);
    char16_t name[256];
    for (;;) {
      DWORD length = 256;
      const LONG next = ::RegEnumKeyExW(key.get(), 0, reinterpret_cast<wchar_t*>(name), &length,
                                        nullptr, nullptr, nullptr, nullptr);
      if (next == ERROR_NO_MORE_ITEMS) {
        break;
      }
      Check(next);
      DeleteTree(key.get(), name);
    }
  }
  Check(::RegDeleteKeyW(root, Wide(path)));
}

// Deletes a key if nothing is left in it: parents that only held our entry.
void DeleteIfEmpty(HKEY root, const std::u16string& path) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(root, Wide(path), 0, KEY_READ, &opened) != ERROR_SUCCESS) {
    return;
  }
  DWORD subkeys = 0;
  DWORD values = 0;
  {
    const UniqueKey key(opened);
    Check(::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                             &values, nullptr, nullptr, nullptr, nullptr));
  }
  if (subkeys == 0 && values == 0) {
    Check(::RegDeleteKeyW(root, Wide(path)));
  }
}

void Register() {
  const std::u16string module = ModuleFilePath();
  SetString(HKEY_CLASSES_ROOT, kClassKey, nullptr, kProgId);
  {
    const UniqueKey server =
        CreateKey(HKEY_CLASSES_ROOT, std::u16string(kClassKey) + u"\\InprocServer32");
    SetString(server.get(), nullptr, module);
    SetString(server.get(), u"ThreadingModel", u"Apartment");
  }
  SetString(HKEY_CLASSES_ROOT, std::u16string(kClassKey) + u"\\ProgID", nullptr, kProgId);
  SetString(HKEY_CLASSES_ROOT, std::u16string(kClassKey) + u"\\TypeLib", nullptr, kLibid);
  SetString(HKEY_CLASSES_ROOT, kProgId, nullptr, kProgId);
  SetString(HKEY_CLASSES_ROOT, std::u16string(kProgId) + u"\\CLSID", nullptr, kClsid);

  // The type library, from the module's own TYPELIB resource.
  ComPtr<ITypeLib> library;
  ThrowIfFailed(::LoadTypeLibEx(Wide(module), REGKIND_REGISTER, &library));

  const UniqueKey add_in = CreateKey(HKEY_CURRENT_USER, kAddInKey);
  SetString(add_in.get(), u"FriendlyName", kFriendlyName);
  SetString(add_in.get(), u"Description", kDescription);
  Check(::RegSetValueExW(add_in.get(), L"LoadBehavior", 0, REG_DWORD,
                         reinterpret_cast<const BYTE*>(&kLoadAtStartup), sizeof kLoadAtStartup));
}

void Unregister() {
  DeleteTree(HKEY_CURRENT_USER, kAddInKey);
  // The host's own keys stay unless they held nothing but our entry: the
  // entry's parents Addins, FrontPage and Office, each cut from its path.
  std::u16string parent = kAddInKey;
  for (int level = 0; level < 3; ++level) {
    parent.resize(parent.rfind(u'\\'));
    DeleteIfEmpty(HKEY_CURRENT_USER, parent);
  }

  Bstr registered;
  if (SUCCEEDED(::QueryPathOfRegTypeLib(LIBID_Sorvane, 1, 0, 0, registered.put()))) {
    ThrowIfFailed(::UnRegisterTypeLib(LIBID_Sorvane, 1, 0, 0, kSyskind));
  }
  DeleteTree(HKEY_CLASSES_ROOT, kProgId);
  DeleteTree(HKEY_CLASSES_ROOT, kClassKey);
}

}  // namespace

HRESULT RegisterServer() noexcept {
  try {
    Register();
    return S_OK;
  } catch (...) {
    return CaughtHResult();
  }
}

HRESULT UnregisterServer() noexcept {
  try {
    Unregister();
    return S_OK;
  } catch (...) {
    return CaughtHResult();
  }
}

}  // namespace sorvane::addin
