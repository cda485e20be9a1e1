#pragma once

// modShared's File-menu command: the add-in's button in the host's File menu,
// found by its tag or added after "Open &Web...", and removed by its caption.

#include <cstdint>
#include <memory>
#include <string_view>

#include "host/host.h"
#include "host/module_references.h"

namespace sorvane {

inline constexpr std::u16string_view kButtonCaption = u"Kelvra Sorvane...";
inline constexpr std::u16string_view kButtonTag = u"Sorvane";
inline constexpr std::u16string_view kOpenWebCaption = u"Open &Web...";
inline constexpr std::int32_t kControlButton = 1;  // msoControlButton

class FileMenuCommand {
 public:
  // Works with the module-wide HostApp and gFPApp of `references`.
  explicit FileMenuCommand(ModuleReferences& references) : references_(references) {}

  // Returns the add-in's button: the one tagged "Sorvane" if the File bar has
  // it, untouched; otherwise a new button after the last "Open &Web...",
  // captioned, tagged and routed to the add-in with AddInInst's ProgID.
  // Nothing is rolled back when a step fails. Sets gFPApp; the host's own File
  // bar is walked through HostApp, as the original does.
  std::unique_ptr<host::Button> AddOpenButton(host::Object& application, std::int32_t connect_mode,
                                              host::Object& add_in_inst);

  // Deletes the File-bar control captioned "Kelvra Sorvane...".
  static void RemoveOpenButton(host::Application& application);

 private:
  ModuleReferences& references_;
};

}  // namespace sorvane
