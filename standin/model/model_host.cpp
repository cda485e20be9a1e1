#include "model/model_host.h"

#include <utility>

#include "common/hresult.h"

namespace sorvane::standin {

namespace {

// Counts itself among the objects that others hold.
class Held {
 public:
  explicit Held(ModelHost& host) : host_(host) { host_.model().ObjectCreated(); }
  ~Held() { host_.model().ObjectDestroyed(); }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;

 protected:
  ModelHost& host() const { return host_; }
  Model& model() const { return host_.model(); }

 private:
  ModelHost& host_;
};

class ModelConnection final : public host::EventConnection {
 public:
  ModelConnection(ModelHost& host, const Control* control, int cookie)
      : host_(host), control_(control), cookie_(cookie) {}
  ~ModelConnection() override { host_.Disconnect(control_, cookie_); }
  ModelConnection(const ModelConnection&) = delete;
  ModelConnection& operator=(const ModelConnection&) = delete;

 private:
  ModelHost& host_;
  const Control* control_;
  int cookie_;
};

class ModelControl : public host::Button, private Held {
 public:
  ModelControl(ModelHost& host, ControlPtr control) : Held(host), control_(std::move(control)) {
    ModelControl::host().ButtonHeld(control_.get());
  }
  ~ModelControl() override { host().ButtonReleased(control_.get()); }
  ModelControl(const ModelControl&) = delete;
  ModelControl& operator=(const ModelControl&) = delete;

  std::u16string Caption() override {
    Call(op::kCaptionGet);
    return control_->caption;
  }
  void SetCaption(std::u16string_view caption) override {
    Call(op::kCaptionPut);
    control_->caption = caption;
  }
  std::int32_t Index() override {
    Call(op::kIndexGet);
    return Model::Index(*control_);
  }
  void SetTag(std::u16string_view tag) override {
    Call(op::kTagPut);
    control_->tag = tag;
  }
  void SetOnAction(std::u16string_view action) override {
    Call(op::kOnActionPut);
    control_->on_action = action;
  }
  void SetEnabled(bool enabled) override {
    Call(op::kEnabledPut);
    control_->enabled = enabled;
  }
  void Delete() override {
    Call(op::kDelete);
    Model::Delete(*control_);
  }
  void Execute() override {
    Call(op::kExecute);
    model().Execute(control_);
  }
  std::unique_ptr<host::Control> PopupControl(std::int16_t position) override {
    Call(op::kPopupControls);
    const ControlList& submenu = model().Submenu(*control_);
    model().faults().Check(op::kControlsItem);
    return std::make_unique<ModelControl>(host(), Model::Item(submenu, position));
  }
  std::unique_ptr<host::Button> AsButton() override {
    if (control_->type != kControlButton) {
      throw HResultError(kDispETypeMismatch);
    }
    return std::make_unique<ModelControl>(host(), control_);
  }
  std::unique_ptr<host::EventConnection> ConnectClick(host::ClickHandler& handler) override {
    model().faults().Check(op::kFindConnectionPoint);
    model().faults().Check(op::kAdvise);
    return std::make_unique<ModelConnection>(host(), control_.get(),
                                             host().Connect(control_.get(), handler));
  }

 private:
  void Call(std::string_view operation) {
    model().faults().Check(operation);
    Model::RequireLive(*control_);
  }
  ControlPtr control_;
};

class ModelControls : public host::Controls, private Held {
 public:
  ModelControls(ModelHost& host, std::shared_ptr<ControlList> list)
      : Held(host), list_(std::move(list)) {}

  std::unique_ptr<host::Control> Item(std::u16string_view caption) override {
    model().faults().Check(op::kControlsItem);
    return std::make_unique<ModelControl>(host(), Model::Item(*list_, caption));
  }
  void ForEach(const std::function<void(host::Control&)>& visit) override {
    model().faults().Check(op::kControlsEnum);
    const std::vector<ControlPtr> snapshot = list_->controls;
    for (const ControlPtr& control : snapshot) {
      model().faults().Check(op::kEnumNext);
      ModelControl item(host(), control);
      visit(item);
    }
  }
  std::unique_ptr<host::Button> Add(std::int32_t type, std::u16string_view parameter,
                                    std::int16_t before) override {
    model().faults().Check(op::kControlsAdd);
    return ModelControl(host(), Model::Add(list_, type, parameter, before)).AsButton();
  }

