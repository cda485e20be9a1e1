#pragma once

// The order in which the stand-in host takes its command lines, as a small
// state machine. A command runs to its end before the next one starts; one
// that posted input to a window answers only once that input (and what its
// translation posted) has been dispatched; one that waits for the host (a
// menu to open) answers when the host is done; and nothing moves on while the
// host is busy opening a web. Portable: the program supplies the hooks that
// post messages, run commands and print answers.

#include <deque>
#include <functional>
#include <mutex>
#include <string>

namespace sorvane::standin {

class CommandPump {
 public:
  enum class State {
    kReady,     // takes the next line
    kRunning,   // a command runs now
    kSettling,  // its answer waits for the input it posted
    kWaiting,   // its answer waits for the host
    kQuitting,  // no further line is taken
  };

  struct Hooks {
    std::function<void(const std::string& line)> run;     // runs one command
    std::function<void(const std::string& line)> answer;  // prints one answer line
    std::function<void()> post_wake;                      // Resume on the UI thread, later
    std::function<void(int rounds_left)> post_settle;     // Settled(rounds_left), later
  };

  explicit CommandPump(Hooks hooks) : hooks_(std::move(hooks)) {}

  // Any thread: a line has been read.
  void Push(std::string line);

  // The UI thread, from here on.
  // Takes commands while nothing holds them back.
  void Resume();
  // A settle marker came back through the message loop.
  void Settled(int rounds_left);
  // Inside a running command: its answer waits for the input it posted.
  void AnswerWhenSettled(std::string answer);
  // Inside a running command: its answer comes with Done.
  void Wait();
  void Done(const std::string& answer);
  // The host's busy time begins or ends; nesting allowed.
  void SetHostBusy(bool busy);
  void Quit() { state_ = State::kQuitting; }

  State state() const { return state_; }

 private:
  // Settle rounds for posted input: the input itself, then what its
  // translation posted (WM_CHAR after WM_KEYDOWN).
  static constexpr int kSettleRounds = 1;

  Hooks hooks_;
  std::mutex mutex_;
  std::deque<std::string> lines_;  // guarded by mutex_
  State state_ = State::kReady;
  std::string pending_answer_;
  int busy_ = 0;
  int deferred_rounds_ = -1;  // a settle marker that came back while the host was busy
};

}  // namespace sorvane::standin
