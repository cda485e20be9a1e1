#pragma once

// Fault injection for the stand-in host: make the Nth later call of a named
// host operation fail with a chosen status.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "common/hresult.h"

namespace sorvane::standin {

class FaultPlan {
 public:
  // The `nth` call of `operation` from now on (1 = the next one) fails with
  // `status` and, as the host's own text for it, `description` if not empty.
  void Arm(std::string_view operation, int nth, HResult status,
           std::u16string_view description = {});
  // Counts a call of `operation`; throws HResultError if it is due to fail.
  void Check(std::string_view operation);
  // Calls of each operation since the stand-in started.
  const std::map<std::string, int, std::less<>>& calls() const { return calls_; }
  // Faults armed and not yet fired.
  std::size_t pending() const;
  void Clear();
  // Told of every operation as it is checked, in order (tests that fail each
  // operation in turn learn the operations from it).
  void set_observer(std::function<void(std::string_view)> observer) {
    observer_ = std::move(observer);
  }

 private:
  struct Fault {
    int due_at;  // the call count at which it fires
    HResult status;
    std::u16string description;
  };
  std::map<std::string, int, std::less<>> calls_;
  std::map<std::string, std::vector<Fault>, std::less<>> faults_;
  std::function<void(std::string_view)> observer_;
};

}  // namespace sorvane::standin