 private:
  std::shared_ptr<ControlList> list_;
};

class ModelBar : public host::CommandBar, private Held {
 public:
  ModelBar(ModelHost& host, const Bar& bar) : Held(host), bar_(bar) {}
  std::unique_ptr<host::Controls> GetControls() override {
    model().faults().Check(op::kBarControls);
    return std::make_unique<ModelControls>(host(), bar_.list);
  }
  std::unique_ptr<host::Control> FindControl(std::u16string_view tag) override {
    model().faults().Check(op::kFindControl);
    const ControlPtr found = Model::FindControl(bar_, tag);
    return found == nullptr ? nullptr : std::make_unique<ModelControl>(host(), found);
  }

 private:
  const Bar& bar_;
};

class ModelBars : public host::CommandBars, private Held {
 public:
  explicit ModelBars(ModelHost& host) : Held(host) {}
  std::unique_ptr<host::CommandBar> Item(std::u16string_view name) override {
    model().faults().Check(op::kBarsItem);
    return std::make_unique<ModelBar>(host(), model().BarNamed(name));
  }
};

class ModelApplication : public host::Application, private Held {
 public:
  explicit ModelApplication(ModelHost& host) : Held(host) {}
  std::unique_ptr<host::CommandBars> GetCommandBars() override {
    model().faults().Check(op::kCommandBars);
    return std::make_unique<ModelBars>(host());
  }
};

// An object handed over without a declared interface.
class ModelObject : public host::Object, private Held {
 public:
  ModelObject(ModelHost& host, bool is_application, std::u16string prog_id)
      : Held(host), is_application_(is_application), prog_id_(std::move(prog_id)) {}
  std::unique_ptr<host::Application> AsApplication() override {
    if (!is_application_) {
      throw HResultError(kDispETypeMismatch);
    }
    return std::make_unique<ModelApplication>(host());
  }
  std::u16string TextProperty(std::u16string_view name) override {
    if (is_application_ || name != u"ProgId") {
      throw HResultError(HResultFromBits(0x80020006U));  // DISP_E_UNKNOWNNAME
    }
    model().faults().Check(op::kProgId);
    return prog_id_;
  }

 private:
  bool is_application_;
  std::u16string prog_id_;
};

}  // namespace

ModelHost::ModelHost(Model& model) : model_(model) {
  model_.set_add_in_router(
      [this](const ControlPtr& control, std::u16string_view /*prog_id*/) { Deliver(control); });
}

std::unique_ptr<host::Application> ModelHost::NewApplication() {
  return std::make_unique<ModelApplication>(*this);
}

std::unique_ptr<host::Object> ModelHost::NewApplicationObject() {
  return std::make_unique<ModelObject>(*this, true, u"");
}

std::unique_ptr<host::Object> ModelHost::NewAddInInstance(std::u16string prog_id) {
  return std::make_unique<ModelObject>(*this, false, std::move(prog_id));
}

std::unique_ptr<host::Object> ModelHost::NewForeignObject() {
  return std::make_unique<ModelObject>(*this, false, u"");
}

std::size_t ModelHost::connections() const {
  std::size_t count = 0;
  for (const auto& [control, list] : connections_) {
    count += list.size();
  }
  return count;
}

void ModelHost::ButtonReleased(const Control* control) {
  const auto found = held_buttons_.find(control);
  if (found != held_buttons_.end() && --found->second == 0) {
    held_buttons_.erase(found);
  }
}

int ModelHost::Connect(const Control* control, host::ClickHandler& handler) {
  const int cookie = next_cookie_++;
  connections_[control].push_back({cookie, &handler});
  return cookie;
}

void ModelHost::Disconnect(const Control* control, int cookie) {
  const auto found = connections_.find(control);
  if (found == connections_.end()) {
    return;
  }
  std::erase_if(found->second, [cookie](const Connection& c) { return c.cookie == cookie; });
  if (found->second.empty()) {
    connections_.erase(found);
  }
}

void ModelHost::Deliver(const ControlPtr& control) {
  // Clicks reach an add-in only while it holds a reference to the button.
  if (!held_buttons_.contains(control.get())) {
    return;
  }
  const auto found = connections_.find(control.get());
  if (found == connections_.end()) {
    return;
  }
  const std::vector<Connection> handlers = found->second;
  for (const Connection& connection : handlers) {
    connection.handler->OnClick();
  }
}

}  // namespace sorvane::standin
