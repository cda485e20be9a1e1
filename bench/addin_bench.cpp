// Benchmarks of the real module in a process that plays the host, each as a
// ratio against a baseline that does only the unavoidable work, measured in
// the same run. Prints one line per measure:
//   bench: NAME value=V goal=G
//
//   addin_bench MODULE.dll [repetitions]

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>
#include <ocidl.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlwapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "com/win32_host_face.h"
#include "com/win32_host_ids.h"
#include "common/win32_registry_key.h"
#include "common/win32_text.h"
#include "model/command_bar_model.h"
#include "win32_addins.h"
#include "win32_dialog_finder.h"
#include "win32_host.h"
#include "win32_host_values.h"

namespace sorvane::bench {
namespace {

using Clock = std::chrono::steady_clock;
using standin::ControlPtr;
using standin::Model;

void Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

double Median(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return samples[samples.size() / 2];
}

template <typename Work>
double Seconds(Work work) {
  const auto start = Clock::now();
  work();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void Report(const std::string& name, double value, const std::string& goal) {
  std::printf("bench: %s value=%.3f goal=%s\n", name.c_str(), value, goal.c_str());
  std::fflush(stdout);
}

// Stores the host's File Name MRU "Value" with `size` bytes of text.
void StoreValue(std::size_t size) {
  standin::StoreHostValueBytes(standin::HostValue::kFileNameMru, REG_SZ, std::string(size, 'v'));
}

// Stores a "Value" of about `size` bytes as Opens leave it, with odd entries
// among the newest (blank runs, a comma, a character of code page 1252): the
// addresses the dialog offers.
void StoreAddresses(std::size_t size) {
  std::string text =
      size == 0 ? "" : "   http://srv/a,b  http://s\xE9rveur/v\xEAntes http://srv/a,b ";
  for (int n = 0; text.size() < size; ++n) {
    text += "http://host/web" + std::to_string(n) + " ";
  }
  standin::StoreHostValueBytes(standin::HostValue::kFileNameMru, REG_SZ, text);
}

// When the dialog was last shown: its WM_SHOWWINDOW, seen by a hook on this
// thread (the click's own message loop goes on to what the dialog posted),
// and when it had painted (its WM_PAINT, which the add-in asks for at once).
// Constant-initialised (time_point's constructor is constexpr, not noexcept).
constinit Clock::time_point g_shown;    // NOLINT(cert-err58-cpp)
constinit Clock::time_point g_painted;  // NOLINT(cert-err58-cpp)
LRESULT CALLBACK WatchShowing(int code, WPARAM wparam, LPARAM lparam) {
  const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lparam);
  if (code == HC_ACTION && (call->message == WM_SHOWWINDOW || call->message == WM_PAINT) &&
      standin::ClassOf(call->hwnd) == L"#32770") {
    if (call->message == WM_PAINT) {
      g_painted = Clock::now();
    } else if (call->wParam != FALSE) {
      g_shown = Clock::now();
    }
  }
  return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

// Whether the system's auto-complete object serves the text box: it replaces
// the box's window procedure with its own.
bool Suggesting(HWND text_box) {
  return ::GetWindowLongPtrW(text_box, GWLP_WNDPROC) !=
         static_cast<LONG_PTR>(::GetClassLongPtrW(text_box, GCLP_WNDPROC));
}

// A key of the host's values, opened or created.
sorvane::RegistryKey HostKey(const wchar_t* path) {
  sorvane::RegistryKey key;
  if (key.Create(HKEY_CURRENT_USER, path, KEY_QUERY_VALUE | KEY_SET_VALUE) != ERROR_SUCCESS) {
    std::fprintf(stderr, "bench: the host's key cannot be opened\n");
    std::exit(1);
  }
  return key;
}

// The "Value" read as the add-in reads it, through the ANSI functions: the
// size query, then the data, each timed (medians).
struct ValueReads {
  double size_query;
  double data_query;
};
ValueReads TimeValueReads(int repetitions) {
  std::vector<double> size_query;
  std::vector<double> data_query;
  for (int i = 0; i < repetitions; ++i) {
    const sorvane::RegistryKey key = HostKey(standin::kFileNameMruKey);
    DWORD type = 0;
    DWORD length = 0;
    size_query.push_back(
        Seconds([&] { ::RegQueryValueExA(key.get(), "Value", nullptr, &type, nullptr, &length); }));
    std::string buffer(length, ' ');
    data_query.push_back(Seconds([&] {
      ::RegQueryValueExA(key.get(), "Value", nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                         &length);
    }));
  }
  return {Median(size_query), Median(data_query)};
}

// What an Open cannot avoid: read "Value", write "Web1" and the new "Value",
// through the ANSI functions, each key opened and closed.
void RawRegistryWork(std::size_t size) {
  std::string buffer(size + 64, ' ');
  DWORD type = 0;
  auto length = static_cast<DWORD>(buffer.size());
  ::RegQueryValueExA(HostKey(standin::kFileNameMruKey).get(), "Value", nullptr, &type,
                     reinterpret_cast<BYTE*>(buffer.data()), &length);
  const std::string web1 = "http://myserver,,/sales,fpuser,-1,sales";
  ::RegSetValueExA(HostKey(standin::kRecentWebListKey).get(), "Web1", 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(web1.data()), static_cast<DWORD>(web1.size()));
  const std::string value = "http://myserver/sales " + buffer.substr(0, length);
  ::RegSetValueExA(HostKey(standin::kFileNameMruKey).get(), "Value", 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(value.data()), static_cast<DWORD>(value.size()));
}

ComPtr<IDispatch> AsDispatch(const Variant& value) {
  ComPtr<IDispatch> object;
  if (const ComPtr<IUnknown> unknown = value.ToObject()) {
    unknown.As(&object);
  }
  return object;
}

// Takes the button's events and does nothing with them.
class NullSink final : public ComObject<NullSink, WithoutTypeInfo<>> {
 public:
  void* QueryOther(REFIID iid) noexcept {
    return iid == standin::com::kDiidCommandBarButtonEvents ? static_cast<IDispatch*>(this)
                                                            : nullptr;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override {
    return DISP_E_UNKNOWNNAME;
  }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) noexcept override {
    return S_OK;
  }
};

// An empty list for the system's auto-complete object.
class NoStrings final : public ComObject<NoStrings, IEnumString> {
 public:
  STDMETHODIMP Next(ULONG, LPOLESTR*, ULONG* fetched) noexcept override {
    if (fetched != nullptr) {
      *fetched = 0;
    }
    return S_FALSE;
  }
  STDMETHODIMP Skip(ULONG) noexcept override { return S_FALSE; }
  STDMETHODIMP Reset() noexcept override { return S_OK; }
  STDMETHODIMP Clone(IEnumString**) noexcept override { return E_NOTIMPL; }
};

INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}

// The windows the add-in's dialog is made of, made directly from the module's
// own resources (its dialog template 101 and icon 1, by their identifiers)
// with no add-in code: the frame, label, text box and two buttons, the
// tooltip on the text box, the two icons; and, where the add-in would offer
// addresses, the system's auto-complete object on the text box.
class PlainDialog {
 public:
  PlainDialog(HINSTANCE module, bool suggesting) {
    window_ = ::CreateDialogParamW(module, MAKEINTRESOURCEW(101), nullptr, &PlainDialogProc, 0);
    struct Child {
      const wchar_t* window_class;
      const wchar_t* text;
      DWORD style;
      DWORD ex_style;
    };
    for (const Child& child :
         {Child{L"BUTTON", L"", BS_GROUPBOX | WS_GROUP, 0},
          Child{L"STATIC", L"Please specify URL or disk location:", SS_LEFT | SS_NOPREFIX, 0},
          Child{L"EDIT", L"", ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP, WS_EX_CLIENTEDGE},
          Child{L"BUTTON", L"&Open", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 0},
          Child{L"BUTTON", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, 0}}) {
      const HWND made = ::CreateWindowExW(child.ex_style, child.window_class, child.text,
                                          WS_CHILD | WS_VISIBLE | child.style, 10, 10, 60, 20,
                                          window_, nullptr, module, nullptr);
      if (child.ex_style == WS_EX_CLIENTEDGE) {
        edit_ = made;
      }
    }
    const HWND tooltip = ::CreateWindowExW(
        WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, module, nullptr);
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(edit_);
    wchar_t tip[] = L"Enter the URL or disk path to the web you would like to open.";
    tool.lpszText = tip;
    ::SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    const int small = ::GetSystemMetrics(SM_CXSMICON);
    large_icon_ =
        static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(1), IMAGE_ICON, 32, 32, 0));
    small_icon_ =
        static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(1), IMAGE_ICON, small, small, 0));
    ::SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large_icon_));
    ::SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon_));
    ::ShowWindow(window_, SW_SHOW);
    ComPtr<IAutoComplete2> complete;
    if (suggesting &&
        SUCCEEDED(::CoCreateInstance(CLSID_AutoComplete, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(complete.GetAddressOf())))) {
      complete->SetOptions(ACO_AUTOSUGGEST | ACO_UPDOWNKEYDROPSLIST);
      complete->Init(edit_, MakeCom<NoStrings>().Get(), nullptr, nullptr);
    }
  }
  PlainDialog(const PlainDialog&) = delete;
  PlainDialog& operator=(const PlainDialog&) = delete;
  ~PlainDialog() { Close(); }

  // What closing the add-in's dialog cannot do without: hide the window,
  // destroy it with its children and tooltip, destroy the icons.
  void Close() {
    if (window_ == nullptr) {
      return;
    }
    ::ShowWindow(window_, SW_HIDE);
    ::DestroyWindow(std::exchange(window_, nullptr));
    ::DestroyIcon(large_icon_);
    ::DestroyIcon(small_icon_);
  }

 private:
  HWND window_ = nullptr;
  HWND edit_ = nullptr;
  HICON large_icon_ = nullptr;
  HICON small_icon_ = nullptr;
};

