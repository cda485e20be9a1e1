#include "model/command_bar_model.h"

#include <algorithm>
#include <initializer_list>

#include "common/hresult.h"

namespace sorvane::standin {

namespace {

// What the host answers for a name, position or object it does not have.
constexpr HResult kNoSuchItem = kEInvalidArg;
constexpr HResult kDeletedObject = kEFail;
constexpr HResult kBadIndex = HResultFromBits(0x8002000BU);  // DISP_E_BADINDEX
constexpr std::u16string_view kRecentWebs = u"Recent W&ebs";

// The host's own File menu, FrontPage 2000's, with the command identifiers of
// its items (those of popups are 1, as for custom controls).
struct BuiltIn {
  std::u16string_view caption;
  std::int32_t type;
  std::int32_t id;
};
constexpr BuiltIn kFileMenu[] = {
    {u"&New", kControlPopup, 30037},
    {u"&Open...", kControlButton, 23},
    {u"&Close", kControlButton, 106},
    {u"Open &Web...", kControlButton, 3155},
    {u"Close W&eb", kControlButton, 3156},
    {u"&Save", kControlButton, 3},
    {u"Save &As...", kControlButton, 748},
    {u"Publish We&b...", kControlButton, 3157},
    {u"&Import...", kControlButton, 3158},
    {u"E&xport...", kControlButton, 3159},
    {u"Pre&view in Browser...", kControlButton, 1939},
    {u"Page Set&up...", kControlButton, 247},
    {u"Print Pre&view", kControlButton, 109},
    {u"&Print...", kControlButton, 4},
    {u"Sen&d...", kControlButton, 3738},
    {u"Propert&ies...", kControlButton, 750},
    {u"Recent &Files", kControlPopup, 30003},
    {kRecentWebs, kControlPopup, 30095},
    {u"E&xit", kControlButton, 752},
};

ControlPtr MakeControl(const std::shared_ptr<ControlList>& list, std::u16string_view caption,
                       std::int32_t type = kControlButton, std::int32_t id = kCustomControlId) {
  auto control = std::make_shared<Control>();
  control->type = type;
  control->id = id;
  control->caption = caption;
  control->built_in = true;
  control->container = list;
  if (type == kControlPopup) {
    control->submenu = std::make_shared<ControlList>();
  }
  list->controls.push_back(control);
  return control;
}

Bar MakeBar(std::u16string_view name, std::initializer_list<std::u16string_view> buttons) {
  Bar bar{std::u16string(name)};
  for (const std::u16string_view caption : buttons) {
    MakeControl(bar.list, caption);
  }
  return bar;
}

char16_t Folded(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool Matches(const Control& control, const FindCriteria& criteria) {
  return (!criteria.type || control.type == *criteria.type) &&
         (!criteria.id || control.id == *criteria.id) &&
         (!criteria.tag || control.tag == *criteria.tag) &&
         (!criteria.visible_only || control.visible);
}

}  // namespace

OpenedWeb ParseRecentWebEntry(std::u16string_view entry) {
  const std::size_t server_end = entry.find(u",,/");
  if (server_end == std::u16string_view::npos) {
    return {std::u16string(entry), {}};
  }
  const std::u16string_view rest = entry.substr(server_end + 3);
  const std::size_t web_end = rest.rfind(u",fpuser,-1,");
  return {
      std::u16string(entry.substr(0, server_end)),
      std::u16string(rest.substr(0, web_end == std::u16string_view::npos ? rest.size() : web_end))};
}

bool CaptionMatches(std::u16string_view caption, std::u16string_view wanted, CaptionMatch match) {
  if (match == CaptionMatch::kExact) {
    return caption == wanted;
  }
  const auto next = [](std::u16string_view text, std::size_t& at) -> int {
    while (at < text.size() && text[at] == u'&') {
      ++at;
    }
    return at < text.size() ? Folded(text[at++]) : -1;
  };
  std::size_t a = 0;
  std::size_t b = 0;
  for (;;) {
    const int x = next(caption, a);
    const int y = next(wanted, b);
    if (x != y) {
      return false;
    }
    if (x < 0) {
      return true;
    }
  }
}

Model::Model(RecentWebReader recent_webs) : recent_webs_(std::move(recent_webs)) {
  Bar file{u"File"};
  for (const BuiltIn& item : kFileMenu) {
    MakeControl(file.list, item.caption, item.type, item.id);
  }
  bars_.push_back(std::move(file));
  bars_.push_back(MakeBar(u"Edit", {u"&Undo", u"Cu&t", u"&Copy", u"&Paste", u"Select A&ll"}));
  bars_.push_back(MakeBar(u"View", {u"&Page", u"&Folders", u"&Reports", u"&Navigation"}));
  bars_.push_back(MakeBar(u"Help", {u"Microsoft FrontPage &Help", u"&About Microsoft FrontPage"}));
}

const Bar& Model::BarNamed(std::u16string_view name) const {
  const auto bar = std::find_if(bars_.begin(), bars_.end(),
                                [name](const Bar& candidate) { return candidate.name == name; });
  if (bar == bars_.end()) {
    throw HResultError(kNoSuchItem);
  }
  return *bar;
}

const Bar& Model::BarAt(std::int32_t position) const {
  if (position < 1 || static_cast<std::size_t>(position) > bars_.size()) {
    throw HResultError(kNoSuchItem);
  }
  return bars_[static_cast<std::size_t>(position - 1)];
}

ControlPtr Model::FindControl(const ControlList& list, const FindCriteria& criteria) {
  for (const ControlPtr& control : list.controls) {
    if (Matches(*control, criteria)) {
      return control;
    }
    if (criteria.recursive && control->submenu != nullptr) {
      if (ControlPtr inner = FindControl(*control->submenu, criteria)) {
        return inner;
      }
    }
  }
  return nullptr;
}

ControlPtr Model::Item(const ControlList& list, std::u16string_view caption, CaptionMatch match) {
  for (const ControlPtr& control : list.controls) {
    if (CaptionMatches(control->caption, caption, match)) {
      return control;
    }
  }
  throw HResultError(kNoSuchItem);
}

ControlPtr Model::Item(const ControlList& list, std::int32_t position) {
  if (position < 1 || static_cast<std::size_t>(position) > list.controls.size()) {
    throw HResultError(kNoSuchItem);
  }
  return list.controls[static_cast<std::size_t>(position - 1)];
}

ControlPtr Model::Add(const std::shared_ptr<ControlList>& list, std::int32_t type,
                      std::u16string_view parameter, std::optional<std::int32_t> before,
                      BeforeOutOfRange out_of_range) {
  if (type != kControlButton && type != kControlPopup) {
    throw HResultError(kEInvalidArg);
  }
  std::vector<ControlPtr>& controls = list->controls;
  // Before a position in the bar; omitted: at the end.
  std::size_t at = controls.size();
  if (before) {
    const bool in_range = *before >= 1 && static_cast<std::size_t>(*before) <= controls.size() + 1;
    if (in_range) {
      at = static_cast<std::size_t>(*before - 1);
    } else if (out_of_range == BeforeOutOfRange::kFail) {
      throw HResultError(kBadIndex);
    }
  }
  auto control = std::make_shared<Control>();
  control->type = type;
  control->parameter = parameter;
  control->container = list;
  if (type == kControlPopup) {
    control->submenu = std::make_shared<ControlList>();
  }
  controls.insert(controls.begin() + static_cast<std::ptrdiff_t>(at), control);
  return control;
}

void Model::RequireLive(const Control& control) {
  if (control.container.expired()) {
    throw HResultError(kDeletedObject);
  }
}

std::int32_t Model::Index(const Control& control) {
  const std::shared_ptr<ControlList> list = control.container.lock();
  if (list == nullptr) {
    throw HResultError(kDeletedObject);
  }
  const auto at = std::find_if(list->controls.begin(), list->controls.end(),
                               [&](const ControlPtr& entry) { return entry.get() == &control; });
  return static_cast<std::int32_t>(at - list->controls.begin()) + 1;
}

void Model::Delete(Control& control) {
  const std::shared_ptr<ControlList> list = control.container.lock();
  if (list == nullptr) {
    throw HResultError(kDeletedObject);
  }
  control.container.reset();
  // The list may hold the last reference: `control` is not touched after this.
  std::erase_if(list->controls, [&](const ControlPtr& entry) { return entry.get() == &control; });
}

ControlList& Model::Submenu(Control& popup) {
  if (popup.submenu == nullptr) {
    throw HResultError(kDispETypeMismatch);  // not a popup
  }
  if (popup.caption == kRecentWebs && popup.built_in) {
    // The host lists its recent webs from the registry each time the menu opens.
    for (const ControlPtr& old : popup.submenu->controls) {
      old->container.reset();
    }
    popup.submenu->controls.clear();
    for (int n = 1; n <= 9; ++n) {
      const std::optional<std::u16string> entry = recent_webs_(n);
      if (!entry) {
        break;
      }
      const OpenedWeb web = ParseRecentWebEntry(*entry);
      const ControlPtr item =
          MakeControl(popup.submenu, u"&" + std::u16string(1, static_cast<char16_t>(u'0' + n)) +
                                         u" " + web.server + u"/" + web.web);
      item->recent_web = n;
    }
  }
  return *popup.submenu;
}

void Model::Execute(const ControlPtr& control) {
  RequireLive(*control);
  if (control->recent_web != 0) {
    // The web the registry describes now, not when the menu was built; opened
    // once the host's own work is done.
    const std::optional<std::u16string> entry = recent_webs_(control->recent_web);
    if (!entry) {
      throw HResultError(kEFail);
    }
    if (open_work_) {
      open_work_();
    }
    opened_.push_back(ParseRecentWebEntry(*entry));
    return;
  }
  const std::u16string_view action = control->on_action;
  if (action.size() > 3 && action.starts_with(u"!<") && action.ends_with(u">")) {
    if (add_in_router_) {
      add_in_router_(control, action.substr(2, action.size() - 3));
    }
    return;
  }
  executed_.push_back(control->caption);
}

}  // namespace sorvane::standin
