#pragma once

// frmOpen's layout: the window's client area and its five controls, measured
// in twips (1/1440 inch), in the order they are made, which is their z-order
// and so their tab order. Positions are relative to the control's container:
// the client area, or the frame Frame1 for the label and the text box.

#include <array>
#include <string_view>

#include "dialog/frm_open_ids.h"

namespace sorvane::frm_open_layout {

inline constexpr std::u16string_view kCaption = u"Open Web";
inline constexpr std::u16string_view kToolTip =
    u"Enter the URL or disk path to the web you would like to open.";
inline constexpr int kTwipsPerInch = 1440;

struct Twips {
  int left;
  int top;
  int width;
  int height;
  constexpr int right() const { return left + width; }
  constexpr int bottom() const { return top + height; }
};

inline constexpr int kClientWidth = 4650;
inline constexpr int kClientHeight = 2535;

enum class Kind { kFrame, kLabel, kTextBox, kDefaultButton, kButton };

// Each control as frmOpen names it: Frame1, lblSpecify, txtWebURL, cmdOpen,
// cmdCancel (the resource identifiers carry the names).
struct Control {
  Kind kind;
  int id;  // its resource identifier
  std::u16string_view text;
  bool in_frame;
  Twips twips;
  int tab_index;  // the original's; only the text box and the buttons take the focus
};

inline constexpr Twips kFrame{60, 150, 4530, 1605};

inline constexpr std::array<Control, 5> kControls{{
    {Kind::kFrame, IDC_FRAME1, u"", false, kFrame, 0},
    {Kind::kLabel,
     IDC_LBLSPECIFY,
     u"Please specify URL or disk location:",
     true,
     {315, 405, 2655, 255},
     1},
    {Kind::kTextBox, IDC_TXTWEBURL, u"", true, {315, 690, 3855, 285}, 2},
    {Kind::kDefaultButton, IDC_CMDOPEN, u"&Open", false, {2610, 2040, 900, 375}, 3},
    {Kind::kButton, IDC_CMDCANCEL, u"Cancel", false, {3660, 2040, 900, 375}, 4},
}};

// A control's place in the client area's own coordinates.
constexpr Twips InClient(const Control& control) {
  if (!control.in_frame) {
    return control.twips;
  }
  return {control.twips.left + kFrame.left, control.twips.top + kFrame.top, control.twips.width,
          control.twips.height};
}

// Twips to pixels at `dpi`, rounded. Both edges of a control are converted,
// so that neighbouring controls keep their gaps. (In 32 bits: a dialog's
// twips times any screen's DPI fits, and the shipped module needs no 64-bit
// division from the compiler's runtime.)
constexpr int ToPixels(int twips, int dpi) {
  return (twips * dpi + kTwipsPerInch / 2) / kTwipsPerInch;
}

}  // namespace sorvane::frm_open_layout
