#include "model/host_state.h"

#include <utility>

namespace sorvane::standin {

HostState::HostState(RecentWebReader recent_webs) : model_(std::move(recent_webs)) {
  model_.set_add_in_router([this](const ControlPtr& control, std::u16string_view /*prog_id*/) {
    bool cancel_default = false;
    RaiseClick(control, cancel_default);
  });
  model_.set_open_work([this] {
    if (policies_.execute_pumps && busy_work_) {
      busy_work_();
    }
  });
}

void HostState::ControlObjectDestroyed(const Control* control) {
  const auto found = control_objects_.find(control);
  if (found != control_objects_.end() && --found->second == 0) {
    control_objects_.erase(found);
  }
}

std::uint32_t HostState::Advise(const Control* button, std::shared_ptr<ClickSink> sink) {
  const std::uint32_t cookie = next_cookie_++;
  sinks_[button].push_back({cookie, std::move(sink)});
  return cookie;
}

bool HostState::Unadvise(const Control* button, std::uint32_t cookie) {
  const auto found = sinks_.find(button);
  if (found == sinks_.end()) {
    return false;
  }
  const std::size_t before = found->second.size();
  std::erase_if(found->second, [cookie](const Connection& c) { return c.cookie == cookie; });
  const bool removed = found->second.size() != before;
  if (found->second.empty()) {
    sinks_.erase(found);
  }
  return removed;
}

std::size_t HostState::connections() const {
  std::size_t count = 0;
  for (const auto& [button, list] : sinks_) {
    count += list.size();
  }
  return count;
}

std::vector<std::shared_ptr<ClickSink>> HostState::SinksOf(const Control* button) const {
  std::vector<std::shared_ptr<ClickSink>> found;
  const auto advised = sinks_.find(button);
  if (advised != sinks_.end()) {
    for (const Connection& connection : advised->second) {
      found.push_back(connection.sink);
    }
  }
  return found;
}

int HostState::RaiseClick(const ControlPtr& button, bool& cancel_default) const {
  if (!ControlHeld(button.get())) {
    return 0;
  }
  int delivered = 0;
  // A sink may end its connection while it is called.
  for (const std::shared_ptr<ClickSink>& sink : SinksOf(button.get())) {
    if (sink->Click(button, cancel_default)) {
      ++delivered;
    }
  }
  return delivered;
}

}  // namespace sorvane::standin
