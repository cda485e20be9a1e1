#include "dialog/frm_open_layout.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace sorvane::frm_open_layout {
namespace {

const Control& Named(int id) {
  for (const Control& control : kControls) {
    if (control.id == id) {
      return control;
    }
  }
  throw std::out_of_range("no such control");
}

// The layout's geometry as the original dialog has it, in client coordinates.
TEST(FrmOpenLayout, PlacesTheControlsAsTheOriginal) {
  const Twips label = InClient(Named(IDC_LBLSPECIFY));
  const Twips text = InClient(Named(IDC_TXTWEBURL));
  const Twips open = InClient(Named(IDC_CMDOPEN));
  const Twips cancel = InClient(Named(IDC_CMDCANCEL));
  EXPECT_EQ(label.left, 375);
  EXPECT_EQ(label.top, 555);
  EXPECT_EQ(text.left, 375);
  EXPECT_EQ(text.top, 840);
  EXPECT_EQ(open.top, cancel.top) << "one row";
  EXPECT_EQ(cancel.left - open.right(), 150);
  EXPECT_EQ(kClientWidth - cancel.right(), 90);
  EXPECT_EQ(kClientHeight - cancel.bottom(), 120);
  EXPECT_EQ(open.top - kFrame.bottom(), 285) << "the frame ends 285 above the buttons";
  for (const Control& control : kControls) {
    const Twips at = InClient(control);
    EXPECT_GE(at.left, 0);
    EXPECT_LE(at.right(), kClientWidth);
    EXPECT_LE(at.bottom(), kClientHeight);
    if (control.in_frame) {
      EXPECT_LE(at.right(), kFrame.right()) << "inside its frame";
      EXPECT_LE(at.bottom(), kFrame.bottom()) << "inside its frame";
    }
  }
}

// The dialog manager tabs in z-order: the table is made in tab order, and
// the label comes right before the text box it names.
TEST(FrmOpenLayout, MadeInTabOrderWithTheLabelBeforeTheTextBox) {
  for (std::size_t i = 1; i < kControls.size(); ++i) {
    EXPECT_LT(kControls[i - 1].tab_index, kControls[i].tab_index);
  }
  EXPECT_EQ(kControls[1].id, IDC_LBLSPECIFY);
  EXPECT_EQ(kControls[2].id, IDC_TXTWEBURL);
}

TEST(FrmOpenLayout, TwipsBecomePixelsRounded) {
  struct Case {
    int twips, dpi, pixels;
  };
  for (const Case c : {Case{1440, 96, 96}, Case{4650, 96, 310}, Case{4650, 120, 388},
                       Case{15, 96, 1}, Case{7, 96, 0}, Case{8, 96, 1}, Case{0, 120, 0}}) {
    EXPECT_EQ(ToPixels(c.twips, c.dpi), c.pixels) << c.twips << " at " << c.dpi;
  }
}

}  // namespace
}  // namespace sorvane::frm_open_layout
