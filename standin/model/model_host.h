#pragma once

// The stand-in host's in-process face: the host interfaces of the add-in
// implemented directly on the command-bar model, with the same operation names,
// faults and object accounting as the COM face. Unit tests use it.

#include <memory>

#include "host/host.h"
#include "model/command_bar_model.h"

namespace sorvane::standin {

// An Application object of the model; every object reached from it counts as
// held until it is destroyed.
std::unique_ptr<host::Application> MakeModelApplication(Model& model);

}  // namespace sorvane::standin
