// What a screen reader is told about the real module's dialog. The system's
// Active Accessibility proxy names a text box after the label just before it
// in z-order, and a button or a dialog after its text; the dialog keeps that
// structure, and where this system's Active Accessibility answers, the names
// themselves are checked.

#include <oleacc.h>
#include <wrl/client.h>

#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "addin_fixture.h"
#include "common/win32_com.h"

namespace sorvane::testing_support {
namespace {

using Microsoft::WRL::ComPtr;

std::string Hex(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

TEST_F(AddInEndToEnd, EveryControlIsNamedForAScreenReader) {
  ASSERT_EQ(Load(), S_OK);
  Click();
  const HWND dialog = FindDialog();
  ASSERT_NE(dialog, nullptr);
  const std::u16string label = u"Please specify URL or disk location:";

  // The structure the proxy reads: the label, then the text box.
  const HWND edit = standin::TextBoxOf(dialog);
  const HWND before = ::GetWindow(edit, GW_HWNDPREV);
  ASSERT_NE(before, nullptr);
  EXPECT_EQ(standin::ClassOf(before), L"Static");
  EXPECT_EQ(WindowText(before), label) << "the control before the text box names it";
  EXPECT_EQ(::GetWindowLongPtrW(before, GWL_STYLE) & WS_TABSTOP, 0)
      << "the label takes no focus: Tab goes from it to the text box";

  struct Named {
    const char* what;
    HWND window;
    LONG object;
    std::u16string name;  // as the proxy gives it: "&" taken out
  };
  const Named named[] = {
      {"text box", edit, OBJID_CLIENT, label},
      {"Open", standin::OpenButtonOf(dialog), OBJID_CLIENT, u"Open"},
      {"Cancel", standin::CancelButtonOf(dialog), OBJID_CLIENT, u"Cancel"},
      {"dialog", dialog, OBJID_WINDOW, u"Open Web"},
  };
  std::vector<std::string> unanswered;
  int checked = 0;
  for (const Named& n : named) {
    ComPtr<IAccessible> accessible;
    const HRESULT hr =
        ::AccessibleObjectFromWindow(n.window, static_cast<DWORD>(n.object), IID_IAccessible,
                                     reinterpret_cast<void**>(accessible.GetAddressOf()));
    if (FAILED(hr) || accessible == nullptr) {
      unanswered.push_back(std::string(n.what) + " " + Hex(hr));
      continue;
    }
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    Bstr name;
    const HRESULT named_hr = accessible->get_accName(self, name.put());
    if (named_hr == E_NOTIMPL) {  // an object without names (Wine's window object)
      unanswered.push_back(std::string(n.what) + " get_accName " + Hex(named_hr));
      continue;
    }
    ASSERT_EQ(named_hr, S_OK) << n.what;
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(name.get())), n.name) << n.what;
    ++checked;
  }
  std::cout << "note: Active Accessibility named " << checked << " of " << std::size(named)
            << " windows here\n";
  if (!unanswered.empty()) {
    std::cout << "note: Active Accessibility gives no name here for";
    for (const std::string& u : unanswered) {
      std::cout << " [" << u << "]";
    }
    std::cout << "; those names are proved from the window tree only\n";
  }
}

}  // namespace
}  // namespace sorvane::testing_support
