#include "win32_commands.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <utility>

#include "common/win32_text.h"
#include "win32_dialog_finder.h"
#include "win32_host_values.h"
#include "win32_screenshot.h"
#include "win32_utf8.h"

namespace sorvane::standin {

namespace {

// A command that cannot be carried out as given (a wrong argument, nothing to
// act on): E_INVALIDARG, with the reason to answer in place of the system's
// description of the status.
class CommandError : public HResultError {
 public:
  explicit CommandError(std::string reason)
      : HResultError(kEInvalidArg), reason_(std::move(reason)) {}
  const char* what() const noexcept override { return reason_.c_str(); }

 private:
  std::string reason_;
};

// Text for a one-line answer: line breaks written as "\n", NULs as "\0".
std::string OneLine(std::u16string_view text) {
  std::string line;
  for (const char c : ToUtf8(text)) {
    if (c == '\n') {
      line += "\\n";
    } else if (c == '\0') {
      line += "\\0";
    } else if (c != '\r') {
      line += c;
    }
  }
  return line;
}

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

std::string Outcome(const std::u16string& prog_id, HRESULT status, const char* done) {
  return "addin: " + ToUtf8(prog_id) + " " +
         (SUCCEEDED(status) ? std::string(done)
                            : "failed " + Hex(static_cast<std::uint32_t>(status)));
}

// The answer's text for the exception being handled; every command ends in
// one catch that answers "error: " with it, as the product's boundaries end
// in CaughtHResult.
std::string CaughtErrorText() {
  try {
    throw;
  } catch (const CommandError& error) {
    return error.what();
  } catch (...) {
    return OneLine(DescribeHResult(CaughtHResult()));
  }
}

HWND RequireDialog() {
  const HWND dialog = FindOpenWebDialog();
  if (dialog == nullptr) {
    throw CommandError("no dialog is shown");
  }
  return dialog;
}

HWND Require(HWND control, const char* what) {
  if (control == nullptr) {
    throw CommandError(std::string("the dialog has no ") + what);
  }
  return control;
}

// Splits "NAME REST" at the first blank.
std::pair<std::string, std::string> Split(const std::string& line) {
  const std::size_t space = line.find(' ');
  return {line.substr(0, space),
          space == std::string::npos ? std::string() : line.substr(space + 1)};
}

}  // namespace

const Commands::Entry Commands::kCommands[] = {
    {"addins", "the user's Addins entries (the COM Add-ins dialog's list)", &Commands::AddIns},
    {"start", "connects every add-in with LoadBehavior 3, as at start-up", &Commands::Start},
    {"load", "load PATH: connects the add-in of that module, as at start-up", &Commands::Load},
    {"enable", "enable PROGID: the user checks the add-in after start-up", &Commands::Enable},
    {"disable", "disable PROGID: the user unchecks it", &Commands::Disable},
    {"menu", "the File bar's controls", &Commands::Menu},
    {"click", "click CAPTION: a user's click on that File-bar control", &Commands::Click},
    {"registry", "registry [clear]: the host's Web1 and Value (type, size, text), or none",
     &Commands::Registry},
    {"opened", "the webs the host was asked to open", &Commands::Opened},
    {"type", "type TEXT: sets the dialog's text box", &Commands::Type},
    {"keys", "keys TEXT: types TEXT a character at a time, as the keyboard does", &Commands::Keys},
    {"press", "press open|cancel|enter|esc|tab|alt+o|down|up", &Commands::Press},
    {"dialog", "the dialog's state", &Commands::Dialog},
    {"messagebox", "the text of the add-in's message box", &Commands::MessageBox},
    {"dismiss", "closes that message box", &Commands::Dismiss},
    {"fail", "fail OPERATION N HRESULT [TEXT]: the Nth later call fails", &Commands::Fail},
    {"held", "host objects the add-ins hold", &Commands::Held},
    {"journal", "journal [clear]: the calls the host received", &Commands::Journal},
    {"policy",
     "policy [NAME VALUE]: before0 append|fail, match exact|loose, execute-pumps on|off, "
     "revoke-at-shutdown on|off",
     &Commands::Policy},
    {"during-execute", "during-execute COMMAND: runs it while the host opens its next web",
     &Commands::DuringExecute},
    {"restart-window", "the main window goes away, with what it owns, and comes back",
     &Commands::RestartWindow},
    {"disconnect", "disconnect MODE: OnDisconnection(MODE) on every add-in", &Commands::Disconnect},
    {"abandon", "lets go of every add-in without a word", &Commands::Abandon},
    {"free-unused", "frees the add-in modules that say they can unload (CoFreeUnusedLibrariesEx)",
     &Commands::FreeUnused},
    {"shutdown", "closes the host as it does at exit", &Commands::Shutdown},
    {"screenshot", "screenshot PATH: the dialog, or else the main window, as BMP",
     &Commands::Screenshot},
    {"screenshot-menu", "screenshot-menu PATH: the main window with its File menu open",
     &Commands::ScreenshotMenu},
    {"help", "this list", &Commands::Help},
    {"quit", "ends the host", &Commands::Quit},
};

Commands::Commands(Host& host, CommandPump& pump, Output output, std::function<void()> quit)
    : host_(host), pump_(pump), output_(std::move(output)), quit_(std::move(quit)) {}

void Commands::Run(const std::string& line) {
  Dispatch(line, false);
}

void Commands::Dispatch(const std::string& line, bool during_execute) {
  const auto [name, rest] = Split(line);
  if (name.empty()) {
    return;
  }
  const Invocation call{rest, during_execute};
  try {
    for (const Entry& entry : kCommands) {
      if (entry.name == name) {
        (this->*entry.handler)(call);
        return;
      }
    }
    throw CommandError("unknown command " + name);
  } catch (...) {
    Answer(call, "error: " + CaughtErrorText());
  }
}

void Commands::Answer(const Invocation& call, const std::string& line) {
  output_(call.during_execute ? "during-execute: " + line : line);
}

void Commands::AnswerWhenSettled(const Invocation& call, const std::string& line) {
  if (call.during_execute) {
    // The busy host pumps the input itself.
    Answer(call, line);
    return;
  }
  pump_.AnswerWhenSettled(line);
}

void Commands::AddIns(const Invocation& call) {
  for (const AddInEntry& entry : ListAddInEntries(HKEY_CURRENT_USER)) {
    Answer(call, "addin: " + ToUtf8(entry.prog_id) + " | " + ToUtf8(entry.friendly_name) + " | " +
                     ToUtf8(entry.description) + " | " + std::to_string(entry.load_behavior));
  }
  Answer(call, "addins: end");
}

void Commands::Start(const Invocation& call) {
  for (const AddIns::Outcome& outcome : host_.add_ins().Start()) {
    Answer(call, Outcome(outcome.prog_id, outcome.status, "connected"));
  }
  Answer(call, "start: end");
}

void Commands::Load(const Invocation& call) {
  std::u16string prog_id;
  const HRESULT status = host_.add_ins().LoadModule(WindowsPath(FromUtf8(call.rest)), prog_id);
  Answer(call, Outcome(prog_id, status, "connected"));
}

void Commands::Enable(const Invocation& call) {
  const std::u16string prog_id = FromUtf8(call.rest);
  Answer(call, Outcome(prog_id, host_.add_ins().Enable(prog_id), "connected"));
}

void Commands::Disable(const Invocation& call) {
  const std::u16string prog_id = FromUtf8(call.rest);
  Answer(call, Outcome(prog_id, host_.add_ins().Disable(prog_id), "disconnected"));
}

void Commands::Menu(const Invocation& call) {
  for (const ControlPtr& control : host_.model().file_bar().list->controls) {
    Answer(call, "control: " + std::to_string(Model::Index(*control)) + " | " +
                     ToUtf8(control->caption) + " | " + ToUtf8(control->tag) + " | " +
                     ToUtf8(control->on_action) + " | enabled=" + (control->enabled ? "1" : "0") +
                     " | " + (control->type == kControlPopup ? "popup" : "button"));
  }
}

void Commands::Click(const Invocation& call) {
  host_.Click(Model::Item(*host_.model().file_bar().list, FromUtf8(call.rest)));
  AnswerWhenSettled(call, "clicked: " + call.rest);
}

void Commands::Registry(const Invocation& call) {
  if (call.rest == "clear") {
    ClearHostValues();
    Answer(call, "registry: cleared");
    return;
  }
  if (!call.rest.empty()) {
    throw CommandError("registry [clear]");
  }
  for (const auto& [label, which] :
       {std::pair{"Web1", HostValue::kWeb1}, std::pair{"Value", HostValue::kFileNameMru}}) {
    const std::optional<StoredValue> stored = ReadHostValue(which);
    Answer(call, std::string(label) + ": " +
                     (stored ? RegistryTypeName(stored->type) + " " +
                                   std::to_string(stored->bytes) + " bytes " + OneLine(stored->text)
                             : std::string("(absent)")));
  }
}

void Commands::Opened(const Invocation& call) {
  if (host_.model().opened().empty()) {
    Answer(call, "opened: none");
  }
  for (const OpenedWeb& web : host_.model().opened()) {
    Answer(call, "opened: server=" + ToUtf8(web.server) + " web=" + ToUtf8(web.web));
  }
}

void Commands::Type(const Invocation& call) {
  const std::wstring text = ToWide(FromUtf8(call.rest));
  ::SendMessageW(Require(TextBoxOf(RequireDialog()), "text box"), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(text.c_str()));
  Answer(call, "typed: " + std::to_string(text.size()) + " characters");
}

namespace {
// The keys "press" sends as plain key strokes.
struct NamedKey {
  const char* name;
  UINT key;
};
constexpr NamedKey kKeys[] = {
    {"enter", VK_RETURN}, {"esc", VK_ESCAPE}, {"tab", VK_TAB}, {"down", VK_DOWN}, {"up", VK_UP}};

// Where a key goes: the focused window of the dialog, else its text box.
HWND KeyTarget(HWND dialog) {
  const HWND focus = ::GetFocus();
  if (focus != nullptr && (focus == dialog || ::IsChild(dialog, focus) != FALSE)) {
    return focus;
  }
  return Require(TextBoxOf(dialog), "text box");
}
}  // namespace

void Commands::Keys(const Invocation& call) {
  const std::u16string text = FromUtf8(call.rest);
  const HWND focus = KeyTarget(RequireDialog());
  for (const char16_t c : text) {
    ::PostMessageW(focus, WM_CHAR, c, 1);
  }
  AnswerWhenSettled(call, "keys: " + std::to_string(text.size()) + " characters");
}

void Commands::Press(const Invocation& call) {
  const std::string& what = call.rest;
  const HWND dialog = RequireDialog();
  const HWND focus = KeyTarget(dialog);
  const auto post_key = [](HWND target, UINT down, UINT up, UINT key, LPARAM flags) {
    ::PostMessageW(target, down, key, flags | 1);
    ::PostMessageW(target, up, key, flags | static_cast<LPARAM>(0xC0000001U));
  };
  if (what == "open") {
    ::PostMessageW(Require(OpenButtonOf(dialog), "\"&Open\""), BM_CLICK, 0, 0);
  } else if (what == "cancel") {
    ::PostMessageW(Require(CancelButtonOf(dialog), "\"Cancel\""), BM_CLICK, 0, 0);
  } else if (const auto* const key =
                 std::find_if(std::begin(kKeys), std::end(kKeys),
                              [&](const NamedKey& named) { return what == named.name; });
             key != std::end(kKeys)) {
    post_key(focus, WM_KEYDOWN, WM_KEYUP, key->key, 0);
  } else if (what == "alt+o") {
    post_key(focus, WM_SYSKEYDOWN, WM_SYSKEYUP, 'O', 0x20000000);
  } else {
    throw CommandError("press open|cancel|enter|esc|tab|alt+o|down|up");
  }
  AnswerWhenSettled(call, "pressed: " + what);
}

void Commands::Dialog(const Invocation& call) {
  const HWND dialog = FindOpenWebDialog();
  if (dialog == nullptr) {
    Answer(call, "dialog: none");
    return;
  }
  const CloseItem close = WindowMenuCloseItem(dialog).value_or(CloseItem{});
  const HWND text_box = TextBoxOf(dialog);
  const HWND list = SuggestionListOf(text_box);
  Answer(call, "dialog: visible=" + std::to_string(::IsWindowVisible(dialog) != FALSE ? 1 : 0) +
                   " pointer=" + std::to_string(PointerOver(dialog)) +
                   " close-id=" + Hex(close.id) + " close-state=" + Hex(close.state) +
                   " suggestions=" + std::to_string(list != nullptr ? SuggestionCount(list) : 0) +
                   " text=" + OneLine(text_box != nullptr ? WindowText(text_box) : u""));
}

void Commands::MessageBox(const Invocation& call) {
  const HWND box = FindMessageBox();
  Answer(call, box == nullptr ? "messagebox: none" : "messagebox: " + OneLine(MessageBoxText(box)));
}

void Commands::Dismiss(const Invocation& call) {
  const HWND box = FindMessageBox();
  if (box == nullptr) {
    throw CommandError("no message box");
  }
  ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  AnswerWhenSettled(call, "dismissed");
}

void Commands::Fail(const Invocation& call) {
  char operation[128] = {};
  int nth = 0;
  unsigned status = 0;
  int used = 0;
  if (std::sscanf(call.rest.c_str(), "%127s %d %x%n", operation, &nth, &status, &used) != 3 ||
      nth < 1) {
    throw CommandError("fail OPERATION N HRESULT [TEXT]");
  }
  // The rest of the line, if any, is the host's own text for the failure.
  std::string text = call.rest.substr(static_cast<std::size_t>(used));
  text.erase(0, text.find_first_not_of(' '));
  host_.state().faults().Arm(operation, nth, HResultFromBits(status), FromUtf8(text));
  Answer(call, "armed: " + std::string(operation) + " " + std::to_string(nth) + " " + Hex(status) +
                   (text.empty() ? "" : " " + text));
}

void Commands::Held(const Invocation& call) {
  Answer(call, "held: " + std::to_string(host_.state().held()));
}

void Commands::Journal(const Invocation& call) {
  standin::Journal& journal = host_.state().journal();
  if (call.rest == "clear") {
    journal.Clear();
    Answer(call, "journal: cleared");
    return;
  }
  if (!call.rest.empty()) {
    throw CommandError("journal [clear]");
  }
  if (journal.dropped() != 0) {
    Answer(call, "journal: " + std::to_string(journal.dropped()) + " older calls dropped");
  }
  for (std::size_t i = 0; i < journal.entries().size(); ++i) {
    Answer(call, "journal: " + FormatEntry(journal.NumberOf(i), journal.entries()[i]));
  }
  Answer(call, "journal: end, " + std::to_string(journal.entries().size()) + " calls");
}

void Commands::Policy(const Invocation& call) {
  Policies& policies = host_.state().policies();
  const auto [name, value] = Split(call.rest);
  if (name == "before0" && (value == "append" || value == "fail")) {
    policies.before0 = value == "fail" ? BeforeOutOfRange::kFail : BeforeOutOfRange::kAppend;
  } else if (name == "match" && (value == "exact" || value == "loose")) {
    policies.match = value == "loose" ? CaptionMatch::kLoose : CaptionMatch::kExact;
  } else if (name == "execute-pumps" && (value == "on" || value == "off")) {
    policies.execute_pumps = value == "on";
  } else if (name == "revoke-at-shutdown" && (value == "on" || value == "off")) {
    policies.revoke_at_shutdown = value == "on";
  } else if (!name.empty()) {
    throw CommandError(
        "policy before0 append|fail, match exact|loose, execute-pumps on|off, "
        "revoke-at-shutdown on|off");
  }
  Answer(call, std::string("policy: before0 ") +
                   (policies.before0 == BeforeOutOfRange::kFail ? "fail" : "append") + " match " +
                   (policies.match == CaptionMatch::kLoose ? "loose" : "exact") +
                   " execute-pumps " + (policies.execute_pumps ? "on" : "off") +
                   " revoke-at-shutdown " + (policies.revoke_at_shutdown ? "on" : "off"));
}

void Commands::DuringExecute(const Invocation& call) {
  if (call.rest.empty()) {
    throw CommandError("during-execute COMMAND");
  }
  host_.DuringExecute([this, line = call.rest] { Dispatch(line, true); });
  Answer(call, "queued: " + call.rest);
}

void Commands::RestartWindow(const Invocation& call) {
  host_.window().Restart();
  AnswerWhenSettled(call, "window: restarted");
}

void Commands::Disconnect(const Invocation& call) {
  const int mode = call.rest.empty() ? 1 : std::stoi(call.rest);
  for (const AddIns::Outcome& outcome :
       host_.add_ins().Disconnect(static_cast<com::ExtDisconnectMode>(mode))) {
    Answer(call, Outcome(outcome.prog_id, outcome.status, "disconnected"));
  }
}

void Commands::Abandon(const Invocation& call) {
  host_.add_ins().Abandon();
  Answer(call, "abandoned");
}

void Commands::FreeUnused(const Invocation& call) {
  const bool all = host_.add_ins().FreeUnusedModules();
  Answer(call, std::string("unloadable: ") + (all ? "yes" : "no"));
}

void Commands::Shutdown(const Invocation& call) {
  bool unloadable = false;
  for (const AddIns::Outcome& outcome : host_.add_ins().Shutdown(unloadable)) {
    Answer(call, Outcome(outcome.prog_id, outcome.status, "disconnected"));
  }
  Answer(call, "held: " + std::to_string(host_.state().held()));
  Answer(call, std::string("unloadable: ") + (unloadable ? "yes" : "no"));
}

void Commands::Screenshot(const Invocation& call) {
  const HWND dialog = FindOpenWebDialog();
  // The suggestion list, when it shows, is a window of its own below the dialog.
  const HWND list = dialog != nullptr ? SuggestionListOf(TextBoxOf(dialog)) : nullptr;
  SaveScreenshot(dialog != nullptr ? dialog : host_.window().hwnd(),
                 WindowsPath(FromUtf8(call.rest)),
                 list != nullptr ? ::GetAncestor(list, GA_ROOT) : nullptr);
  Answer(call, "screenshot: " + call.rest);
}

void Commands::ScreenshotMenu(const Invocation& call) {
  if (call.during_execute) {
    throw CommandError("screenshot-menu cannot wait while the host is busy");
  }
  pump_.Wait();
  host_.window().WithFileMenuOpen([this, path = call.rest] {
    try {
      SaveScreenshot(host_.window().hwnd(), WindowsPath(FromUtf8(path)));
      pump_.Done("screenshot: " + path);
    } catch (...) {
      pump_.Done("error: " + CaughtErrorText());
    }
  });
}

void Commands::Help(const Invocation& call) {
  for (const Entry& entry : kCommands) {
    Answer(call, "help: " + std::string(entry.name) + " - " + std::string(entry.usage));
  }
}

void Commands::Quit(const Invocation& call) {
  Answer(call, "bye");
  pump_.Quit();
  quit_();
}

}  // namespace sorvane::standin
