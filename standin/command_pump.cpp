#include "command_pump.h"

#include <utility>

namespace sorvane::standin {

void CommandPump::Push(std::string line) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back(std::move(line));
  }
  hooks_.post_wake();
}

void CommandPump::Resume() {
  while (state_ == State::kReady && busy_ == 0) {
    std::string line;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (lines_.empty()) {
        return;
      }
      line = std::move(lines_.front());
      lines_.pop_front();
    }
    state_ = State::kRunning;
    hooks_.run(line);
    if (state_ == State::kRunning) {
      state_ = State::kReady;
    }
  }
}

void CommandPump::AnswerWhenSettled(std::string answer) {
  pending_answer_ = std::move(answer);
  state_ = State::kSettling;
  hooks_.post_settle(kSettleRounds);
}

void CommandPump::Settled(int rounds_left) {
  if (state_ != State::kSettling) {
    return;
  }
  if (busy_ > 0) {
    deferred_rounds_ = rounds_left;  // resumed when the host is done
    return;
  }
  if (rounds_left > 0) {
    hooks_.post_settle(rounds_left - 1);
    return;
  }
  state_ = State::kReady;
  hooks_.answer(pending_answer_);
  Resume();
}

void CommandPump::Wait() {
  state_ = State::kWaiting;
}

void CommandPump::Done(const std::string& answer) {
  if (state_ != State::kWaiting) {
    return;
  }
  state_ = State::kReady;
  hooks_.answer(answer);
  hooks_.post_wake();
}

void CommandPump::SetHostBusy(bool busy) {
  busy_ += busy ? 1 : -1;
  if (busy_ > 0) {
    return;
  }
  busy_ = 0;
  if (deferred_rounds_ >= 0) {
    hooks_.post_settle(deferred_rounds_);
    deferred_rounds_ = -1;
  }
  hooks_.post_wake();
}

}  // namespace sorvane::standin
