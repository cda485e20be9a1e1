#pragma once

// Calls into a host object by name through IDispatch, as the host documents
// its interfaces: the object is first asked for the documented interface (a
// wrong object is a type mismatch), names are looked up once per interface,
// and failures come back as HResultError with the host's own status.

#include <windows.h>

#include <initializer_list>
#include <vector>

#include "common/win32_com.h"

namespace sorvane::host::com {

class Dispatch {
 public:
  // Early bound: `object` as the host interface `iid`.
  Dispatch(IUnknown* object, const GUID& iid);
  // Late bound: the object's own IDispatch, names looked up on every call.
  explicit Dispatch(IUnknown* object);

  // Member names are literals: an early-bound binding keeps them, with the
  // DISPIDs they stand for, for the module's life.
  Variant Get(const wchar_t* name, std::vector<Variant> args = {}) const;
  void Put(const wchar_t* name, Variant value) const;
  // A method, or a property read with arguments: arguments in declared order.
  Variant Call(const wchar_t* name, std::vector<Variant> args) const;
  // The collection's enumerator (DISPID_NEWENUM).
  ComPtr<IEnumVARIANT> NewEnum() const;

  IDispatch* get() const noexcept { return object_.Get(); }

 private:
  DISPID IdOf(const wchar_t* name) const;
  // `name` (a literal) names the call in a failure.
  Variant Invoke(DISPID id, WORD flags, std::vector<Variant>& args, const wchar_t* name) const;

  ComPtr<IDispatch> object_;
  const GUID* iid_ = nullptr;  // null when late bound
};

}  // namespace sorvane::host::com
