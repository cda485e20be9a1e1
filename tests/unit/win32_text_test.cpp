#include "common/win32_text.h"

#include <gtest/gtest.h>

#include "common/win32_handles.h"

namespace sorvane {
namespace {

TEST(Win32Text, WindowTextWhateverItsLength) {
  const UniqueWindow edit(::CreateWindowExW(0, L"EDIT", L"", ES_AUTOHSCROLL, 0, 0, 10, 10,
                                            HWND_MESSAGE, nullptr, nullptr, nullptr));
  ASSERT_NE(edit, nullptr);
  ::SendMessageW(edit.get(), EM_SETLIMITTEXT, 0, 0);
  const std::wstring long_text(100000, L'x');
  ::SetWindowTextW(edit.get(), long_text.c_str());
  EXPECT_EQ(WindowText(edit.get()).size(), long_text.size());
  ::SetWindowTextW(edit.get(), L"");
  EXPECT_EQ(WindowText(edit.get()), u"");
  EXPECT_EQ(WindowText(nullptr), u"") << "no window: no text";
}

TEST(Win32Text, DescribesStatusesTheSystemHasAndHasNot) {
  EXPECT_EQ(DescribeHResult(HResultFromBits(0x80020005U)), u"Type mismatch.")
      << "the automation statuses, which Wine's message table lacks";
  const std::u16string access = DescribeHResult(HResultFromBits(0x80070005U));
  EXPECT_FALSE(access.empty());
  EXPECT_NE(access.back(), u'\n') << "no trailing line break";
  EXPECT_EQ(DescribeHResult(HResultFromBits(0x8004ABCDU)), u"Error 0x8004ABCD");
}

TEST(Win32Text, LastErrorAsAStatus) {
  ::SetLastError(ERROR_ACCESS_DENIED);
  EXPECT_EQ(LastErrorHResult(), HResultFromBits(0x80070005U));
  ::SetLastError(0);
  EXPECT_EQ(LastErrorHResult(), kEFail) << "a failure without an error is still one";
  ::SetLastError(ERROR_FILE_NOT_FOUND);
  try {
    ThrowLastError();
    FAIL() << "no exception";
  } catch (const HResultError& error) {
    EXPECT_EQ(error.code(), HResultFromBits(0x80070002U));
  }
}

}  // namespace
}  // namespace sorvane
