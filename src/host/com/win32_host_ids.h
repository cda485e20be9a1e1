#pragma once

// Identifiers the host documents for its object model.

#include <windows.h>

namespace sorvane::host::com {

// FrontPage's Application class and interface.
inline constexpr GUID kClsidApplication{
    0x04DF1015, 0x7007, 0x11D1, {0x83, 0xBC, 0x00, 0x60, 0x97, 0xAB, 0xE6, 0x75}};
inline constexpr GUID kIidApplication{
    0x04DF1014, 0x7007, 0x11D1, {0x83, 0xBC, 0x00, 0x60, 0x97, 0xAB, 0xE6, 0x75}};

// Office command bars: {000C03xx-0000-0000-C000-000000000046}.
constexpr GUID OfficeIid(unsigned long data1) {
  return {data1, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
}
inline constexpr GUID kIidCommandBars = OfficeIid(0x000C0302);
inline constexpr GUID kIidCommandBar = OfficeIid(0x000C0304);
inline constexpr GUID kIidCommandBarControls = OfficeIid(0x000C0306);
inline constexpr GUID kIidCommandBarControl = OfficeIid(0x000C0308);
inline constexpr GUID kIidCommandBarPopup = OfficeIid(0x000C030A);
inline constexpr GUID kIidCommandBarButton = OfficeIid(0x000C030E);
inline constexpr GUID kIidCommandBarButtonEvents = OfficeIid(0x000C0351);

}  // namespace sorvane::host::com
