#pragma once

// The stand-in host's commands, one line each, as a table of small handlers.
// Answers are UTF-8, one fact per line; a failure answers "error: TEXT".

#include <functional>
#include <string>
#include <string_view>

#include "command_pump.h"
#include "win32_host.h"

namespace sorvane::standin {

class Commands {
 public:
  using Output = std::function<void(const std::string& line)>;

  Commands(Host& host, CommandPump& pump, Output output, std::function<void()> quit);

  // A line from standard input.
  void Run(const std::string& line);

  // What one command line asks for.
  struct Invocation {
    std::string rest;  // the rest of the line after the command's name
    bool during_execute = false;
  };
  using Handler = void (Commands::*)(const Invocation&);
  struct Entry {
    std::string_view name;
    std::string_view usage;
    Handler handler;
  };

 private:
  void Dispatch(const std::string& line, bool during_execute);
  void Answer(const Invocation& call, const std::string& line);
  // Answers once the input posted so far has been dispatched.
  void AnswerWhenSettled(const Invocation& call, const std::string& line);

  void AddIns(const Invocation& call);
  void Start(const Invocation& call);
  void Load(const Invocation& call);
  void Enable(const Invocation& call);
  void Disable(const Invocation& call);
  void Menu(const Invocation& call);
  void Click(const Invocation& call);
  void Registry(const Invocation& call);
  void Opened(const Invocation& call);
  void Type(const Invocation& call);
  void Keys(const Invocation& call);
  void Press(const Invocation& call);
  void Dialog(const Invocation& call);
  void MessageBox(const Invocation& call);
  void Dismiss(const Invocation& call);
  void Fail(const Invocation& call);
  void Held(const Invocation& call);
  void Journal(const Invocation& call);
  void Policy(const Invocation& call);
  void DuringExecute(const Invocation& call);
  void RestartWindow(const Invocation& call);
  void Disconnect(const Invocation& call);
  void Abandon(const Invocation& call);
  void FreeUnused(const Invocation& call);
  void Shutdown(const Invocation& call);
  void Screenshot(const Invocation& call);
  void ScreenshotMenu(const Invocation& call);
  void Help(const Invocation& call);
  void Quit(const Invocation& call);

  static const Entry kCommands[];

  Host& host_;
  CommandPump& pump_;
  Output output_;
  std::function<void()> quit_;
};

}  // namespace sorvane::standin
