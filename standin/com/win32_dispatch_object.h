#pragma once

// IDispatch for the stand-in host's objects, as a host whose objects are
// described by type information answers it: members found by name whatever
// their letter case, a call accepted only in a kind the member has (a
// property read, a property write, a method call; automation clients send
// "method or property read" together), arguments checked strictly against
// the declared types, and every call written to the host's journal first.

#include <windows.h>

#include <span>
#include <string>

#include "com/win32_host_face.h"
#include "common/win32_com.h"
#include "model/host_state.h"

namespace sorvane::standin::com {

// The call kinds a member takes (IDispatch::Invoke's flags).
inline constexpr WORD kGet = DISPATCH_PROPERTYGET;
inline constexpr WORD kPut = DISPATCH_PROPERTYPUT;
inline constexpr WORD kMethod = DISPATCH_METHOD;

struct Member {
  const wchar_t* name;
  DISPID id;
  WORD kinds;
};

// How the call reached the member.
enum class Access { kGet, kPut, kCall };

// An argument-marshalling fault: the status Invoke returns, and which argument.
struct ArgumentError {
  HRESULT status;
  UINT argument;  // index into rgvarg
};

[[noreturn]] void NoSuchMember();

// The arguments of one Invoke in declared order, checked strictly.
class Args {
 public:
  explicit Args(const DISPPARAMS& params) : params_(params) {}

  std::size_t count() const { return params_.cArgs; }
  void Expect(std::size_t least, std::size_t most) const;
  // Absent, or passed as omitted (VT_ERROR with DISP_E_PARAMNOTFOUND).
  bool Missing(std::size_t i) const;
  const VARIANT& Of(std::size_t i, VARTYPE type) const;
  std::u16string String(std::size_t i) const;
  std::int32_t Int32(std::size_t i) const { return Of(i, VT_I4).lVal; }
  std::int16_t Int16(std::size_t i) const { return Of(i, VT_I2).iVal; }
  bool Bool(std::size_t i) const { return Of(i, VT_BOOL).boolVal != VARIANT_FALSE; }
  // An optional Boolean, as given or `otherwise` when omitted.
  bool OptionalBool(std::size_t i, bool otherwise) const {
    return Missing(i) ? otherwise : Bool(i);
  }
  const VARIANT& At(std::size_t i) const { return params_.rgvarg[Slot(i)]; }

 private:
  UINT Slot(std::size_t i) const { return static_cast<UINT>(count() - 1 - i); }
  const DISPPARAMS& params_;
};

// A VARIANT argument as the journal keeps it.
JournalArg ToJournalArg(const VARIANT& arg);

// Journals an interface method (not Invoke) of a host object; returns the
// handle to finish it with its status.
std::size_t RecordInterfaceCall(HostState& state, std::string object, std::string member);

// Records an Invoke as it arrives.
std::size_t RecordInvoke(HostState& state, std::string object, std::u16string name,
                         std::span<const Member> members, DISPID id, WORD flags,
                         const DISPPARAMS& params);

// Runs `call` for an Invoke: the status, and the exception record the host
// fills for its own failures.
template <typename Call>
HRESULT InvokeBoundary(Call&& call, EXCEPINFO* exception, UINT* bad_argument) noexcept {
  try {
    call();
    return S_OK;
  } catch (const ArgumentError& error) {
    if (bad_argument != nullptr) {
      *bad_argument = error.argument;
    }
    return error.status;
  } catch (...) {
    // The host's own failures come back as an automation exception, with the
    // host's text for it where there is one.
    const CaughtFailure failure = CaughtFailureInfo();
    if (exception != nullptr) {
      *exception = EXCEPINFO{};
      exception->scode = failure.status;
      if (!failure.description.empty()) {
        exception->bstrDescription =
            ::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(failure.description.data()),
                                static_cast<UINT>(failure.description.size()));
      }
      return DISP_E_EXCEPTION;
    }
    return failure.status;
  }
}

