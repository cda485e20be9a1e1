#pragma once

// The stand-in host's command bars: bars of controls, popups with submenus,
// captions with their "&", tags, actions, visibility, and what executing a
// control does. Portable; the COM face works on it, and so does the test
// support that plays the host in-process.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sorvane::standin {

inline constexpr std::int32_t kControlButton = 1;  // msoControlButton
inline constexpr std::int32_t kControlPopup = 10;  // msoControlPopup
inline constexpr std::int32_t kCustomControlId = 1;

struct Control;
using ControlPtr = std::shared_ptr<Control>;

// The controls of a bar or of a popup's submenu, in menu order.
struct ControlList {
  std::vector<ControlPtr> controls;
};

struct Control {
  std::int32_t type = kControlButton;
  std::int32_t id = kCustomControlId;  // the host's own commands have their own
  std::u16string caption;
  std::u16string tag;
  std::u16string on_action;
  std::u16string parameter;
  bool enabled = true;
  bool visible = true;
  bool built_in = false;                 // the host's own item
  std::shared_ptr<ControlList> submenu;  // popups only
  std::weak_ptr<ControlList> container;  // empty once deleted
  int recent_web = 0;                    // n for the n-th recent web entry
};

struct Bar {
  std::u16string name;
  std::shared_ptr<ControlList> list = std::make_shared<ControlList>();
};

// A web the host was asked to open.
struct OpenedWeb {
  std::u16string server;
  std::u16string web;
};

// Reads the host's Recent Web List value "Web<n>"; absent when there is none.
using RecentWebReader = std::function<std::optional<std::u16string>(int n)>;

// Splits a Recent Web List entry ("server,,/web,fpuser,-1,web") into the
// server and the web; the web may itself hold commas.
OpenedWeb ParseRecentWebEntry(std::u16string_view entry);

// How CommandBarControls.Item matches a caption: exactly, or as Office's
// examples suggest it does (ignoring "&" and letter case).
enum class CaptionMatch { kExact, kLoose };
bool CaptionMatches(std::u16string_view caption, std::u16string_view wanted, CaptionMatch match);

// What CommandBarControls.Add does with a Before outside 1..Count+1 (0
// included): puts the control at the end, or fails with DISP_E_BADINDEX as
// later Office versions do.
enum class BeforeOutOfRange { kAppend, kFail };

// FindControl's criteria; each one left out matches every control.
struct FindCriteria {
  std::optional<std::int32_t> type;
  std::optional<std::int32_t> id;
  std::optional<std::u16string> tag;
  bool visible_only = false;  // Visible: True
  bool recursive = false;     // Recursive: True, submenus too
};

// Operation names, as the host spells them; fault injection uses them too.
namespace op {
inline constexpr std::string_view kCommandBars = "Application.CommandBars";
inline constexpr std::string_view kBarsItem = "CommandBars.Item";
inline constexpr std::string_view kBarControls = "CommandBar.Controls";
inline constexpr std::string_view kFindControl = "CommandBar.FindControl";
inline constexpr std::string_view kControlsItem = "CommandBarControls.Item";
inline constexpr std::string_view kControlsAdd = "CommandBarControls.Add";
inline constexpr std::string_view kControlsCount = "CommandBarControls.Count";
inline constexpr std::string_view kControlsEnum = "CommandBarControls._NewEnum";
inline constexpr std::string_view kEnumNext = "IEnumVARIANT.Next";
inline constexpr std::string_view kCaptionGet = "CommandBarControl.Caption";
inline constexpr std::string_view kCaptionPut = "CommandBarControl.Caption=";
inline constexpr std::string_view kIndexGet = "CommandBarControl.Index";
inline constexpr std::string_view kTagGet = "CommandBarControl.Tag";
inline constexpr std::string_view kTagPut = "CommandBarControl.Tag=";
inline constexpr std::string_view kOnActionGet = "CommandBarControl.OnAction";
inline constexpr std::string_view kOnActionPut = "CommandBarControl.OnAction=";
inline constexpr std::string_view kEnabledGet = "CommandBarControl.Enabled";
inline constexpr std::string_view kEnabledPut = "CommandBarControl.Enabled=";
inline constexpr std::string_view kVisibleGet = "CommandBarControl.Visible";
inline constexpr std::string_view kVisiblePut = "CommandBarControl.Visible=";
inline constexpr std::string_view kTypeGet = "CommandBarControl.Type";
inline constexpr std::string_view kIdGet = "CommandBarControl.Id";
inline constexpr std::string_view kParameterGet = "CommandBarControl.Parameter";
inline constexpr std::string_view kParameterPut = "CommandBarControl.Parameter=";
inline constexpr std::string_view kDelete = "CommandBarControl.Delete";
inline constexpr std::string_view kExecute = "CommandBarControl.Execute";
inline constexpr std::string_view kPopupControls = "CommandBarPopup.Controls";
inline constexpr std::string_view kProgId = "COMAddIn.ProgId";
inline constexpr std::string_view kFindConnectionPoint =
    "IConnectionPointContainer.FindConnectionPoint";
inline constexpr std::string_view kAdvise = "IConnectionPoint.Advise";
inline constexpr std::string_view kUnadvise = "IConnectionPoint.Unadvise";
}  // namespace op

class Model {
 public:
  explicit Model(RecentWebReader recent_webs);

  // Each of these fails with the host's status, as HResultError.
  const Bar& BarNamed(std::u16string_view name) const;
  const Bar& BarAt(std::int32_t position) const;
  // The first match in menu order, or null; with `recursive`, a popup's
  // submenu is searched right after the popup.
  static ControlPtr FindControl(const ControlList& list, const FindCriteria& criteria);
  static ControlPtr Item(const ControlList& list, std::u16string_view caption,
                         CaptionMatch match = CaptionMatch::kExact);
  static ControlPtr Item(const ControlList& list, std::int32_t position);
  static ControlPtr Add(const std::shared_ptr<ControlList>& list, std::int32_t type,
                        std::u16string_view parameter, std::optional<std::int32_t> before,
                        BeforeOutOfRange out_of_range = BeforeOutOfRange::kAppend);
  static std::int32_t Index(const Control& control);
  static void Delete(Control& control);
  void Execute(const ControlPtr& control);
  // A popup's submenu, as it stands now (the recent webs come from the registry).
  ControlList& Submenu(Control& popup);
  // Fails unless the control is still in a bar.
  static void RequireLive(const Control& control);

  const std::vector<Bar>& bars() const { return bars_; }
  const Bar& file_bar() const { return bars_.front(); }
  const std::vector<OpenedWeb>& opened() const { return opened_; }
  const std::vector<std::u16string>& executed() const { return executed_; }

  // Receives "!<ProgID>" actions: the add-in with that ProgID gets the click.
  void set_add_in_router(
      std::function<void(const ControlPtr& control, std::u16string_view prog_id)> router) {
    add_in_router_ = std::move(router);
  }
  // The host's own work while it opens a web, before the web is read from the
  // registry (the real host pumps messages then).
  void set_open_work(std::function<void()> work) { open_work_ = std::move(work); }

 private:
  std::vector<Bar> bars_;
  RecentWebReader recent_webs_;
  std::vector<OpenedWeb> opened_;
  std::vector<std::u16string> executed_;
  std::function<void(const ControlPtr&, std::u16string_view)> add_in_router_;
  std::function<void()> open_work_;
};

}  // namespace sorvane::standin
