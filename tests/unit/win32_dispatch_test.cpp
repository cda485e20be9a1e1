#include "host/com/win32_dispatch.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/expect_ref.h"
#include "support/failure_of.h"

namespace sorvane::host::com {
namespace {

// A host object that records what it is sent and answers as told: a strict
// fake of IDispatch.
class FakeHostObject final : public ComObject<FakeHostObject, WithoutTypeInfo<>> {
 public:
  explicit FakeHostObject(const GUID& iid) : iid_(iid) {}

  void* QueryOther(REFIID iid) noexcept {
    return iid == iid_ ? static_cast<IDispatch*>(this) : nullptr;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                             DISPID* ids) noexcept override {
    ++lookups;
    if (count != 1) {
      return E_INVALIDARG;
    }
    ids[0] = DISPID_UNKNOWN;
    for (const auto& [name, id] : kIds) {
      if (std::wstring_view(names[0]) == name) {
        ids[0] = id;
      }
    }
    return ids[0] == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT*) noexcept override {
    Call call{id, flags, {}, {}, result != nullptr};
    for (UINT i = 0; i < params->cArgs; ++i) {
      call.rgvarg.push_back(params->rgvarg[i].vt);
    }
    call.named.assign(params->rgdispidNamedArgs, params->rgdispidNamedArgs + params->cNamedArgs);
    calls.push_back(call);
    if (raise != S_OK) {
      if (exception == nullptr) {
        return raise;
      }
      *exception = EXCEPINFO{};
      exception->scode = raise_scode;
      exception->wCode = raise_wcode;
      exception->bstrDescription = ::SysAllocString(L"described");
      exception->pfnDeferredFillIn = deferred ? &FakeHostObject::FillIn : nullptr;
      return raise;
    }
    if (result != nullptr && answer != nullptr) {
      ::VariantCopy(result, answer->get());
    }
    return S_OK;
  }

  struct Call {
    DISPID id;
    WORD flags;
    std::vector<VARTYPE> rgvarg;  // as DISPPARAMS holds them: last argument first
    std::vector<DISPID> named;
    bool wants_result;
  };
  std::vector<Call> calls;
  int lookups = 0;
  HRESULT raise = S_OK;  // DISP_E_EXCEPTION: with the record below
  SCODE raise_scode = 0;
  WORD raise_wcode = 0;
  bool deferred = false;
  Variant* answer = nullptr;
  static inline int filled_in = 0;

