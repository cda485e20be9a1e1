#pragma once

// The product's host interfaces (host/host.h) played in-process on the
// stand-in host's state, for the unit tests of the portable logic: the same
// command bars, operation names, faults and object accounting as the stand-in
// host's COM face, without COM.

#include <memory>
#include <string>

#include "host/host.h"
#include "model/host_state.h"

namespace sorvane::testing_support {

// NOLINTNEXTLINE(cppcoreguidelines-virtual-class-destructor): final, never deleted as a factory
class ModelHost final : public host::ApplicationFactory {
 public:
  explicit ModelHost(standin::HostState& state) : state_(state) {}
  ModelHost(const ModelHost&) = delete;
  ModelHost& operator=(const ModelHost&) = delete;

  standin::HostState& state() { return state_; }
  standin::Model& model() { return state_.model(); }

  std::unique_ptr<host::Application> NewApplication() override;
  // The Application as the host hands it to OnConnection.
  std::unique_ptr<host::Object> NewApplicationObject();
  // The add-in instance object, reporting `prog_id`.
  std::unique_ptr<host::Object> NewAddInInstance(std::u16string prog_id);
  // An object that is no Application (answers nothing).
  std::unique_ptr<host::Object> NewForeignObject();

 private:
  standin::HostState& state_;
};

}  // namespace sorvane::testing_support
