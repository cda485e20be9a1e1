#pragma once

// modShared's File-menu command: the add-in's button in the host's File menu,
// found by its tag or added after "Open &Web...", and removed by its caption.

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "host/host.h"

namespace sorvane {

inline constexpr std::u16string_view kButtonCaption = u"Kelvra Sorvane...";
inline constexpr std::u16string_view kButtonTag = u"Sorvane";
inline constexpr std::u16string_view kOpenWebCaption = u"Open &Web...";
inline constexpr std::int32_t kControlButton = 1;  // msoControlButton

// Gives HostApp, the module-wide host Application, creating it on first use.
using HostAppSource = std::function<std::shared_ptr<host::Application>()>;

class FileMenuCommand {
 public:
  explicit FileMenuCommand(HostAppSource host_app) : host_app_(std::move(host_app)) {}

  // Returns the add-in's button: the one tagged "Sorvane" if the File bar has
  // it, untouched; otherwise a new button after the last "Open &Web...",
  // captioned, tagged and routed to the add-in with AddInInst's ProgID.
  // Nothing is rolled back when a step fails.
  std::unique_ptr<host::Button> AddOpenButton(host::Object& application, std::int32_t connect_mode,
                                              host::Object& add_in_inst);

  // Deletes the File-bar control captioned "Kelvra Sorvane...".
  static void RemoveOpenButton(host::Application& application);

  // The Application of the last AddOpenButton; kept until the module unloads.
  const std::shared_ptr<host::Application>& gFPApp() const { return gFPApp_; }
  void Release() noexcept { gFPApp_.reset(); }

 private:
  HostAppSource host_app_;
  std::shared_ptr<host::Application> gFPApp_;
};

}  // namespace sorvane