class Bench {
 public:
  explicit Bench(std::u16string module) : module_(std::move(module)) {
    standin::RegisterDesignerLibrary();
  }

  // An Open against what it cannot avoid: the registry work (one read, two
  // writes, through the ANSI functions) and the closing of its dialog's
  // windows (hidden and destroyed as plain windows). The windows are made
  // before either is timed, as the dialog is made before its Open.
  void OpenRatios(int repetitions) {
    Connect();
    const HINSTANCE module = ::GetModuleHandleW(ToWide(module_).c_str());
    for (const std::size_t size :
         {std::size_t{0}, std::size_t{1} << 10, std::size_t{64} << 10, std::size_t{1} << 20}) {
      std::vector<double> open;
      std::vector<double> raw;
      std::vector<double> windows;
      for (int i = 0; i < repetitions; ++i) {
        StoreValue(size);
        Click();
        const HWND dialog = standin::FindOpenWebDialog();
        ::SendMessageW(standin::TextBoxOf(dialog), WM_SETTEXT, 0,
                       reinterpret_cast<LPARAM>(L"myserver/sales"));
        const HWND open_button = standin::OpenButtonOf(dialog);
        open.push_back(Seconds([&] { ::SendMessageW(open_button, BM_CLICK, 0, 0); }));
        Pump();
        StoreValue(size);
        raw.push_back(Seconds([&] { RawRegistryWork(size); }));
        // The add-in offers the value's one run of 'v' if it has at most 2,083 characters.
        PlainDialog plain(module, size > 0 && size <= 2083);
        Pump();
        windows.push_back(Seconds([&] { plain.Close(); }));
        Pump();
      }
      const double baseline = Median(raw) + Median(windows);
      const std::string name = "open-" + std::to_string(size / 1024) + "KiB";
      Report(name, Median(open) / baseline, "1.5");
      std::printf("  open %.3f ms; registry work %.3f ms + closing the same windows %.3f ms\n",
                  Median(open) * 1e3, Median(raw) * 1e3, Median(windows) * 1e3);
      if (size >= (std::size_t{64} << 10)) {
        ExtraSteps(size, repetitions);
      }
    }
    Disconnect();
  }

