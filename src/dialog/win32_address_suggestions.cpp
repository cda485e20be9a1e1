#include "dialog/win32_address_suggestions.h"

#include <shlguid.h>

#include <cstring>

namespace sorvane {

AddressSuggestions::AddressSuggestions(HWND text_box,
                                       const std::vector<std::u16string_view>& addresses) {
  // The shell's auto-complete object (shell32; browseui before Windows XP).
  ComPtr<IAutoComplete2> complete;
  if (FAILED(::CoCreateInstance(CLSID_AutoComplete, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(complete.GetAddressOf())))) {
    return;
  }
  std::u16string packed;
  for (const std::u16string_view address : addresses) {
    packed.append(address).push_back(u'\0');
  }
  // The drop-down only: the text stays as typed until a suggestion is
  // picked; Down shows every suggestion.
  ThrowIfFailed(complete->SetOptions(ACO_AUTOSUGGEST | ACO_UPDOWNKEYDROPSLIST));
  // The object keeps itself, and the list, for as long as the text box lives.
  ThrowIfFailed(
      complete->Init(text_box, MakeCom<AddressList>(std::move(packed)).Get(), nullptr, nullptr));
  // Without it the list's state is unknown, and the dialog's keys stay as they are.
  (void)complete.As(&drop_down_);
}

bool AddressSuggestions::DroppedDown() const noexcept {
  DWORD state = 0;
  return drop_down_ != nullptr && SUCCEEDED(drop_down_->GetDropDownStatus(&state, nullptr)) &&
         (state & ACDD_VISIBLE) != 0;
}

std::u16string_view AddressList::Take() noexcept {
  if (next_ >= packed_.size()) {
    return {};
  }
  const std::size_t end = packed_.find(u'\0', next_);
  const std::u16string_view address(packed_.data() + next_, end - next_);
  next_ = end + 1;
  return address;
}

STDMETHODIMP AddressList::Next(ULONG count, LPOLESTR* items, ULONG* fetched) noexcept {
  if (items == nullptr || (fetched == nullptr && count != 1)) {
    return E_POINTER;
  }
  const std::size_t start = next_;
  ULONG given = 0;
  for (std::u16string_view address; given < count && !(address = Take()).empty(); ++given) {
    const std::size_t bytes = (address.size() + 1) * sizeof(char16_t);
    items[given] = static_cast<LPOLESTR>(::CoTaskMemAlloc(bytes));
    if (items[given] == nullptr) {
      // All or nothing: what this call handed out is taken back.
      while (given > 0) {
        ::CoTaskMemFree(items[--given]);
        items[given] = nullptr;
      }
      next_ = start;
      return E_OUTOFMEMORY;
    }
    std::memcpy(items[given], address.data(), bytes);  // the NUL after it included
  }
  if (fetched != nullptr) {
    *fetched = given;
  }
  return given == count ? S_OK : S_FALSE;
}

STDMETHODIMP AddressList::Skip(ULONG count) noexcept {
  for (ULONG skipped = 0; skipped < count; ++skipped) {
    if (Take().empty()) {
      return S_FALSE;
    }
  }
  return S_OK;
}

STDMETHODIMP AddressList::Reset() noexcept {
  next_ = 0;
  return S_OK;
}

STDMETHODIMP AddressList::Clone(IEnumString** copy) noexcept {
  return CloneInto(copy, [this] { return MakeCom<AddressList>(packed_, next_); });
}

}  // namespace sorvane
