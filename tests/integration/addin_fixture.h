#pragma once

// The real module, Sorvane.dll, in a process that plays the host: the
// stand-in host (its state, COM face, add-ins, main window) in this process,
// the add-in created from the module's class object, connected, clicked,
// disconnected and released as the host does it. Everything the tests read
// back, they read as the stand-in host does: the registry at the host's own
// locations, the dialog by its caption and its controls' kinds and texts.

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "com/win32_extensibility.h"
#include "model/host_state.h"
#include "support/win32_debug_output.h"
#include "support/win32_dialog_driver.h"
#include "support/win32_ole.h"
#include "win32_addins.h"
#include "win32_host.h"
#include "win32_host_values.h"

namespace sorvane::testing_support {

inline constexpr HResult kInjected = HResultFromBits(0x80041234U);

// The module as built, as Wine names it.
inline std::u16string ModulePath() {
  std::u16string path(u"Z:" SORVANE_MODULE_PATH);
  for (char16_t& c : path) {
    c = c == u'/' ? u'\\' : c;
  }
  return path;
}

// The text of one of the host's values, absent when it is not there.
inline std::optional<std::u16string> StoredText(standin::HostValue which) {
  const std::optional<standin::StoredValue> value = standin::ReadHostValue(which);
  return value ? std::optional(value->text) : std::nullopt;
}
inline std::optional<std::u16string> Web1() {
  return StoredText(standin::HostValue::kWeb1);
}
inline std::optional<std::u16string> Mru() {
  return StoredText(standin::HostValue::kFileNameMru);
}

// The File-bar controls tagged "Sorvane".
inline std::vector<standin::ControlPtr> Tagged(const standin::Model& model) {
  std::vector<standin::ControlPtr> found;
  for (const standin::ControlPtr& control : model.file_bar().list->controls) {
    if (control->tag == u"Sorvane") {
      found.push_back(control);
    }
  }
  return found;
}

class AddInEndToEnd : public testing::Test {
 protected:
  void SetUp() override {
    standin::RegisterDesignerLibrary();
    standin::ClearHostValues();
  }
  void TearDown() override {
    bool unloadable = false;
    add_ins_.Shutdown(unloadable);
    Pump();
    if (const HWND dialog = FindDialog()) {
      ClickButton(CancelButtonOf(dialog));
      add_ins_.Shutdown(unloadable);
    }
    EXPECT_TRUE(unloadable) << "the module must allow unloading once everything is gone";
    EXPECT_EQ(state_.held(), 0) << "host objects still held by the add-in";
    standin::ClearHostValues();
  }

  HRESULT Load() {
    std::u16string prog_id;
    const HRESULT status = add_ins_.LoadModule(ModulePath(), prog_id);
    EXPECT_EQ(prog_id, u"Sorvane.Connect");
    return status;
  }
  std::vector<standin::ControlPtr> Tagged() const { return testing_support::Tagged(model_); }
  // A user's click on the add-in's button, delivered as the host delivers it.
  void Click() {
    host_.Click(standin::Model::Item(*model_.file_bar().list, u"Kelvra Sorvane..."));
    Pump();
  }
  // Clicks the button, types `text` and presses Enter; returns the dialog.
  HWND OpenWith(const std::wstring& text) {
    Click();
    const HWND dialog = FindDialog();
    EXPECT_NE(dialog, nullptr);
    if (dialog != nullptr) {
      Type(dialog, text);
      PressEnter(dialog);
    }
    return dialog;
  }

  OleApartment apartment_;
  standin::Host host_;
  standin::HostState& state_ = host_.state();
  standin::Model& model_ = host_.model();
  standin::com::HostFace& face_ = host_.face();
  standin::AddIns& add_ins_ = host_.add_ins();
};

// The host's policies where it may behave one way or another; the tests of
// the add-in's connection and of the host's behaviours run under each.
struct PolicyCase {
  const char* name;
  standin::BeforeOutOfRange before0;
  standin::CaptionMatch match;
};
inline auto EveryPolicy() {
  using standin::BeforeOutOfRange;
  using standin::CaptionMatch;
  return testing::Values(PolicyCase{"AppendExact", BeforeOutOfRange::kAppend, CaptionMatch::kExact},
                         PolicyCase{"AppendLoose", BeforeOutOfRange::kAppend, CaptionMatch::kLoose},
                         PolicyCase{"FailExact", BeforeOutOfRange::kFail, CaptionMatch::kExact},
                         PolicyCase{"FailLoose", BeforeOutOfRange::kFail, CaptionMatch::kLoose});
}
inline std::string PolicyName(const testing::TestParamInfo<PolicyCase>& info) {
  return info.param.name;
}

class AddInUnderPolicy : public AddInEndToEnd, public testing::WithParamInterface<PolicyCase> {
 protected:
  void SetUp() override {
    AddInEndToEnd::SetUp();
    state_.policies().before0 = GetParam().before0;
    state_.policies().match = GetParam().match;
  }
};

}  // namespace sorvane::testing_support
