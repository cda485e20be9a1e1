#include "model/command_bar_model.h"

#include <algorithm>
#include <initializer_list>

#include "common/hresult.h"

namespace sorvane::standin {

namespace {

// What the host answers for a name, position or object it does not have.
constexpr HResult kNoSuchItem = kEInvalidArg;
constexpr HResult kDeletedObject = kEFail;
constexpr std::u16string_view kRecentWebs = u"Recent W&ebs";

ControlPtr MakeControl(const std::shared_ptr<ControlList>& list, std::u16string_view caption,
                       std::int32_t type = kControlButton) {
  auto control = std::make_shared<Control>();
  control->type = type;
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

Model::Model(RecentWebReader recent_webs) : recent_webs_(std::move(recent_webs)) {
  // FrontPage 2000's File menu.
  Bar file{u"File"};
  for (const std::u16string_view caption : std::initializer_list<std::u16string_view>{
           u"&New", u"&Open...", u"&Close", u"Open &Web...", u"Close W&eb", u"&Save",
           u"Save &As...", u"Publish We&b...", u"&Import...", u"E&xport...",
           u"Pre&view in Browser...", u"Page Set&up...", u"Print Pre&view", u"&Print...",
           u"Sen&d...", u"Propert&ies...", u"Recent &Files", kRecentWebs, u"E&xit"}) {
    const bool popup = caption == u"&New" || caption == u"Recent &Files" || caption == kRecentWebs;
    MakeControl(file.list, caption, popup ? kControlPopup : kControlButton);
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

ControlPtr Model::FindControl(const Bar& bar, std::u16string_view tag) {
  // Recursive omitted: the bar's own controls only, in menu order.
  for (const ControlPtr& control : bar.list->controls) {
    if (control->tag == tag) {
      return control;
    }
  }
  return nullptr;
}

ControlPtr Model::Item(const ControlList& list, std::u16string_view caption) {
  for (const ControlPtr& control : list.controls) {
    if (control->caption == caption) {
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
                      std::u16string_view parameter, std::optional<std::int32_t> before) {
  if (type != kControlButton && type != kControlPopup) {
    throw HResultError(kEInvalidArg);
  }
  auto control = std::make_shared<Control>();
  control->type = type;
  control->parameter = parameter;
  control->container = list;
  if (type == kControlPopup) {
    control->submenu = std::make_shared<ControlList>();
  }
  // Before a position in the bar; omitted, 0 or past the end: at the end.
  std::vector<ControlPtr>& controls = list->controls;
  std::size_t at = controls.size();
  if (before && *before >= 1 && static_cast<std::size_t>(*before) <= controls.size()) {
    at = static_cast<std::size_t>(*before - 1);
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
    // The web the registry describes now, not when the menu was built.
    const std::optional<std::u16string> entry = recent_webs_(control->recent_web);
    if (!entry) {
      throw HResultError(kEFail);
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
