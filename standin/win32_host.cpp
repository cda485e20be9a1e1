#include "win32_host.h"

#include "com/win32_host_ids.h"
#include "win32_host_values.h"

namespace sorvane::standin {

namespace {

// Ends the busy time however the work inside it ends.
class BusyScope {
 public:
  explicit BusyScope(const std::function<void(bool)>& observer) : observer_(observer) {
    if (observer_) {
      observer_(true);
    }
  }
  ~BusyScope() {
    if (observer_) {
      observer_(false);
    }
  }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  const std::function<void(bool)>& observer_;
};

}  // namespace

void PumpWaitingMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

Host::Host(std::function<void(HResult)> report, std::function<void()> window_closed)
    : state_([](int n) { return ReadRecentWeb(n); }),
      face_(state_),
      application_class_(std::in_place, com::kClsidFrontPageApplication,
                         face_.NewApplicationClass().Get()),
      add_ins_(face_),
      window_(state_.model(), std::move(report), std::move(window_closed)) {
  state_.set_busy_work([this] { Busy(); });
  add_ins_.set_at_shutdown([this] {
    if (state_.policies().revoke_at_shutdown) {
      StopApplicationClass();
    }
  });
}

void Host::StopApplicationClass() {
  if (stopped_class_) {
    return;
  }
  application_class_.reset();
  stopped_class_.emplace(com::kClsidFrontPageApplication,
                         com::MakeStoppedApplicationClass(face_).Get());
}

void Host::Busy() {
  const BusyScope busy(busy_observer_);
  while (!during_execute_.empty()) {
    const std::function<void()> work = std::move(during_execute_.front());
    during_execute_.pop_front();
    work();
    PumpWaitingMessages();
  }
  const DWORD start = ::GetTickCount();
  while (::GetTickCount() - start < kBusyMilliseconds) {
    PumpWaitingMessages();
    ::Sleep(5);
  }
}

}  // namespace sorvane::standin
