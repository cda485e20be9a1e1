// The whole cycle against the real module with every host call failing in
// turn, and a thousand clean cycles in one host: nothing escapes into the
// host, and nothing is left behind.

#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>

#include "addin_fixture.h"

namespace sorvane::testing_support {
namespace {

using standin::ControlPtr;
using standin::Model;

// Every host call the add-in makes in a whole cycle (connect, click, Open,
// click, Cancel, disconnect, release), made to fail in turn, first and each
// later occurrence: the host survives, gets the injected status where the
// call's operation returns one, and holds nothing of the add-in in the end.
class FaultSweep : public testing::Test {
 protected:
  // A fresh host for each run.
  using Host = standin::Host;

  struct Outcome {
    HRESULT connected = E_PENDING;
    bool dialog_after_open = false;
    std::vector<std::u16string> messages;
    std::optional<std::u16string> web1;
    std::size_t opened = 0;
    HRESULT disconnected = E_PENDING;
    bool button_left = false;
    bool unloadable = false;
    int held = -1;
  };

  void SetUp() override {
    standin::RegisterDesignerLibrary();
    standin::ClearHostValues();
  }
  void TearDown() override { standin::ClearHostValues(); }

  OleApartment apartment_;

  // Runs the cycle; `phase` names the step under way for the journal.
  // `release`: shut the host's add-ins down at the end and let the module go.
  static Outcome Cycle(Host& host, std::string& phase, bool release = true) {
    Outcome outcome;
    phase = "connection";
    std::u16string prog_id;
    outcome.connected = host.add_ins().LoadModule(ModulePath(), prog_id);
    if (SUCCEEDED(outcome.connected)) {
      const auto click = [&] {
        host.Click(Model::Item(*host.model().file_bar().list, u"Kelvra Sorvane..."));
        Pump();
      };
      phase = "click";
      click();
      if (const HWND dialog = FindDialog()) {
        phase = "open";
        MessageBoxWatcher watcher;
        Type(dialog, L"myserver/sales");
        PressEnter(dialog);
        outcome.messages = watcher.texts;
        outcome.dialog_after_open = FindDialog() != nullptr;
      }
      phase = "click";
      click();
      phase = "cancel";
      if (const HWND dialog = FindDialog()) {
        ClickButton(CancelButtonOf(dialog));
      }
      phase = "disconnection";
      const auto outcomes = host.add_ins().Disconnect(standin::com::kDisconnectUserClosed);
      outcome.disconnected = outcomes.empty() ? E_UNEXPECTED : outcomes[0].status;
    }
    outcome.web1 = Web1();
    outcome.opened = host.model().opened().size();
    for (const ControlPtr& control : host.model().file_bar().list->controls) {
      outcome.button_left = outcome.button_left || control->tag == u"Sorvane";
    }
    phase = "release";
    if (!release) {
      return outcome;
    }
    host.add_ins().Shutdown(outcome.unloadable);
    if (!outcome.unloadable) {
      // A refused Unadvise leaves the add-in's sink with the host: let it go.
      host.state().DropConnections();
      host.add_ins().Shutdown(outcome.unloadable);
    }
    outcome.held = host.state().held();
    return outcome;
  }
};

TEST_F(FaultSweep, EveryHostCallFailingInTurn) {
  // The calls of a clean cycle, in order, with the step they belong to.
  struct Call {
    std::string operation;
    int occurrence;
    std::string phase;
  };
  std::vector<Call> calls;
  {
    Host host;
    std::string phase;
    std::map<std::string, int> seen;
    host.state().faults().set_observer([&](std::string_view operation) {
      calls.push_back({std::string(operation), ++seen[std::string(operation)], phase});
    });
    const Outcome clean = Cycle(host, phase);
    ASSERT_EQ(clean.connected, S_OK);
    ASSERT_EQ(clean.opened, 1U);
    ASSERT_EQ(clean.held, 0);
  }
  standin::ClearHostValues();

  std::set<std::string> operations;
  int survived = 0;
  for (const Call& call : calls) {
    SCOPED_TRACE(call.operation + " #" + std::to_string(call.occurrence) + " in " + call.phase);
    operations.insert(call.operation);
    Host host;
    std::string phase;
    host.state().faults().Arm(call.operation, call.occurrence, kInjected);
    const Outcome outcome = Cycle(host, phase);
    standin::ClearHostValues();
    EXPECT_EQ(host.state().faults().pending(), 0U) << "the fault did not fire";
    if (call.phase == "connection") {
      EXPECT_EQ(outcome.connected, kInjected);
      EXPECT_FALSE(outcome.web1);
    } else if (call.phase == "open") {
      EXPECT_EQ(outcome.connected, S_OK);
      ASSERT_EQ(outcome.messages.size(), 1U) << "the user is told";
      EXPECT_NE(outcome.messages[0].find(u"0x80041234"), std::u16string::npos);
      EXPECT_TRUE(outcome.dialog_after_open) << "the dialog stays";
      EXPECT_EQ(outcome.web1, u"http://myserver,,/sales,fpuser,-1,sales") << "written stays";
      EXPECT_EQ(outcome.opened, 0U);
      EXPECT_EQ(outcome.disconnected, S_OK);
    } else if (call.phase == "disconnection" && call.operation != "IConnectionPoint.Unadvise") {
      EXPECT_EQ(outcome.disconnected, kInjected);
      EXPECT_EQ(outcome.opened, 1U);
    } else {
      // Calls the add-in makes where no caller takes a status (ending its event
      // connection as the host releases it): absorbed.
      EXPECT_EQ(outcome.connected, S_OK);
      EXPECT_EQ(outcome.disconnected, S_OK);
      EXPECT_EQ(outcome.opened, 1U);
    }
    EXPECT_EQ(outcome.held, 0) << "the add-in holds no host object once released";
    EXPECT_TRUE(outcome.unloadable);
    if (!::testing::Test::HasFailure()) {
      ++survived;
    }
  }
  std::printf("fault sweep: %zu operations covered / %zu faults injected / %d survived\n",
              operations.size(), calls.size(), survived);
  EXPECT_GE(operations.size(), 20U);
}

// What the soak watches. Under Wine, GetProcessHandleCount and GetGuiResources
// answer 0 and PrivateUsage is not kept; the process's anonymous memory comes
// from Linux (/proc/self/status, which Wine shows as Z:\proc\self\status),
// and the windows of this thread stand in for USER objects.
struct Resources {
  int held;
  DWORD handles;
  DWORD gdi;
  DWORD user;
  int windows;
  long anonymous_kib;
};

BOOL CALLBACK CountWindow(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

long AnonymousKib() {
  HANDLE file = ::CreateFileW(L"Z:\\proc\\self\\status", GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return -1;
  }
  std::string text(8192, '\0');
  DWORD read = 0;
  ::ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
  ::CloseHandle(file);
  text.resize(read);
  const std::size_t at = text.find("RssAnon:");
  return at == std::string::npos ? -1 : std::strtol(text.c_str() + at + 8, nullptr, 10);
}

Resources Measure(standin::HostState& state) {
  Resources now{state.held(), 0, 0, 0, 0, AnonymousKib()};
  ::GetProcessHandleCount(::GetCurrentProcess(), &now.handles);
  now.gdi = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
  now.user = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
  ::EnumThreadWindows(::GetCurrentThreadId(), &CountWindow, reinterpret_cast<LPARAM>(&now.windows));
  return now;
}

void Print(const char* when, const Resources& r) {
  std::printf("soak: %s held=%d handles=%lu gdi=%lu user=%lu windows=%d anonymous=%ld KiB\n", when,
              r.held, static_cast<unsigned long>(r.handles), static_cast<unsigned long>(r.gdi),
              static_cast<unsigned long>(r.user), r.windows, r.anonymous_kib);
}

// A thousand cycles of connect, click, type, Open, click, Cancel, disconnect
// in one host: nothing grows beyond the tolerances below.
TEST_F(FaultSweep, ThousandCyclesLeaveNothingBehind) {
  constexpr int kWarmUp = 20;
  constexpr int kCycles = 1000;
  constexpr DWORD kHandleTolerance = 16;
  constexpr DWORD kGuiTolerance = 16;
  constexpr long kMemoryToleranceKib = 4096;
  Host host;
  std::string phase;
  Resources start{};
  for (int cycle = 1; cycle <= kWarmUp + kCycles; ++cycle) {
    const Outcome outcome = Cycle(host, phase, false);
    host.state().journal().Clear();  // the soak watches the add-in, not the host's record
    ASSERT_EQ(outcome.connected, S_OK) << cycle;
    ASSERT_EQ(outcome.disconnected, S_OK) << cycle;
    ASSERT_FALSE(outcome.dialog_after_open) << cycle;
    if (cycle % 100 == 0) {
      standin::ClearHostValues();  // "Value" grows by one address per Open
    }
    if (cycle == kWarmUp) {
      start = Measure(host.state());
      Print("start", start);
    }
  }
  const Resources end = Measure(host.state());
  Print("end", end);
  EXPECT_EQ(host.model().opened().size(), static_cast<std::size_t>(kWarmUp + kCycles));
  EXPECT_EQ(end.held, start.held) << "host objects held";
  EXPECT_LE(end.handles, start.handles + kHandleTolerance) << "handles (registry keys among them)";
  EXPECT_LE(end.gdi, start.gdi + kGuiTolerance);
  EXPECT_LE(end.user, start.user + kGuiTolerance);
  EXPECT_EQ(end.windows, start.windows) << "windows left behind";
  EXPECT_LE(end.anonymous_kib, start.anonymous_kib + kMemoryToleranceKib);
}

}  // namespace
}  // namespace sorvane::testing_support
