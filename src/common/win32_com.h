#pragma once

// COM building blocks: owned BSTRs and VARIANTs, and the IUnknown part of the
// product's own COM objects.

#include <windows.h>

#include <oaidl.h>
#include <objbase.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <atomic>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "common/hresult.h"
#include "common/win32_text.h"

namespace sorvane {

using Microsoft::WRL::ComPtr;

// IID_NULL, without the uuid library's table of every GUID.
inline constexpr GUID kNullIid{};

// A BSTR that frees itself.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::u16string_view text)
      : value_(::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                                   static_cast<UINT>(text.size()))) {
    if (value_ == nullptr) {
      throw std::bad_alloc();
    }
  }
  ~Bstr() { ::SysFreeString(value_); }
  Bstr(Bstr&& other) noexcept : value_(std::exchange(other.value_, nullptr)) {}
  Bstr& operator=(Bstr&& other) noexcept {
    std::swap(value_, other.value_);
    return *this;
  }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  // Takes over a BSTR that a call returned.
  static Bstr Attach(BSTR value) noexcept {
    Bstr attached;
    attached.value_ = value;
    return attached;
  }
  // For a call that returns a BSTR through its argument: frees what is held.
  BSTR* put() noexcept {
    ::SysFreeString(std::exchange(value_, nullptr));
    return &value_;
  }
  BSTR get() const noexcept { return value_; }
  BSTR release() noexcept { return std::exchange(value_, nullptr); }
  std::u16string str() const { return std::u16string(view()); }
  std::u16string_view view() const noexcept {
    return {reinterpret_cast<const char16_t*>(value_), ::SysStringLen(value_)};
  }

 private:
  BSTR value_ = nullptr;
};

// A VARIANT that clears itself.
class Variant {
 public:
  Variant() noexcept { ::VariantInit(&value_); }
  ~Variant() { ::VariantClear(&value_); }
  Variant(Variant&& other) noexcept : value_(other.value_) { ::VariantInit(&other.value_); }
  Variant& operator=(Variant&& other) noexcept {
    std::swap(value_, other.value_);
    return *this;
  }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;

  static Variant Int32(std::int32_t value);
  static Variant Int16(std::int16_t value);
  static Variant Bool(bool value);
  static Variant String(std::u16string_view text);
  static Variant Object(IDispatch* object);
  // An omitted optional argument: VT_ERROR with DISP_E_PARAMNOTFOUND.
  static Variant Missing();

  VARIANT* get() noexcept { return &value_; }
  const VARIANT& ref() const noexcept { return value_; }
  VARTYPE type() const noexcept { return value_.vt; }
  // Clears the value and hands it out to be filled.
  VARIANT* receive() noexcept {
    ::VariantClear(&value_);
    return &value_;
  }

  // The value coerced as the automation rules coerce it; DISP_E_TYPEMISMATCH
  // and the like when it cannot be.
  std::u16string ToString() const;
  std::int32_t ToInt32() const;
  // The object held, or null for "nothing" (an empty object reference).
  ComPtr<IUnknown> ToObject() const;

 private:
  // VariantChangeType takes its source as non-const; it only reads it.
  VARIANT* Source() const {
    return const_cast<VARIANT*>(&value_);  // NOLINT(cppcoreguidelines-pro-type-const-cast)
  }
  VARIANT value_{};
};

// Calls member `id` of `object` through IDispatch::Invoke with `args` in
// their declared order (DISPPARAMS lists them last to first). A put passes
// its value as the named argument DISPID_PROPERTYPUT and asks for no result.
// Returns Invoke's status; `result` and `exception` (either may be null)
// receive what it gave back.
HRESULT InvokeInOrder(IDispatch* object, DISPID id, WORD flags, const std::vector<Variant>& args,
                      Variant* result, EXCEPINFO* exception);

// The interface a base of a COM object exposes: the base itself, or the
// interface it implements (`Exposed`) when the base is an implementation helper.
template <typename T>
struct ExposedInterface {
  using type = T;
};
template <typename T>
requires requires {
  typename T::Exposed;
}
struct ExposedInterface<T> {
  using type = typename T::Exposed;
};

// IDispatch's type-information half for an object that describes no types:
// its callers find members by name (GetIDsOfNames) or know their DISPIDs.
template <typename Interface = IDispatch>
class WithoutTypeInfo : public Interface {
 public:
  using Exposed = Interface;

  STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override {
    if (count == nullptr) {
      return E_POINTER;
    }
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept override {
    if (info != nullptr) {
      *info = nullptr;
    }
    return DISP_E_BADINDEX;
  }

 protected:
  // Only ever a base of a COM object, which ends its own life.
  WithoutTypeInfo() = default;
  ~WithoutTypeInfo() = default;
};

// IClassFactory::CreateInstance for a class object that makes one kind of
// object and supports no aggregation; Derived supplies
//   ComPtr<IUnknown> Create();   a new object (throws on failure)
// and LockServer.
template <typename Derived>
class ClassFactoryBase : public IClassFactory {
 public:
  using Exposed = IClassFactory;

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) noexcept override {
    if (out == nullptr) {
      return E_POINTER;
    }
    *out = nullptr;
    if (outer != nullptr) {
      return CLASS_E_NOAGGREGATION;
    }
    try {
      return static_cast<Derived*>(this)->Create()->QueryInterface(iid, out);
    } catch (...) {
      return CaughtHResult();
    }
  }

 protected:
  // Only ever a base of a COM object, which ends its own life.
  ClassFactoryBase() = default;
  ~ClassFactoryBase() = default;
};

// COM objects of this module alive now: the module may unload only at zero
// (a sink the host still holds runs this module's code when released).
inline std::atomic<long>& LiveComObjects() {
  static std::atomic<long> count{0};
  return count;
}

// Calls into this module running now: window procedures, hooks and event
// sinks that the host may outlive its references to (it pumps messages while
// it opens a web, and may let go of the add-in and free unused modules then).
// The module may unload only at zero, or it would be unmapped under its own
// running code.
inline std::atomic<long>& RunningCalls() {
  static std::atomic<long> count{0};
  return count;
}

// Counts one such call for as long as it runs.
class RunningCall {
 public:
  RunningCall() noexcept { ++RunningCalls(); }
  ~RunningCall() { --RunningCalls(); }
  RunningCall(const RunningCall&) = delete;
  RunningCall& operator=(const RunningCall&) = delete;
};

// The IUnknown part of a COM object implementing `Interfaces`. Objects are made
// with MakeCom and live while references to them exist.
template <typename Derived, typename... Interfaces>
class ComObject : public Interfaces... {
 public:
  ComObject() noexcept { ++LiveComObjects(); }
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) noexcept override {
    if (out == nullptr) {
      return E_POINTER;
    }
    *out = nullptr;
    if (iid == __uuidof(IUnknown)) {
      *out = static_cast<IUnknown*>(static_cast<FirstInterface*>(this));
    } else {
      (void)((Answer<Interfaces>(iid, out)) || ...);
      if (*out == nullptr) {
        *out = static_cast<Derived*>(this)->QueryOther(iid);
      }
    }
    if (*out == nullptr) {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() noexcept override {
    const ULONG left = --references_;
    if (left == 0) {
      // The one place that ends a COM object's life: its last reference went.
      delete static_cast<Derived*>(this);  // NOLINT(cppcoreguidelines-owning-memory)
    }
    return left;
  }

  // Further interface identifiers the object answers (for example a host
  // interface served by its IDispatch); null for none.
  void* QueryOther(REFIID /*iid*/) noexcept { return nullptr; }

  // Objects are destroyed only by Release, as their most derived type.
  virtual ~ComObject() { --LiveComObjects(); }

 private:
  using FirstInterface = std::tuple_element_t<0, std::tuple<Interfaces...>>;
  template <typename Interface>
  bool Answer(REFIID iid, void** out) noexcept {
    using Exposed = typename ExposedInterface<Interface>::type;
    if (iid == __uuidof(Exposed)) {
      *out = static_cast<Exposed*>(static_cast<Interface*>(this));
      return true;
    }
    return false;
  }
  std::atomic<ULONG> references_{1};
};

// An enumerator's Clone: `copy` receives the new enumerator `make` returns
// (a ComPtr), or null and the failure's status.
template <typename Interface, typename Make>
HRESULT CloneInto(Interface** copy, Make&& make) noexcept {
  if (copy == nullptr) {
    return E_POINTER;
  }
  *copy = nullptr;
  try {
    *copy = make().Detach();
    return S_OK;
  } catch (...) {
    return CaughtHResult();
  }
}

// Makes a COM object; the pointer returned holds its only reference.
// (MinGW's ComPtr::Attach adds a reference, unlike Microsoft's: the pointer is
// stored directly instead.)
template <typename T, typename... Args>
ComPtr<T> MakeCom(Args&&... args) {
  // The object owns itself from here: its last Release deletes it.
  T* created = new T(std::forward<Args>(args)...);  // NOLINT(cppcoreguidelines-owning-memory)
  ComPtr<T> object;
  *object.GetAddressOf() = created;
  return object;
}

}  // namespace sorvane
