#include "command_pump.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace sorvane::standin {
namespace {

// The pump with a message queue of its own: posted wakes and settle markers
// wait in `posted` until Deliver hands them back, as a message loop would.
class PumpTest : public testing::Test {
 protected:
  PumpTest()
      : pump_({[this](const std::string& line) { Run(line); },
               [this](const std::string& line) { answers_.push_back(line); },
               [this] { posted_.push_back(-1); },
               [this](int rounds) { posted_.push_back(rounds); }}) {}

  void Run(const std::string& line) {
    ran_.push_back(line);
    if (line.starts_with("press")) {
      pump_.AnswerWhenSettled("pressed");
    } else if (line == "menu") {
      pump_.Wait();
    } else if (line == "quit") {
      pump_.Quit();
    } else {
      answers_.push_back("done " + line);
    }
  }
  // Delivers what was posted, in order, until nothing is left.
  void Deliver() {
    while (!posted_.empty()) {
      const int message = posted_.front();
      posted_.pop_front();
      if (message < 0) {
        pump_.Resume();
      } else {
        pump_.Settled(message);
      }
    }
  }

  CommandPump pump_;
  std::deque<int> posted_;  // -1: a wake; otherwise a settle marker's rounds
  std::vector<std::string> ran_;
  std::vector<std::string> answers_;
};

TEST_F(PumpTest, RunsLinesInOrderAndWaitsForPostedInputToSettle) {
  pump_.Push("press open");
  pump_.Push("dialog");
  Deliver();
  EXPECT_EQ(ran_, (std::vector<std::string>{"press open", "dialog"}));
  EXPECT_EQ(answers_, (std::vector<std::string>{"pressed", "done dialog"}));
  EXPECT_EQ(pump_.state(), CommandPump::State::kReady);
}

TEST_F(PumpTest, TakesNothingWhileACommandSettlesOrTheHostIsBusy) {
  pump_.Push("press open");
  pump_.Resume();
  pump_.Push("registry");
  pump_.SetHostBusy(true);  // the press's input reached an Open; the host works
  Deliver();
  EXPECT_EQ(ran_, std::vector<std::string>{"press open"}) << "held back while busy";
  EXPECT_TRUE(answers_.empty()) << "the press answers once the host is done";
  pump_.SetHostBusy(false);
  Deliver();
  EXPECT_EQ(ran_, (std::vector<std::string>{"press open", "registry"}));
  EXPECT_EQ(answers_, (std::vector<std::string>{"pressed", "done registry"}));
}

TEST_F(PumpTest, ACommandThatWaitsForTheHostAnswersWhenDone) {
  pump_.Push("menu");
  pump_.Push("dialog");
  Deliver();
  EXPECT_EQ(ran_, std::vector<std::string>{"menu"});
  pump_.Done("screenshot");
  pump_.Done("ignored: nothing waits");
  Deliver();
  EXPECT_EQ(answers_, (std::vector<std::string>{"screenshot", "done dialog"}));
}

TEST_F(PumpTest, QuitTakesNoFurtherLine) {
  pump_.Push("quit");
  pump_.Push("dialog");
  Deliver();
  EXPECT_EQ(ran_, std::vector<std::string>{"quit"});
}

}  // namespace
}  // namespace sorvane::standin
