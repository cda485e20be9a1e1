#include "host/com/win32_dispatch.h"

#include <array>
#include <cwchar>
#include <utility>
#include <vector>

namespace sorvane::host::com {

namespace {

// DISPIDs by interface and name: an interface's members never change. The
// product calls a dozen or so members by their literal names, so a small
// fixed table serves; when it is full, names are simply looked up again.
struct CachedDispid {
  GUID iid;
  const wchar_t* name;  // a literal of the caller's, compared by its text
  DISPID id;
};
constexpr std::size_t kCachedDispids = 32;

struct DispidCache {
  std::array<CachedDispid, kCachedDispids> entries;
  std::size_t count;
};

// Made when the module loads, never freed (the module carries no bytes for
// it; a zero-filled static would, in its .data section).
// NOLINTNEXTLINE(cppcoreguidelines-owning-memory,cert-err58-cpp): never freed
DispidCache* const gDispids = new DispidCache{};

DispidCache& Cache() {
  return *gDispids;
}

// The call's name as a failure gives it: the member's (a literal).
const char16_t* Named(const wchar_t* name) {
  return reinterpret_cast<const char16_t*>(name);
}

// The failure a failed Invoke of `name` stands for: the exception's own code,
// and its description, where the object raised one.
HResultError InvokeFailure(HRESULT status, EXCEPINFO& info, const wchar_t* name) {
  if (status == DISP_E_EXCEPTION && info.pfnDeferredFillIn != nullptr) {
    info.pfnDeferredFillIn(&info);
  }
  // The texts are the caller's to free.
  const Bstr source = Bstr::Attach(info.bstrSource);
  const Bstr description = Bstr::Attach(info.bstrDescription);
  const Bstr help_file = Bstr::Attach(info.bstrHelpFile);
  if (status != DISP_E_EXCEPTION) {
    return {status, {}, Named(name)};
  }
  if (info.scode != 0) {
    status = info.scode;
  } else if (info.wCode != 0) {
    status = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, info.wCode);
  }
  return {status, description.view(), Named(name)};
}

}  // namespace

Dispatch::Dispatch(IUnknown* object, const GUID& iid) : iid_(&iid) {
  if (object == nullptr ||
      FAILED(object->QueryInterface(iid, reinterpret_cast<void**>(object_.GetAddressOf())))) {
    throw HResultError(kDispETypeMismatch);
  }
}

Dispatch::Dispatch(IUnknown* object) {
  if (object == nullptr || FAILED(object->QueryInterface(IID_PPV_ARGS(&object_)))) {
    throw HResultError(kDispETypeMismatch);
  }
}

DISPID Dispatch::IdOf(const wchar_t* name) const {
  DispidCache& cache = Cache();
  if (iid_ != nullptr) {
    for (std::size_t i = 0; i < cache.count; ++i) {
      const CachedDispid& cached = cache.entries[i];
      if (::IsEqualGUID(cached.iid, *iid_) != FALSE && std::wcscmp(cached.name, name) == 0) {
        return cached.id;
      }
    }
  }
  DISPID id = DISPID_UNKNOWN;
  auto* name_list = const_cast<LPOLESTR>(name);  // NOLINT(cppcoreguidelines-pro-type-const-cast)
  ThrowIfFailed(object_->GetIDsOfNames(kNullIid, &name_list, 1, LOCALE_USER_DEFAULT, &id),
                Named(name));
  if (iid_ != nullptr && cache.count < kCachedDispids) {
    cache.entries[cache.count++] = {*iid_, name, id};
  }
  return id;
}

Variant Dispatch::Invoke(DISPID id, WORD flags, std::vector<Variant>& args,
                         const wchar_t* name) const {
  Variant result;
  EXCEPINFO info{};
  const HRESULT status = InvokeInOrder(object_.Get(), id, flags, args, &result, &info);
  if (FAILED(status)) {
    throw InvokeFailure(status, info, name);
  }
  return result;
}

Variant Dispatch::Get(const wchar_t* name, std::vector<Variant> args) const {
  return Invoke(IdOf(name), DISPATCH_PROPERTYGET | DISPATCH_METHOD, args, name);
}

void Dispatch::Put(const wchar_t* name, Variant value) const {
  std::vector<Variant> args;
  args.push_back(std::move(value));
  Invoke(IdOf(name), DISPATCH_PROPERTYPUT, args, name);
}

Variant Dispatch::Call(const wchar_t* name, std::vector<Variant> args) const {
  return Invoke(IdOf(name), DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, name);
}

ComPtr<IEnumVARIANT> Dispatch::NewEnum() const {
  std::vector<Variant> none;
  const Variant result =
      Invoke(DISPID_NEWENUM, DISPATCH_METHOD | DISPATCH_PROPERTYGET, none, L"_NewEnum");
  const ComPtr<IUnknown> object = result.ToObject();
  ComPtr<IEnumVARIANT> items;
  if (object == nullptr || FAILED(object.As(&items))) {
    throw HResultError(kDispETypeMismatch);
  }
  return items;
}

}  // namespace sorvane::host::com
