#pragma once

// The stand-in host's one state, shared by every face that hands its objects
// out (the COM face, and the test support that plays the host in-process):
// the command bars, the faults armed, the journal of calls, the policies that
// switch between the real host's possible behaviours, the objects others hold,
// and the button-event connections.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "model/command_bar_model.h"
#include "model/fault_plan.h"
#include "model/journal.h"

namespace sorvane::standin {

// The real host's behaviours where it may do one thing or another.
struct Policies {
  // CommandBarControls.Add with Before 0 (or outside 1..Count+1).
  BeforeOutOfRange before0 = BeforeOutOfRange::kAppend;
  // CommandBarControls.Item by caption.
  CaptionMatch match = CaptionMatch::kExact;
  // Executing a recent web makes the host busy: it pumps messages meanwhile.
  bool execute_pumps = false;
  // At shutdown the host revokes its Application class before it disconnects
  // the add-ins; an activation after that is journalled and refused.
  bool revoke_at_shutdown = false;
};

// Receives a button's Click for one event connection.
class ClickSink {
 public:
  virtual ~ClickSink() = default;
  // Delivers Click for `button`; CancelDefault goes in and comes back.
  // False when the sink refused the call.
  virtual bool Click(const ControlPtr& button, bool& cancel_default) = 0;
};

class HostState {
 public:
  explicit HostState(RecentWebReader recent_webs);
  HostState(const HostState&) = delete;
  HostState& operator=(const HostState&) = delete;
  ~HostState() = default;

  Model& model() { return model_; }
  const Model& model() const { return model_; }
  FaultPlan& faults() { return faults_; }
  Journal& journal() { return journal_; }
  Policies& policies() { return policies_; }

  // Host objects that others hold now (every face counts its own).
  int held() const { return held_; }
  void ObjectCreated() { ++held_; }
  void ObjectDestroyed() { --held_; }
  // Objects out that stand for `control`: Click reaches an add-in only while
  // it holds one for the clicked button.
  void ControlObjectCreated(const Control* control) { ++control_objects_[control]; }
  void ControlObjectDestroyed(const Control* control);
  bool ControlHeld(const Control* control) const { return control_objects_.contains(control); }

  // Button-event connections: a cookie each, per control.
  std::uint32_t Advise(const Control* button, std::shared_ptr<ClickSink> sink);
  bool Unadvise(const Control* button, std::uint32_t cookie);
  std::size_t connections() const;
  std::vector<std::shared_ptr<ClickSink>> SinksOf(const Control* button) const;
  // Lets go of every connection, as the host does with those of controls it
  // deleted when it closes.
  void DropConnections() { sinks_.clear(); }

  // Raises Click as Office does: on every sink advised on an object of the
  // clicked control, while the add-in holds such an object. Returns the
  // number of sinks that took it.
  int RaiseClick(const ControlPtr& button, bool& cancel_default) const;

  // What the host does while it is busy opening a web, when the policy says
  // it pumps messages (the program supplies the pump).
  void set_busy_work(std::function<void()> work) { busy_work_ = std::move(work); }

 private:
  struct Connection {
    std::uint32_t cookie;
    std::shared_ptr<ClickSink> sink;
  };
  Model model_;
  FaultPlan faults_;
  Journal journal_;
  Policies policies_;
  int held_ = 0;
  std::map<const Control*, int> control_objects_;
  std::map<const Control*, std::vector<Connection>> sinks_;
  std::uint32_t next_cookie_ = 1;
  std::function<void()> busy_work_;
};

}  // namespace sorvane::standin