  // What an Open does beyond the baseline's registry work, each step timed
  // alone: the size query the two-pass read begins with, and the value's two
  // crossings of the ANSI code page (read into UTF-16, the new value back).
  static void ExtraSteps(std::size_t size, int repetitions) {
    StoreValue(size);
    const ValueReads reads = TimeValueReads(repetitions);
    std::vector<double> to_wide;
    std::vector<double> to_ansi;
    const std::string ansi(size, 'v');
    std::wstring wide(size, L'v');
    for (int i = 0; i < repetitions; ++i) {
      to_wide.push_back(Seconds([&] {
        ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(),
                              static_cast<int>(wide.size()));
      }));
      std::string back(size + 64, '\0');
      to_ansi.push_back(Seconds([&] {
        ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), back.data(),
                              static_cast<int>(back.size()), nullptr, nullptr);
      }));
    }
    std::printf(
        "  beyond it, at %zu KiB: the size query %.3f ms, ANSI to UTF-16 %.3f ms, "
        "UTF-16 to ANSI %.3f ms\n",
        size / 1024, reads.size_query * 1e3, Median(to_wide) * 1e3, Median(to_ansi) * 1e3);
  }

  // From the click on the File-menu button to the dialog shown, with the
  // host's "Value" empty, at 1 KiB and at 1 MiB of addresses; then to the addresses
  // offered (the system's auto-complete object on the text box), and from
  // the first key to the list of suggestions shown.
  void FirstShowing(int repetitions) {
    Connect();
    const HHOOK hook =
        ::SetWindowsHookExW(WH_CALLWNDPROCRET, &WatchShowing, nullptr, ::GetCurrentThreadId());
    for (const std::size_t size : {std::size_t{0}, std::size_t{1} << 10, std::size_t{1} << 20}) {
      StoreAddresses(size);
      std::vector<double> shown;
      std::vector<double> offered;
      std::vector<double> listed;
      std::vector<double> painted;
      for (int i = 0; i < repetitions; ++i) {
        const auto start = Clock::now();
        Click();
        HWND dialog = nullptr;
        while ((dialog = standin::FindOpenWebDialog()) == nullptr ||
               ::IsWindowVisible(dialog) == FALSE) {
          Pump();
        }
        shown.push_back(std::chrono::duration<double>(g_shown - start).count());
        const HWND text_box = standin::TextBoxOf(dialog);
        if (size != 0) {
          while (!Suggesting(text_box)) {
            Pump();
          }
          offered.push_back(std::chrono::duration<double>(Clock::now() - start).count());
          painted.push_back(std::chrono::duration<double>(g_painted - start).count());
          listed.push_back(Seconds([&] {
            ::PostMessageW(text_box, WM_CHAR, L'h', 1);
            while (standin::SuggestionListOf(text_box) == nullptr) {
              Pump();
            }
          }));
        }
        ::SendMessageW(standin::CancelButtonOf(dialog), BM_CLICK, 0, 0);
        Pump();
      }
      const std::string at = std::to_string(size / 1024) + "KiB-ms";
      Report("first-showing-" + at, Median(shown) * 1e3, size == 0 ? "report" : "50");
      if (size != 0) {
        Report("suggestions-offered-" + at, Median(offered) * 1e3, "report");
        std::printf("  the dialog painted at %.3f ms, before the value is read\n",
                    Median(painted) * 1e3);
        Report("first-key-to-list-" + at, Median(listed) * 1e3, "report");
        if (size == (std::size_t{1} << 20)) {
          const ValueReads reads = TimeValueReads(repetitions);
          std::printf("  of it, reading \"Value\": the size query %.3f ms, the data %.3f ms\n",
                      reads.size_query * 1e3, reads.data_query * 1e3);
        }
      }
    }
    ::UnhookWindowsHookEx(hook);
    Disconnect();
  }

  // The add-in's cost at the host's start (its module loaded, the add-in
  // created and connected) against loading and freeing a minimal DLL.
  void StartCost(int repetitions, const std::u16string& minimal_dll) {
    // Known to the host from here on, as an add-in it finds in its registry.
    Connect();
    add_ins_.Disable(u"Sorvane.Connect");
    add_ins_.FreeUnusedModules();
    std::vector<double> start;
    std::vector<double> minimal;
    std::vector<double> load_only;
    for (int i = 0; i < repetitions; ++i) {
      load_only.push_back(Seconds([&] {
        const HMODULE loaded = ::LoadLibraryW(ToWide(module_).c_str());
        ::FreeLibrary(loaded);
      }));
      // Loaded anew each time: the last round freed it.
      start.push_back(Seconds([&] { add_ins_.Enable(u"Sorvane.Connect"); }));
      add_ins_.Disable(u"Sorvane.Connect");
      add_ins_.FreeUnusedModules();
      minimal.push_back(Seconds([&] {
        const HMODULE loaded = ::LoadLibraryW(ToWide(minimal_dll).c_str());
        ::FreeLibrary(loaded);
      }));
    }
    Report("host-start", Median(start) / Median(minimal), "report");
    std::printf(
        "  module load and connection %.3f ms (the module's load and free alone %.3f ms),"
        " a minimal DLL's load and free %.3f ms\n",
        Median(start) * 1e3, Median(load_only) * 1e3, Median(minimal) * 1e3);
  }

  // OnConnection and OnDisconnection of one add-in object, against the same
  // host calls made directly.
  void ConnectRatio(int repetitions) {
    Connect();
    standin::com::IDTExtensibility2* add_in = add_ins_.add_in(0);
    SAFEARRAYBOUND bound{0, 0};
    SAFEARRAY* custom = ::SafeArrayCreate(VT_VARIANT, 1, &bound);
    std::vector<double> by_add_in;
    std::vector<double> direct;
    for (int i = 0; i < repetitions * 4; ++i) {
      const ComPtr<IDispatch> application = face_.NewApplication();
      const ComPtr<IDispatch> instance = face_.NewAddInInstance(u"Sorvane.Connect");
      add_in->OnDisconnection(standin::com::kDisconnectUserClosed, &custom);
      by_add_in.push_back(Seconds([&] {
        add_in->OnConnection(application.Get(), standin::com::kConnectStartup, instance.Get(),
                             &custom);
        add_in->OnDisconnection(standin::com::kDisconnectUserClosed, &custom);
      }));
      add_in->OnConnection(application.Get(), standin::com::kConnectStartup, instance.Get(),
                           &custom);
      direct.push_back(Seconds([&] { DirectConnectAndDisconnect(application.Get()); }));
    }
    ::SafeArrayDestroy(custom);
    Disconnect();
    Report("connect-disconnect", Median(by_add_in) / Median(direct), "2");
    std::printf("  by the add-in %.3f ms, direct %.3f ms\n", Median(by_add_in) * 1e3,
                Median(direct) * 1e3);
  }

  void CallCounts() {
    int connection = 0;
    int open = 0;
    int* counting = &connection;
    host_.state().faults().set_observer([&](std::string_view) { ++*counting; });
    Connect();
    counting = &open;
    Click();
    const HWND dialog = standin::FindOpenWebDialog();
    ::SendMessageW(standin::TextBoxOf(dialog), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(L"myserver/sales"));
    ::SendMessageW(standin::OpenButtonOf(dialog), BM_CLICK, 0, 0);
    Pump();
    host_.state().faults().set_observer(nullptr);
    Disconnect();
    // The least the behaviour needs. Connection: CommandBars, Item, FindControl;
    // the walk over HostApp's File bar (CommandBars, Item, Controls, the
    // enumerator, one Next per control and one more, one Caption per control,
    // Index for the match); Controls, Add, Caption, Tag, ProgId, OnAction; the
    // click connection (FindConnectionPoint, Advise); Enabled. Open: CommandBars,
    // Item, Controls, Item, the popup's Controls(1), Execute.
    const int controls = static_cast<int>(model_.file_bar().list->controls.size());
    const int connection_minimum = 3 + 4 + (controls + 1) + controls + 1 + 6 + 2 + 1;
    Report("host-calls-per-connection", connection, std::to_string(connection_minimum));
    Report("host-calls-per-open", open, "6");
  }

 private:
  void Connect() {
    std::u16string prog_id;
    if (FAILED(add_ins_.LoadModule(module_, prog_id))) {
      std::fputs("bench: the add-in did not connect\n", stdout);
      std::exit(1);
    }
  }
  void Disconnect() { add_ins_.Disconnect(standin::com::kDisconnectUserClosed); }
  void Click() {
    host_.Click(Model::Item(*model_.file_bar().list, u"Kelvra Sorvane..."));
    Pump();
  }

  // The host calls of one connection and disconnection, issued directly with
  // DISPIDs looked up once.
  void DirectConnectAndDisconnect(IDispatch* app) {
    const ComPtr<IDispatch> bars = Get(app, L"CommandBars");
    const ComPtr<IDispatch> file = Get(bars.Get(), L"Item", Variant::String(u"File"));
    Call(file.Get(), L"FindControl", Variant::Missing(), Variant::Missing(),
         Variant::String(u"Sorvane"), Variant::Missing(), Variant::Missing());
    // The walk.
    const ComPtr<IDispatch> walk_bars = Get(app, L"CommandBars");
    const ComPtr<IDispatch> walk_file = Get(walk_bars.Get(), L"Item", Variant::String(u"File"));
    const ComPtr<IDispatch> walk_controls = Get(walk_file.Get(), L"Controls");
    Variant items_variant = Invoke(walk_controls.Get(), DISPID_NEWENUM, DISPATCH_PROPERTYGET, {});
    ComPtr<IEnumVARIANT> items;
    items_variant.ref().punkVal->QueryInterface(IID_PPV_ARGS(&items));
    std::int16_t position = 0;
    for (;;) {
      Variant item;
      ULONG fetched = 0;
      if (items->Next(1, item.get(), &fetched) != S_OK) {
        break;
      }
      IDispatch* control = item.ref().pdispVal;
      if (Invoke(control, Id(control, L"Caption"), DISPATCH_PROPERTYGET, {}).ToString() ==
          u"Open &Web...") {
        position = static_cast<std::int16_t>(
            Invoke(control, Id(control, L"Index"), DISPATCH_PROPERTYGET, {}).ToInt32() + 1);
      }
    }
    const ComPtr<IDispatch> controls = Get(file.Get(), L"Controls");
    const ComPtr<IDispatch> button =
        AsDispatch(Call(controls.Get(), L"Add", Variant::Int32(1), Variant::Missing(),
                        Variant::String(u"Sorvane"), Variant::Int16(position), Variant::Missing()));
    Put(button.Get(), L"Caption", Variant::String(u"Kelvra Sorvane..."));
    Put(button.Get(), L"Tag", Variant::String(u"Sorvane"));
    const ComPtr<IDispatch> instance = instance_;
    const std::u16string prog_id =
        Invoke(instance.Get(), Id(instance.Get(), L"ProgId"), DISPATCH_PROPERTYGET, {}).ToString();
    Put(button.Get(), L"OnAction", Variant::String(u"!<" + prog_id + u">"));
    ComPtr<IConnectionPointContainer> container;
    button->QueryInterface(IID_PPV_ARGS(&container));
    ComPtr<IConnectionPoint> point;
    container->FindConnectionPoint(standin::com::kDiidCommandBarButtonEvents, &point);
    DWORD cookie = 0;
    point->Advise(sink_.Get(), &cookie);
    Put(button.Get(), L"Enabled", Variant::Bool(true));
    // Disconnection.
    const ComPtr<IDispatch> off_bars = Get(app, L"CommandBars");
    const ComPtr<IDispatch> off_file = Get(off_bars.Get(), L"Item", Variant::String(u"File"));
    const ComPtr<IDispatch> off_controls = Get(off_file.Get(), L"Controls");
    const ComPtr<IDispatch> found =
        Get(off_controls.Get(), L"Item", Variant::String(u"Kelvra Sorvane..."));
    Call(found.Get(), L"Delete", Variant::Missing());
    point->Unadvise(cookie);
  }

  DISPID Id(IDispatch* object, const wchar_t* name) {
    const auto cached = ids_.find(name);
    if (cached != ids_.end()) {
      return cached->second;
    }
    DISPID id = DISPID_UNKNOWN;
    auto* names = const_cast<LPOLESTR>(name);  // NOLINT(cppcoreguidelines-pro-type-const-cast)
    object->GetIDsOfNames(kNullIid, &names, 1, 0, &id);
    ids_.emplace(name, id);
    return id;
  }
  static Variant Invoke(IDispatch* object, DISPID id, WORD flags,
                        const std::vector<Variant>& args) {
    Variant result;
    InvokeInOrder(object, id, flags, args, &result, nullptr);
    return result;
  }
  ComPtr<IDispatch> Get(IDispatch* object, const wchar_t* name) {
    return AsDispatch(Invoke(object, Id(object, name), DISPATCH_PROPERTYGET | DISPATCH_METHOD, {}));
  }
  ComPtr<IDispatch> Get(IDispatch* object, const wchar_t* name, Variant arg) {
    std::vector<Variant> args;
    args.push_back(std::move(arg));
    return AsDispatch(
        Invoke(object, Id(object, name), DISPATCH_PROPERTYGET | DISPATCH_METHOD, args));
  }
  template <typename... Arguments>
  Variant Call(IDispatch* object, const wchar_t* name, Arguments... arguments) {
    std::vector<Variant> args;
    (args.push_back(std::move(arguments)), ...);
    return Invoke(object, Id(object, name), DISPATCH_METHOD | DISPATCH_PROPERTYGET, args);
  }
  void Put(IDispatch* object, const wchar_t* name, Variant value) {
    std::vector<Variant> args;
    args.push_back(std::move(value));
    Invoke(object, Id(object, name), DISPATCH_PROPERTYPUT, args);
  }

  std::u16string module_;
  standin::Host host_;
  Model& model_ = host_.model();
  standin::com::HostFace& face_ = host_.face();
  standin::AddIns& add_ins_ = host_.add_ins();
  ComPtr<IDispatch> sink_ = MakeCom<NullSink>();
  ComPtr<IDispatch> instance_ = face_.NewAddInInstance(u"Sorvane.Connect");
  std::map<std::wstring, DISPID> ids_;
};

}  // namespace
}  // namespace sorvane::bench

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fputs("usage: addin_bench MODULE.dll MINIMAL.dll [repetitions]\n", stderr);
    return 2;
  }
  const int repetitions =
      argc > 3 ? std::max(1, static_cast<int>(std::wcstol(argv[3], nullptr, 10))) : 31;
  if (FAILED(::OleInitialize(nullptr))) {
    return 1;
  }
  sorvane::standin::ClearHostValues();
  {
    sorvane::bench::Bench bench(sorvane::FromWide(argv[1]));
    bench.CallCounts();
    bench.ConnectRatio(repetitions);
    bench.OpenRatios(repetitions);
    bench.FirstShowing(repetitions);
    bench.StartCost(repetitions, sorvane::FromWide(argv[2]));
  }
  sorvane::standin::ClearHostValues();
  ::OleUninitialize();
  return 0;
}
