#pragma once

// The stand-in host in the calling process: the command-bar model, whose
// "Recent W&ebs" entries come from the host's registry values, its COM face
// with the application class registered for add-ins to create, and the
// add-ins it loads. A click on an add-in's button reaches the add-in's sinks.

#include <optional>

#include "com/win32_host_objects.h"
#include "model/command_bar_model.h"
#include "registry/win32_registry.h"
#include "win32_addins.h"

namespace sorvane::standin {

class Host {
 public:
  Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;
  ~Host() = default;

  Win32Registry& registry() { return registry_; }
  Model& model() { return model_; }
  com::HostFace& face() { return face_; }
  AddIns& add_ins() { return add_ins_; }

  // Stops answering for the application class: creating the host then fails
  // as it does when the host is not running.
  void RevokeApplicationClass() { application_class_.reset(); }

 private:
  Win32Registry registry_;
  Model model_;
  com::HostFace face_;
  std::optional<com::ClassRegistration> application_class_;
  AddIns add_ins_;
};

}  // namespace sorvane::standin
