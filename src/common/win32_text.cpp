#include "common/win32_text.h"

#include <vector>

namespace sorvane {

namespace {

// The system's own texts for the automation statuses the product raises, for
// systems whose message tables lack them (Wine has none of these).
struct KnownStatus {
  HResult status;
  const char16_t* text;
};
constexpr KnownStatus kAutomationTexts[] = {
    {HResultFromBits(0x80020003U), u"Member not found."},
    {HResultFromBits(0x80020004U), u"Parameter not found."},
    {HResultFromBits(0x80020005U), u"Type mismatch."},
    {HResultFromBits(0x80020006U), u"Unknown name."},
    {HResultFromBits(0x80020007U), u"No named arguments."},
    {HResultFromBits(0x80020008U), u"Bad variable type."},
    {HResultFromBits(0x80020009U), u"Exception occurred."},
    {HResultFromBits(0x8002000AU), u"Out of present range."},
    {HResultFromBits(0x8002000BU), u"Invalid index."},
    {HResultFromBits(0x8002000EU), u"Invalid number of parameters."},
    {HResultFromBits(0x8002000FU), u"Parameter not optional."},
};

}  // namespace

std::u16string WindowText(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  if (length <= 0) {
    return {};
  }
  std::u16string text(static_cast<std::size_t>(length), u'\0');
  const int copied = ::GetWindowTextW(window, reinterpret_cast<wchar_t*>(text.data()), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return text;
}

std::u16string DescribeHResult(HResult status) {
  wchar_t* text = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(status), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::u16string description;
  if (length != 0 && text != nullptr) {
    description.assign(reinterpret_cast<const char16_t*>(text), length);
  }
  ::LocalFree(text);
  while (!description.empty() && (description.back() == u'\n' || description.back() == u'\r' ||
                                  description.back() == u' ')) {
    description.pop_back();
  }
  for (const KnownStatus& known : kAutomationTexts) {
    if (description.empty() && known.status == status) {
      description = known.text;
    }
  }
  if (description.empty()) {
    description = u"Error 0x00000000";
    FormatHex(static_cast<std::uint32_t>(status), description.data() + 8);
  }
  return description;
}

HResult LastErrorHResult() {
  const DWORD error = ::GetLastError();
  return error == 0 ? kEFail : HRESULT_FROM_WIN32(error);
}

void ThrowLastError() {
  throw HResultError(LastErrorHResult());
}

}  // namespace sorvane
