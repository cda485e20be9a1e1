// The module's visual-styles context, in this program from the same
// resources (the manifest at ID 2) the module carries.

#include "dialog/win32_visual_styles.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "support/win32_dialog_driver.h"

namespace sorvane {
namespace {

using testing_support::FromCommonControlsSix;

// Whether a button made now is comctl32 6's.
bool ButtonIsThemed() {
  const HWND button =
      ::CreateWindowW(L"Button", L"x", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
  const bool themed = FromCommonControlsSix(button);
  ::DestroyWindow(button);
  return themed;
}

TEST(VisualStylesScope, ActiveForItsLifetimeOnly) {
  EXPECT_FALSE(ButtonIsThemed()) << "this program has no manifest of its own";
  {
    const VisualStylesScope themed;
    EXPECT_TRUE(ButtonIsThemed());
    {
      // Nested, as a message box shown while the dialog is being made.
      const VisualStylesScope again;
      EXPECT_TRUE(ButtonIsThemed());
    }
    EXPECT_TRUE(ButtonIsThemed()) << "the inner scope's end leaves the outer one active";
  }
  EXPECT_FALSE(ButtonIsThemed()) << "the scope's end puts the caller's context back";
}

// One context for the module, made once: a scope per showing and per message
// box must not leave activations (or contexts) behind on the host's thread.
TEST(VisualStylesScope, ManyScopesLeaveTheThreadAsTheyFoundIt) {
  for (int i = 0; i < 1000; ++i) {
    const VisualStylesScope outer;
    const VisualStylesScope inner;
  }
  EXPECT_FALSE(ButtonIsThemed());
  const VisualStylesScope themed;
  EXPECT_TRUE(ButtonIsThemed());
}

}  // namespace
}  // namespace sorvane