 private:
  static HRESULT STDAPICALLTYPE FillIn(EXCEPINFO* info) {
    ++filled_in;
    info->scode = HResultFromBits(0x80041111U);
    return S_OK;
  }
  static constexpr std::pair<std::wstring_view, DISPID> kIds[] = {
      {L"Caption", 1}, {L"Add", 2}, {L"Controls", 3}};
  GUID iid_;
};

// Each test its own interface identifier: the name cache is per interface.
GUID TestIid(unsigned long n) {
  return {0x5A5A0000UL + n, 0x1234, 0x5678, {0x9A, 0xBC, 0xDE, 0xF0, 0x12, 0x34, 0x56, 0x78}};
}

using testing_support::FailureOf;

TEST(Dispatch, AnObjectWithoutTheInterfaceIsATypeMismatch) {
  const ComPtr<FakeHostObject> object = MakeCom<FakeHostObject>(TestIid(1));
  EXPECT_EQ(FailureOf([&] { Dispatch(object.Get(), TestIid(2)); }), kDispETypeMismatch);
  EXPECT_EQ(FailureOf([&] { Dispatch(nullptr, TestIid(1)); }), kDispETypeMismatch);
  EXPECT_EQ(FailureOf([&] { Dispatch{nullptr}; }), kDispETypeMismatch);
  {
    const Dispatch bound(object.Get(), TestIid(1));
    EXPECT_REF(object.Get(), 2);
  }
  EXPECT_REF(object.Get(), 1) << "released with the binding";
}

TEST(Dispatch, LooksNamesUpOncePerInterfaceAndEveryTimeLateBound) {
  const ComPtr<FakeHostObject> first = MakeCom<FakeHostObject>(TestIid(3));
  const ComPtr<FakeHostObject> second = MakeCom<FakeHostObject>(TestIid(3));
  Dispatch(first.Get(), TestIid(3)).Get(L"Caption");
  Dispatch(second.Get(), TestIid(3)).Get(L"Caption");
  EXPECT_EQ(first->lookups + second->lookups, 1) << "the interface's members never change";
  const Dispatch late(first.Get());
  late.Get(L"Controls");
  late.Get(L"Controls");
  EXPECT_EQ(first->lookups, 3);
  EXPECT_EQ(FailureOf([&] { late.Get(L"Nothing"); }), HResultFromBits(0x80020006U));
}

TEST(Dispatch, SendsArgumentsLastToFirstAndPutsByTheNamedArgument) {
  const ComPtr<FakeHostObject> object = MakeCom<FakeHostObject>(TestIid(4));
  const Dispatch bound(object.Get(), TestIid(4));
  std::vector<Variant> args;
  args.push_back(Variant::Int32(1));
  args.push_back(Variant::Missing());
  args.push_back(Variant::String(u"Sorvane"));
  bound.Call(L"Add", std::move(args));
  bound.Put(L"Caption", Variant::String(u"x"));
  bound.Get(L"Caption");
  ASSERT_EQ(object->calls.size(), 3U);
  const auto& add = object->calls[0];
  EXPECT_EQ(add.flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
  EXPECT_EQ(add.rgvarg, (std::vector<VARTYPE>{VT_BSTR, VT_ERROR, VT_I4}));
  EXPECT_TRUE(add.named.empty());
  const auto& put = object->calls[1];
  EXPECT_EQ(put.flags, DISPATCH_PROPERTYPUT);
  EXPECT_EQ(put.named, std::vector<DISPID>{DISPID_PROPERTYPUT});
  EXPECT_FALSE(put.wants_result) << "a put asks for no result";
  EXPECT_EQ(object->calls[2].flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
}

TEST(Dispatch, AFailureCarriesTheHostsOwnStatus) {
  struct Case {
    const char* name;
    HRESULT raise;
    SCODE scode;
    WORD wcode;
    bool deferred;
    HResult expected;
  };
  for (const Case& c : {
           Case{"plain status", HResultFromBits(0x80041234U), 0, 0, false,
                HResultFromBits(0x80041234U)},
           Case{"exception with its code", DISP_E_EXCEPTION, HResultFromBits(0x80045678U), 0, false,
                HResultFromBits(0x80045678U)},
           Case{"exception with a VB error number", DISP_E_EXCEPTION, 0, 5, false,
                HResultFromBits(0x800A0005U)},
           Case{"exception filled in later", DISP_E_EXCEPTION, 0, 0, true,
                HResultFromBits(0x80041111U)},
           Case{"exception without a code", DISP_E_EXCEPTION, 0, 0, false, DISP_E_EXCEPTION},
       }) {
    const ComPtr<FakeHostObject> object = MakeCom<FakeHostObject>(TestIid(5));
    object->raise = c.raise;
    object->raise_scode = c.scode;
    object->raise_wcode = c.wcode;
    object->deferred = c.deferred;
    EXPECT_EQ(FailureOf([&] { Dispatch(object.Get(), TestIid(5)).Get(L"Caption"); }), c.expected)
        << c.name;
  }
}

TEST(Dispatch, AnEnumeratorThatIsNoneIsATypeMismatch) {
  const ComPtr<FakeHostObject> object = MakeCom<FakeHostObject>(TestIid(6));
  const Dispatch bound(object.Get(), TestIid(6));
  EXPECT_EQ(FailureOf([&] { bound.NewEnum(); }), kDispETypeMismatch) << "nothing";
  Variant not_an_enumerator = Variant::Object(object.Get());
  object->answer = &not_an_enumerator;
  EXPECT_EQ(FailureOf([&] { bound.NewEnum(); }), kDispETypeMismatch);
  object->answer = nullptr;
  not_an_enumerator.receive();
  EXPECT_REF(object.Get(), 2) << "the binding and this test only";
}

}  // namespace
}  // namespace sorvane::host::com
