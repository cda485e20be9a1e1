// The module itself: its type library as the host's tools read it, its class
// object, and a registration that cannot write its keys.

#include <string>

#include "addin_fixture.h"
#include "com/win32_host_ids.h"
#include "common/win32_registry_key.h"

namespace sorvane::testing_support {
namespace {

constexpr GUID kLibid{0x3B094E0E, 0xB3A8, 0x474E, {0xAC, 0x0F, 0xBD, 0x00, 0x77, 0xAE, 0x58, 0x4F}};
constexpr GUID kClsid{0x53652739, 0x6305, 0x4BA2, {0xB3, 0x32, 0xD8, 0xF2, 0x3D, 0xC9, 0x2B, 0xCD}};
constexpr GUID kIidConnect{
    0xDC917784, 0x484C, 0x4CE0, {0x8B, 0x7B, 0x85, 0x6B, 0x91, 0xF4, 0xC5, 0x2E}};
constexpr GUID kDesignerLibid = standin::com::kLibidAddInDesigner;

std::wstring NameOf(ITypeLib* library, INT index) {
  BSTR name = nullptr;
  library->GetDocumentation(index, &name, nullptr, nullptr, nullptr);
  std::wstring text = name != nullptr ? name : L"";
  ::SysFreeString(name);
  return text;
}

class ModuleTypeLibrary : public testing::Test {
 protected:
  void SetUp() override {
    standin::RegisterDesignerLibrary();
    ASSERT_EQ(::LoadTypeLibEx(reinterpret_cast<const wchar_t*>(ModulePath().c_str()), REGKIND_NONE,
                              &library_),
              S_OK);
  }
  OleApartment apartment_;
  ComPtr<ITypeLib> library_;
};

TEST_F(ModuleTypeLibrary, HoldsExactlyConnectAndItsDefaultInterface) {
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(library_->GetLibAttr(&attr), S_OK);
  EXPECT_TRUE(::IsEqualGUID(attr->guid, kLibid));
  EXPECT_EQ(attr->wMajorVerNum, 1);
  EXPECT_EQ(attr->wMinorVerNum, 0);
  EXPECT_EQ(attr->lcid, 0U);
  library_->ReleaseTLibAttr(attr);
  BSTR doc = nullptr;
  ASSERT_EQ(library_->GetDocumentation(-1, nullptr, &doc, nullptr, nullptr), S_OK);
  EXPECT_STREQ(doc, L"FrontPage 2000 Add-in");
  ::SysFreeString(doc);
  EXPECT_EQ(NameOf(library_.Get(), -1), L"Sorvane");

  ASSERT_EQ(library_->GetTypeInfoCount(), 2U);
  EXPECT_EQ(NameOf(library_.Get(), 0), L"_Connect");
  EXPECT_EQ(NameOf(library_.Get(), 1), L"Connect");

  ComPtr<ITypeInfo> connect_interface;
  ASSERT_EQ(library_->GetTypeInfoOfGuid(kIidConnect, &connect_interface), S_OK);
  TYPEATTR* type = nullptr;
  ASSERT_EQ(connect_interface->GetTypeAttr(&type), S_OK);
  EXPECT_EQ(type->typekind, TKIND_DISPATCH);
  const WORD dual_hidden = TYPEFLAG_FDUAL | TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE;
  EXPECT_EQ(type->wTypeFlags & dual_hidden, dual_hidden);
  EXPECT_EQ(type->cFuncs, 7) << "IDispatch's seven, none of its own";
  EXPECT_EQ(type->wMajorVerNum, 1);
  connect_interface->ReleaseTypeAttr(type);

  ComPtr<ITypeInfo> coclass;
  ASSERT_EQ(library_->GetTypeInfoOfGuid(kClsid, &coclass), S_OK);
  ASSERT_EQ(coclass->GetTypeAttr(&type), S_OK);
  EXPECT_EQ(type->typekind, TKIND_COCLASS);
  EXPECT_EQ(type->wTypeFlags, TYPEFLAG_FCANCREATE);
  EXPECT_EQ(type->cImplTypes, 2);
  coclass->ReleaseTypeAttr(type);

  struct Listed {
    const wchar_t* name;
    INT flags;
    GUID library;
  };
  const Listed expected[] = {{L"_Connect", IMPLTYPEFLAG_FDEFAULT, kLibid},
                             {L"_IDTExtensibility2", 0, kDesignerLibid}};
  for (UINT i = 0; i < 2; ++i) {
    HREFTYPE reference = 0;
    ASSERT_EQ(coclass->GetRefTypeOfImplType(i, &reference), S_OK);
    ComPtr<ITypeInfo> listed;
    ASSERT_EQ(coclass->GetRefTypeInfo(reference, &listed), S_OK) << i;
    ComPtr<ITypeLib> owner;
    UINT index = 0;
    ASSERT_EQ(listed->GetContainingTypeLib(&owner, &index), S_OK);
    EXPECT_EQ(NameOf(owner.Get(), static_cast<INT>(index)), expected[i].name);
    ASSERT_EQ(owner->GetLibAttr(&attr), S_OK);
    EXPECT_TRUE(::IsEqualGUID(attr->guid, expected[i].library)) << "referenced, not copied";
    owner->ReleaseTLibAttr(attr);
    INT flags = -1;
    ASSERT_EQ(coclass->GetImplTypeFlags(i, &flags), S_OK);
    EXPECT_EQ(flags, expected[i].flags);
  }
}

TEST(ModuleEntry, ServesOnlyConnect) {
  const OleApartment apartment;
  const HMODULE module = ::LoadLibraryW(reinterpret_cast<const wchar_t*>(ModulePath().c_str()));
  ASSERT_NE(module, nullptr);
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
  const auto get_class_object = reinterpret_cast<GetClassObject>(
      reinterpret_cast<void*>(::GetProcAddress(module, "DllGetClassObject")));
  const auto can_unload_now = reinterpret_cast<CanUnloadNow>(
      reinterpret_cast<void*>(::GetProcAddress(module, "DllCanUnloadNow")));
  ASSERT_NE(get_class_object, nullptr);
  ASSERT_NE(can_unload_now, nullptr);

  ComPtr<IClassFactory> factory;
  EXPECT_EQ(get_class_object(kLibid, IID_PPV_ARGS(&factory)), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(factory, nullptr);
  ASSERT_EQ(get_class_object(kClsid, IID_PPV_ARGS(&factory)), S_OK);
  EXPECT_EQ(can_unload_now(), S_FALSE) << "a class object is out";
  ComPtr<IUnknown> outer;
  ASSERT_EQ(factory->QueryInterface(IID_PPV_ARGS(&outer)), S_OK);
  ComPtr<IUnknown> aggregated;
  EXPECT_EQ(factory->CreateInstance(outer.Get(), IID_IUnknown,
                                    reinterpret_cast<void**>(aggregated.GetAddressOf())),
            CLASS_E_NOAGGREGATION);
  ComPtr<standin::com::IDTExtensibility2> add_in;
  ASSERT_EQ(factory->CreateInstance(nullptr, standin::com::kIidExtensibility2,
                                    reinterpret_cast<void**>(add_in.GetAddressOf())),
            S_OK);
  outer.Reset();
  factory.Reset();
  EXPECT_EQ(can_unload_now(), S_FALSE) << "a Connect is alive";
  ASSERT_EQ(factory.Get(), nullptr);
  ASSERT_EQ(get_class_object(kClsid, IID_PPV_ARGS(&factory)), S_OK);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  factory.Reset();
  add_in.Reset();
  EXPECT_EQ(can_unload_now(), S_FALSE) << "locked";
  ASSERT_EQ(get_class_object(kClsid, IID_PPV_ARGS(&factory)), S_OK);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  factory.Reset();
  EXPECT_EQ(can_unload_now(), S_OK);
  ::FreeLibrary(module);
}

// Every key below `path` with its values, one line each: what a test compares.
std::string Dump(HKEY root, const std::wstring& path) {
  RegistryKey key;
  if (key.Open(root, path.c_str(), KEY_READ) != ERROR_SUCCESS) {
    return {};
  }
  std::string text(path.begin(), path.end());
  DWORD longest_name = 0;
  DWORD longest_data = 0;
  ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     &longest_name, &longest_data, nullptr, nullptr);
  for (DWORD i = 0;; ++i) {
    std::wstring name(longest_name + 1, L'\0');
    std::string data(longest_data, '\0');
    DWORD name_length = longest_name + 1;
    DWORD size = longest_data;
    DWORD type = 0;
    if (::RegEnumValueW(key.get(), i, name.data(), &name_length, nullptr, &type,
                        reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS) {
      break;
    }
    name.resize(name_length);
    text.append("\n  ").append(name.begin(), name.end()).append(" ");
    text.append(std::to_string(type)).append(" ").append(data, 0, size);
  }
  std::u16string sub;
  for (DWORD i = 0; key.SubkeyName(i, sub) == ERROR_SUCCESS; ++i) {
    std::wstring below = path;
    below.append(L"\\").append(sub.begin(), sub.end());
    text.append("\n").append(Dump(root, below));
  }
  return text;
}

// All or nothing: a registration that fails at any step (a key that takes no
// lasting subkey, as an unwritable key would) says why and leaves nothing of
// the add-in behind; the host's own keys stay as they were.
TEST(ModuleRegistration, AFailedRegistrationLeavesNothingBehind) {
  constexpr wchar_t kClassKey[] = L"CLSID\\{53652739-6305-4BA2-B332-D8F23DC92BCD}";
  constexpr wchar_t kAddIns[] = L"Software\\Microsoft\\Office\\FrontPage\\Addins";
  const OleApartment apartment;
  const HMODULE module = ::LoadLibraryW(reinterpret_cast<const wchar_t*>(ModulePath().c_str()));
  ASSERT_NE(module, nullptr);
  using Entry = HRESULT(STDAPICALLTYPE*)();
  const auto register_server = reinterpret_cast<Entry>(
      reinterpret_cast<void*>(::GetProcAddress(module, "DllRegisterServer")));
  ASSERT_NE(register_server, nullptr);
  const auto ours = [&] {
    return Dump(HKEY_CLASSES_ROOT, kClassKey) + Dump(HKEY_CLASSES_ROOT, L"Sorvane.Connect") +
           Dump(HKEY_CLASSES_ROOT, L"TypeLib\\{3B094E0E-B3A8-474E-AC0F-BD0077AE584F}") +
           Dump(HKEY_CLASSES_ROOT, L"Interface\\{DC917784-484C-4CE0-8B7B-856B91F4C52E}") +
           Dump(HKEY_CURRENT_USER, std::wstring(kAddIns) + L"\\Sorvane.Connect");
  };
  struct Case {
    const char* step;
    HKEY root;
    const wchar_t* made_volatile;  // with another add-in's entry below it
    const char16_t* traced;        // the key the trace names
  };
  for (const Case& c : {Case{"the class's first subkey", HKEY_CLASSES_ROOT, kClassKey,
                             u"CLSID\\{53652739-6305-4BA2-B332-D8F23DC92BCD}\\InprocServer32"},
                        Case{"the last, the host's add-in entry", HKEY_CURRENT_USER, kAddIns,
                             u"Software\\Microsoft\\Office\\FrontPage\\Addins\\Sorvane.Connect"}}) {
    SCOPED_TRACE(c.step);
    ASSERT_EQ(RegistryKey::DeleteTree(c.root, c.made_volatile), ERROR_SUCCESS);
    {
      RegistryKey key;
      ASSERT_EQ(key.Create(c.root, c.made_volatile, KEY_ALL_ACCESS, REG_OPTION_VOLATILE),
                ERROR_SUCCESS);
      ASSERT_EQ(key.Create(key.get(), L"Other.AddIn", KEY_ALL_ACCESS, REG_OPTION_VOLATILE),
                ERROR_SUCCESS);
    }
    const std::string host_before = Dump(HKEY_CURRENT_USER, L"Software\\Microsoft\\Office");
    const DebugOutput output;
    EXPECT_EQ(register_server(), HRESULT_FROM_WIN32(ERROR_CHILD_MUST_BE_VOLATILE));
    EXPECT_EQ(ours(), "");
    // The failed step, once; taking the rest back met no failure.
    EXPECT_EQ(DebugOutput::Containing(u" failed 0x"),
              std::vector<std::u16string>{
                  u"Sorvane: DllRegisterServer: a registry key failed 0x800703FD " +
                  std::u16string(c.traced)});
    if (c.root == HKEY_CURRENT_USER) {
      EXPECT_EQ(Dump(HKEY_CURRENT_USER, L"Software\\Microsoft\\Office"), host_before);
    }
    EXPECT_EQ(RegistryKey::DeleteTree(c.root, c.made_volatile), ERROR_SUCCESS);
  }
  ::FreeLibrary(module);
}

}  // namespace
}  // namespace sorvane::testing_support
