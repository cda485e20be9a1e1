#include "common/win32_com.h"

#include <gtest/gtest.h>

#include <string>

#include "support/expect_ref.h"

namespace sorvane {
namespace {

// A COM object of the smallest kind, to watch the IUnknown part work.
class Probe final : public ComObject<Probe, WithoutTypeInfo<>> {
 public:
  explicit Probe(int& destroyed) : destroyed_(destroyed) {}
  ~Probe() override { ++destroyed_; }
  Probe(const Probe&) = delete;
  Probe& operator=(const Probe&) = delete;
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override {
    return DISP_E_UNKNOWNNAME;
  }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) noexcept override {
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  int& destroyed_;
};

TEST(ComObject, LivesWhileReferencedAndAnswersOnlyItsInterfaces) {
  int destroyed = 0;
  const long live_before = LiveComObjects();
  {
    const ComPtr<Probe> probe = MakeCom<Probe>(destroyed);
    EXPECT_REF(probe.Get(), 1) << "MakeCom holds the only reference";
    EXPECT_EQ(LiveComObjects(), live_before + 1);
    const ComPtr<IDispatch> dispatch = testing_support::Query<IDispatch>(probe.Get());
    EXPECT_REF(probe.Get(), 2);
    const ComPtr<IUnknown> unknown = testing_support::Query<IUnknown>(probe.Get());
    EXPECT_EQ(unknown.Get(), static_cast<IUnknown*>(dispatch.Get())) << "one identity";
    auto* other = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(probe->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&other)),
              E_NOINTERFACE);
    EXPECT_EQ(other, nullptr) << "cleared on entry";
    EXPECT_EQ(probe->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_REF(probe.Get(), 3);
    UINT count = 7;
    EXPECT_EQ(probe->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 0U);
    auto* info = reinterpret_cast<ITypeInfo*>(1);
    EXPECT_EQ(probe->GetTypeInfo(0, 0, &info), DISP_E_BADINDEX);
    EXPECT_EQ(info, nullptr);
  }
  EXPECT_EQ(destroyed, 1) << "the last Release ends it, once";
  EXPECT_EQ(LiveComObjects(), live_before);
}

TEST(Bstr, OwnsItsTextWithEmbeddedNuls) {
  const std::u16string text(u"a\0b", 3);
  Bstr owned(text);
  EXPECT_EQ(::SysStringLen(owned.get()), 3U);
  EXPECT_EQ(owned.str(), text);
  Bstr moved(std::move(owned));
  // NOLINTNEXTLINE(bugprone-use-after-move,clang-analyzer-cplusplus.Move): moved-from is empty
  EXPECT_EQ(owned.get(), nullptr);
  EXPECT_EQ(moved.str(), text);
  *moved.put() = ::SysAllocString(L"next");  // put() frees what was held
  EXPECT_EQ(moved.str(), u"next");
  const Bstr attached = Bstr::Attach(::SysAllocString(L"taken"));
  EXPECT_EQ(attached.str(), u"taken");
  EXPECT_EQ(Bstr().str(), u"") << "no string reads as empty";
}

TEST(Variant, MakesTheAutomationTypesAndCoercesAsAutomationDoes) {
  const Variant missing = Variant::Missing();
  EXPECT_EQ(missing.type(), VT_ERROR);
  EXPECT_EQ(missing.ref().scode, DISP_E_PARAMNOTFOUND);
  EXPECT_EQ(Variant::Bool(true).ref().boolVal, VARIANT_TRUE);
  EXPECT_EQ(Variant::Int16(-5).type(), VT_I2);
  EXPECT_EQ(Variant::Int32(5).ToString(), u"5");
  EXPECT_EQ(Variant::String(u"12").ToInt32(), 12);
  try {
    Variant::String(u"twelve").ToInt32();
    ADD_FAILURE() << "no failure";
  } catch (const HResultError& error) {
    EXPECT_EQ(error.code(), kDispETypeMismatch);
  }
  EXPECT_EQ(Variant().ToObject(), nullptr) << "VT_EMPTY is nothing";
  EXPECT_THROW(Variant::Int32(1).ToObject(), HResultError);

  int destroyed = 0;
  const ComPtr<Probe> probe = MakeCom<Probe>(destroyed);
  {
    const Variant object = Variant::Object(probe.Get());
    EXPECT_REF(probe.Get(), 2) << "the variant holds its own reference";
    EXPECT_EQ(object.ToObject().Get(),
              static_cast<IUnknown*>(static_cast<IDispatch*>(probe.Get())));
  }
  EXPECT_REF(probe.Get(), 1) << "and lets it go";
  Variant moved = Variant::Object(probe.Get());
  Variant target = std::move(moved);
  // NOLINTNEXTLINE(bugprone-use-after-move,clang-analyzer-cplusplus.Move): moved-from is empty
  EXPECT_EQ(moved.type(), VT_EMPTY);
  EXPECT_REF(probe.Get(), 2);
  target.receive();
  EXPECT_REF(probe.Get(), 1) << "receive() clears what was held";
}

}  // namespace
}  // namespace sorvane
