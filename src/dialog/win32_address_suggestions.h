#pragma once

// The addresses typed before, offered under the dialog's text box as the
// system's auto-complete drop-down: the shell's auto-complete object over a
// list of this module's own. The system may read the list on a thread of its
// own; the list never changes once made.

#include <windows.h>

#include <shldisp.h>
#include <shobjidl.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "common/win32_com.h"

namespace sorvane {

class AddressSuggestions {
 public:
  // Offers `addresses` (in this order) as `text_box` is typed into. Where the
  // system has no auto-complete object, nothing is offered and the text box
  // stays as it is. Throws when the system's object refuses the list.
  AddressSuggestions(HWND text_box, const std::vector<std::u16string_view>& addresses);

  // True while the system shows its drop-down list.
  bool DroppedDown() const noexcept;

 private:
  ComPtr<IAutoCompleteDropDown> drop_down_;
};

// The list the system reads: a cursor over the addresses, each handed out as
// a copy that the caller frees with CoTaskMemFree.
class AddressList final : public ComObject<AddressList, IEnumString> {
 public:
  // `packed`: the addresses, each ended by a NUL; `next`: where the cursor is.
  explicit AddressList(std::u16string packed, std::size_t next = 0)
      : packed_(std::move(packed)), next_(next) {}

  STDMETHODIMP Next(ULONG count, LPOLESTR* items, ULONG* fetched) noexcept override;
  STDMETHODIMP Skip(ULONG count) noexcept override;
  STDMETHODIMP Reset() noexcept override;
  STDMETHODIMP Clone(IEnumString** copy) noexcept override;

 private:
  // Moves the cursor past one address and returns it; empty at the end.
  std::u16string_view Take() noexcept;

  const std::u16string packed_;
  std::size_t next_;
};

}  // namespace sorvane
