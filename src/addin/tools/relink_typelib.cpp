// Builds the add-in's type library from the one widl makes of sorvane.idl:
//
//   relink_typelib WIDL.tlb IMPORTED.tlb OUT.tlb win32|win64
//
// widl copies into a library every interface that one of its coclasses lists,
// including interfaces of other libraries; registering such a copy would
// re-point the other library's interface to ours. This tool makes the library
// again with oleaut32's ICreateTypeLib2: the same attributes and types, minus
// every type that IMPORTED.tlb defines, which are referenced there instead.
// Runs under Wine at build time. Handles what the add-in's library holds:
// interfaces without members of their own, and coclasses.

#include <windows.h>

#include <objbase.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <cstdio>
#include <cwchar>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/win32_com.h"

namespace {

using Microsoft::WRL::ComPtr;

void Check(HRESULT status, const char* what) {
  if (FAILED(status)) {
    char text[160];
    std::snprintf(text, sizeof text, "%s failed: 0x%08lX", what,
                  static_cast<unsigned long>(status));
    throw std::runtime_error(text);
  }
}

// A type's attributes, released with the type.
class TypeAttr {
 public:
  explicit TypeAttr(ITypeInfo* info) : info_(info) {
    Check(info->GetTypeAttr(&attr_), "GetTypeAttr");
  }
  ~TypeAttr() { info_->ReleaseTypeAttr(attr_); }
  TypeAttr(const TypeAttr&) = delete;
  TypeAttr& operator=(const TypeAttr&) = delete;
  const TYPEATTR* operator->() const { return attr_; }

