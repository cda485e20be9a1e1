#include "common/win32_text.h"

#include <vector>

namespace sorvane {

namespace {

// The system's own texts for the automation statuses the product raises, for
// systems whose message tables lack them (Wine has none of these).
struct KnownStatus {
  HResult status;
  const wchar_t* text;
};
constexpr KnownStatus kAutomationTexts[] = {
    {HResultFromBits(0x80020003U), L"Member not found."},
    {HResultFromBits(0x80020004U), L"Parameter not found."},
    {HResultFromBits(0x80020005U), L"Type mismatch."},
    {HResultFromBits(0x80020006U), L"Unknown name."},
    {HResultFromBits(0x80020007U), L"No named arguments."},
    {HResultFromBits(0x80020008U), L"Bad variable type."},
    {HResultFromBits(0x80020009U), L"Exception occurred."},
    {HResultFromBits(0x8002000AU), L"Out of present range."},
    {HResultFromBits(0x8002000BU), L"Invalid index."},
    {HResultFromBits(0x8002000EU), L"Invalid number of parameters."},
    {HResultFromBits(0x8002000FU), L"Parameter not optional."},
};

}  // namespace

std::u16string WindowText(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  if (length <= 0) {
    return {};
  }
  std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
  const int copied = ::GetWindowTextW(window, buffer.data(), length + 1);
  return FromWide({buffer.data(), static_cast<std::size_t>(copied > 0 ? copied : 0)});
}

std::u16string DescribeHResult(HResult status) {
  wchar_t* text = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(status), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring description;
  if (length != 0 && text != nullptr) {
    description.assign(text, length);
  }
  ::LocalFree(text);
  while (!description.empty() && (description.back() == L'\n' || description.back() == L'\r' ||
                                  description.back() == L' ')) {
    description.pop_back();
  }
  for (const KnownStatus& known : kAutomationTexts) {
    if (description.empty() && known.status == status) {
      description = known.text;
    }
  }
  if (description.empty()) {
    description = L"Error 0x00000000";
    FormatHex(static_cast<std::uint32_t>(status), description.data() + 8);
  }
  return FromWide(description);
}

HResult LastErrorHResult() {
  const DWORD error = ::GetLastError();
  return error == 0 ? kEFail : HRESULT_FROM_WIN32(error);
}

void ThrowLastError() {
  throw HResultError(LastErrorHResult());
}

}  // namespace sorvane
