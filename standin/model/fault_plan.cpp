#include "model/fault_plan.h"

#include <algorithm>
#include <utility>

namespace sorvane::standin {

void FaultPlan::Arm(std::string_view operation, int nth, HResult status,
                    std::u16string_view description) {
  const auto done = calls_.find(operation);
  const int so_far = done == calls_.end() ? 0 : done->second;
  faults_[std::string(operation)].push_back(
      {so_far + std::max(nth, 1), status, std::u16string(description)});
}

void FaultPlan::Check(std::string_view operation) {
  if (observer_) {
    observer_(operation);
  }
  auto count = calls_.find(operation);
  if (count == calls_.end()) {
    count = calls_.emplace(std::string(operation), 0).first;
  }
  const int now = ++count->second;
  const auto armed = faults_.find(operation);
  if (armed == faults_.end()) {
    return;
  }
  auto& list = armed->second;
  const auto due = std::find_if(list.begin(), list.end(),
                                [now](const Fault& fault) { return fault.due_at == now; });
  if (due != list.end()) {
    const Fault fired = std::move(*due);
    list.erase(due);
    throw HResultError(fired.status, fired.description);
  }
}

std::size_t FaultPlan::pending() const {
  std::size_t count = 0;
  for (const auto& [name, list] : faults_) {
    count += list.size();
  }
  return count;
}

void FaultPlan::Clear() {
  faults_.clear();
}

}  // namespace sorvane::standin
