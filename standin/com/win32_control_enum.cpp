// IEnumVARIANT over a snapshot of a control list (CommandBarControls._NewEnum).

#include <algorithm>

#include "com/win32_dispatch_object.h"

namespace sorvane::standin::com {

namespace {

class ControlEnum final : public ComObject<ControlEnum, IEnumVARIANT> {
 public:
  ControlEnum(HostFace& face, std::vector<ControlPtr> controls, std::size_t next)
      : face_(face), controls_(std::move(controls)), next_(next) {
    face_.state().ObjectCreated();
  }
  ~ControlEnum() override { face_.state().ObjectDestroyed(); }
  ControlEnum(const ControlEnum&) = delete;
  ControlEnum& operator=(const ControlEnum&) = delete;

  STDMETHODIMP Next(ULONG wanted, VARIANT* items, ULONG* fetched) noexcept override {
    if (fetched != nullptr) {
      *fetched = 0;
    }
    if (items == nullptr || (wanted > 1 && fetched == nullptr)) {
      return E_POINTER;
    }
    HostState& state = face_.state();
    std::size_t entry = 0;
    HRESULT status = S_OK;
    try {
      entry = RecordInterfaceCall(state, "IEnumVARIANT", "Next");
      state.faults().Check(op::kEnumNext);
      ULONG count = 0;
      for (; count < wanted && next_ < controls_.size(); ++count, ++next_) {
        ::VariantInit(&items[count]);
        items[count].vt = VT_DISPATCH;
        items[count].pdispVal = MakeCommandBarControl(face_, controls_[next_]).Detach();
      }
      if (fetched != nullptr) {
        *fetched = count;
      }
      status = count == wanted ? S_OK : S_FALSE;
    } catch (...) {
      status = CaughtHResult();
    }
    state.journal().Finish(entry, status);
    return status;
  }
  STDMETHODIMP Skip(ULONG count) noexcept override {
    next_ = std::min<std::size_t>(controls_.size(), next_ + count);
    return next_ < controls_.size() ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() noexcept override {
    next_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnumVARIANT** copy) noexcept override {
    return CloneInto(copy, [this] { return MakeControlEnum(face_, controls_, next_); });
  }

 private:
  HostFace& face_;
  std::vector<ControlPtr> controls_;
  std::size_t next_;
};

}  // namespace

ComPtr<IEnumVARIANT> MakeControlEnum(HostFace& face, std::vector<ControlPtr> controls,
                                     std::size_t next) {
  return MakeCom<ControlEnum>(face, std::move(controls), next);
}

}  // namespace sorvane::standin::com