 private:
  ITypeInfo* info_;
  TYPEATTR* attr_ = nullptr;
};

struct Documentation {
  std::wstring name;
  std::wstring doc_string;
  DWORD help_context = 0;
};

Documentation Document(ITypeLib* library, int index) {
  sorvane::Bstr name;
  sorvane::Bstr doc;
  sorvane::Bstr help_file;
  Documentation result;
  Check(library->GetDocumentation(index, name.put(), doc.put(), &result.help_context,
                                  help_file.put()),
        "GetDocumentation");
  result.name = name.get() != nullptr ? name.get() : L"";
  result.doc_string = doc.get() != nullptr ? doc.get() : L"";
  return result;
}

ComPtr<ITypeLib> Load(const wchar_t* path) {
  ComPtr<ITypeLib> library;
  Check(::LoadTypeLibEx(path, REGKIND_NONE, &library), "LoadTypeLibEx");
  return library;
}

bool Defines(ITypeLib* library, const GUID& guid) {
  ComPtr<ITypeInfo> info;
  return SUCCEEDED(library->GetTypeInfoOfGuid(guid, &info));
}

int Relink(const wchar_t* widl_path, const wchar_t* imported_path, const wchar_t* out_path,
           SYSKIND syskind) {
  const ComPtr<ITypeLib> source = Load(widl_path);
  const ComPtr<ITypeLib> imported = Load(imported_path);
  const ComPtr<ITypeLib> stdole = Load(L"stdole2.tlb");

  TLIBATTR* library_attr = nullptr;
  Check(source->GetLibAttr(&library_attr), "GetLibAttr");
  const TLIBATTR attributes = *library_attr;
  source->ReleaseTLibAttr(library_attr);
  const Documentation library_doc = Document(source.Get(), -1);

  ComPtr<ICreateTypeLib2> target;
  Check(::CreateTypeLib2(syskind, out_path, &target), "CreateTypeLib2");
  Check(target->SetName(const_cast<LPOLESTR>(library_doc.name.c_str())), "SetName");
  Check(target->SetGuid(attributes.guid), "SetGuid");
  Check(target->SetVersion(attributes.wMajorVerNum, attributes.wMinorVerNum), "SetVersion");
  Check(target->SetLcid(attributes.lcid), "SetLcid");
  Check(target->SetLibFlags(attributes.wLibFlags), "SetLibFlags");
  if (!library_doc.doc_string.empty()) {
    Check(target->SetDocString(const_cast<LPOLESTR>(library_doc.doc_string.c_str())),
          "SetDocString");
  }

  // The new types, by GUID, for the coclasses' references.
  std::map<std::wstring, ComPtr<ITypeInfo>> made;
  auto key = [](const GUID& guid) {
    wchar_t text[40];
    ::StringFromGUID2(guid, text, 40);
    return std::wstring(text);
  };
  std::vector<ComPtr<ICreateTypeInfo>> coclasses;

  const UINT count = source->GetTypeInfoCount();
  for (UINT index = 0; index < count; ++index) {
    ComPtr<ITypeInfo> info;
    Check(source->GetTypeInfo(index, &info), "GetTypeInfo");
    TYPEKIND kind{};
    Check(source->GetTypeInfoType(index, &kind), "GetTypeInfoType");
    const TypeAttr attr(info.Get());
    if (Defines(imported.Get(), attr->guid)) {
      continue;  // widl's copy of an imported type: referenced instead
    }
    const Documentation doc = Document(source.Get(), static_cast<int>(index));
    if (kind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL) != 0) {
      kind = TKIND_INTERFACE;  // a dual interface is made from its interface part
    }
    if ((kind != TKIND_INTERFACE && kind != TKIND_COCLASS) ||
        (kind == TKIND_INTERFACE && attr->cFuncs > 7)) {
      throw std::runtime_error("unsupported type in the library");
    }
    ComPtr<ICreateTypeInfo> created;
    Check(target->CreateTypeInfo(const_cast<LPOLESTR>(doc.name.c_str()), kind, &created),
          "CreateTypeInfo");
    Check(created->SetGuid(attr->guid), "SetGuid");
    Check(created->SetVersion(attr->wMajorVerNum, attr->wMinorVerNum), "SetVersion");
    if (!doc.doc_string.empty()) {
      Check(created->SetDocString(const_cast<LPOLESTR>(doc.doc_string.c_str())), "SetDocString");
    }
    if (kind == TKIND_INTERFACE) {
      ComPtr<ITypeInfo> dispatch;
      Check(stdole->GetTypeInfoOfGuid(IID_IDispatch, &dispatch), "IDispatch");
      HREFTYPE base = 0;
      Check(created->AddRefTypeInfo(dispatch.Get(), &base), "AddRefTypeInfo(IDispatch)");
      Check(created->AddImplType(0, base), "AddImplType");
      Check(created->SetTypeFlags(attr->wTypeFlags), "SetTypeFlags");
      Check(created->LayOut(), "LayOut");
      ComPtr<ITypeInfo> made_info;
      Check(created.As(&made_info), "ITypeInfo");
      made[key(attr->guid)] = made_info;
      continue;
    }
    for (UINT slot = 0; slot < attr->cImplTypes; ++slot) {
      HREFTYPE reference = 0;
      Check(info->GetRefTypeOfImplType(slot, &reference), "GetRefTypeOfImplType");
      ComPtr<ITypeInfo> listed;
      Check(info->GetRefTypeInfo(reference, &listed), "GetRefTypeInfo");
      const TypeAttr listed_attr(listed.Get());
      ComPtr<ITypeInfo> referenced;
      const auto own = made.find(key(listed_attr->guid));
      if (own != made.end()) {
        referenced = own->second;
      } else {
        Check(imported->GetTypeInfoOfGuid(listed_attr->guid, &referenced), "imported type");
      }
      HREFTYPE href = 0;
      Check(created->AddRefTypeInfo(referenced.Get(), &href), "AddRefTypeInfo");
      Check(created->AddImplType(slot, href), "AddImplType");
      INT impl_type_flags = 0;
      Check(info->GetImplTypeFlags(slot, &impl_type_flags), "GetImplTypeFlags");
      Check(created->SetImplTypeFlags(slot, impl_type_flags), "SetImplTypeFlags");
    }
    Check(created->LayOut(), "LayOut");
    // After LayOut: Wine would otherwise add FDISPATCHABLE.
    Check(created->SetTypeFlags(attr->wTypeFlags), "SetTypeFlags");
    coclasses.push_back(created);
  }
  Check(target->SaveAllChanges(), "SaveAllChanges");
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) {
    std::fputs("usage: relink_typelib WIDL.tlb IMPORTED.tlb OUT.tlb win32|win64\n", stderr);
    return 2;
  }
  const SYSKIND syskind = std::wcscmp(argv[4], L"win64") == 0 ? SYS_WIN64 : SYS_WIN32;
  if (FAILED(::CoInitialize(nullptr))) {
    return 1;
  }
  int status = 1;
  try {
    status = Relink(argv[1], argv[2], argv[3], syskind);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "relink_typelib: %s\n", error.what());
  }
  ::CoUninitialize();
  return status;
}