// A host object reached through IDispatch. Derived supplies
//   std::span<const Member> Members() const;   its interfaces' members
//   bool Implements(REFIID iid) const;         the host interfaces it has
//   const char* Kind() const;                  its kind, for the journal
//   std::u16string Name() const;               which one, for the journal
//   void Call(DISPID, Access, const Args&, Variant& result);
template <typename Derived, typename... More>
class DispatchObject : public ComObject<Derived, WithoutTypeInfo<>, More...> {
 public:
  explicit DispatchObject(HostFace& face) : face_(face) { state().ObjectCreated(); }
  ~DispatchObject() override { state().ObjectDestroyed(); }
  DispatchObject(const DispatchObject&) = delete;
  DispatchObject& operator=(const DispatchObject&) = delete;

  void* QueryOther(REFIID iid) noexcept {
    return self().Implements(iid) ? static_cast<IDispatch*>(this) : nullptr;
  }

  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                             DISPID* ids) noexcept override {
    if (iid != IID_NULL) {
      return DISP_E_UNKNOWNINTERFACE;
    }
    if (names == nullptr || ids == nullptr || count == 0) {
      return E_INVALIDARG;
    }
    for (UINT i = 0; i < count; ++i) {
      ids[i] = DISPID_UNKNOWN;
    }
    // Member names match whatever their letter case; parameter names are not known.
    for (const Member& member : self().Members()) {
      if (_wcsicmp(member.name, names[0]) == 0) {
        ids[0] = member.id;
      }
    }
    return ids[0] == DISPID_UNKNOWN || count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
  }

  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* bad_argument) noexcept override {
    if (iid != IID_NULL) {
      return DISP_E_UNKNOWNINTERFACE;
    }
    if (params == nullptr || (params->cArgs > 0 && params->rgvarg == nullptr) ||
        (params->cNamedArgs > 0 && params->rgdispidNamedArgs == nullptr)) {
      return E_INVALIDARG;
    }
    std::size_t entry = 0;
    try {
      entry =
          RecordInvoke(state(), self().Kind(), self().Name(), self().Members(), id, flags, *params);
    } catch (...) {
      return CaughtHResult();
    }
    const HRESULT status = InvokeBoundary(
        [&] {
          const Access access = AccessFor(id, flags);
          const UINT named = access == Access::kPut ? 1 : 0;
          if (params->cNamedArgs != named ||
              (named == 1 && params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)) {
            throw ArgumentError{DISP_E_NONAMEDARGS, 0};
          }
          Variant value;
          self().Call(id, access, Args(*params), value);
          if (result != nullptr) {
            *result = value.ref();
            ::VariantInit(value.get());  // ownership went to the caller
          }
        },
        exception, bad_argument);
    state().journal().Finish(entry, status);
    return status;
  }

 protected:
  HostFace& face() const { return face_; }
  HostState& state() const { return face_.state(); }
  Model& model() const { return face_.state().model(); }
  void Check(std::string_view operation) const { state().faults().Check(operation); }

 private:
  Derived& self() { return *static_cast<Derived*>(this); }
  // The kind the call takes the member in, or DISP_E_MEMBERNOTFOUND when the
  // member has none of the kinds the call asks for.
  Access AccessFor(DISPID id, WORD flags) {
    for (const Member& member : self().Members()) {
      if (member.id != id) {
        continue;
      }
      if ((flags & kPut) != 0) {
        if ((member.kinds & kPut) != 0) {
          return Access::kPut;
        }
      } else if ((flags & kMethod) != 0 && (member.kinds & kMethod) != 0) {
        return Access::kCall;
      } else if ((flags & kGet) != 0 && (member.kinds & kGet) != 0) {
        return Access::kGet;
      }
      break;
    }
    NoSuchMember();
  }

  HostFace& face_;
};

}  // namespace sorvane::standin::com
