#include "support/model_host.h"

#include <utility>

#include "common/hresult.h"

namespace sorvane::testing_support {

namespace {

using standin::ControlList;
using standin::ControlPtr;
using standin::HostState;
using standin::Model;
namespace op = standin::op;

constexpr HResult kUnknownName = HResultFromBits(0x80020006U);  // DISP_E_UNKNOWNNAME

// Counts itself among the objects that others hold.
class Held {
 public:
  explicit Held(ModelHost& host) : host_(host) { host_.state().ObjectCreated(); }
  ~Held() { host_.state().ObjectDestroyed(); }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;

 protected:
  ModelHost& host() const { return host_; }
  HostState& state() const { return host_.state(); }
  Model& model() const { return host_.model(); }
  void Check(std::string_view operation) const { state().faults().Check(operation); }

 private:
  ModelHost& host_;
};

// Delivers the host's Click to the product's handler.
class HandlerSink final : public standin::ClickSink {
 public:
  explicit HandlerSink(host::ClickHandler& handler) : handler_(handler) {}
  bool Click(const ControlPtr& /*button*/, bool& /*cancel_default*/) override {
    handler_.OnClick();
    return true;
  }

 private:
  host::ClickHandler& handler_;
};

class ModelConnection final : public host::EventConnection {
 public:
  ModelConnection(HostState& state, const standin::Control* control, std::uint32_t cookie)
      : state_(state), control_(control), cookie_(cookie) {}
  ~ModelConnection() override {
    try {
      state_.faults().Check(op::kUnadvise);
      state_.Unadvise(control_, cookie_);
    } catch (...) {  // NOLINT(bugprone-empty-catch): a refused Unadvise leaves the sink
    }
  }
  ModelConnection(const ModelConnection&) = delete;
  ModelConnection& operator=(const ModelConnection&) = delete;

 private:
  HostState& state_;
  const standin::Control* control_;
  std::uint32_t cookie_;
};

class ModelControl : public host::Button, private Held {
 public:
  ModelControl(ModelHost& host, ControlPtr control) : Held(host), control_(std::move(control)) {
    state().ControlObjectCreated(control_.get());
  }
  ~ModelControl() override { state().ControlObjectDestroyed(control_.get()); }
  ModelControl(const ModelControl&) = delete;
  ModelControl& operator=(const ModelControl&) = delete;

  std::u16string Caption() override {
    Live(op::kCaptionGet);
    return control_->caption;
  }
  void SetCaption(std::u16string_view caption) override {
    Live(op::kCaptionPut);
    control_->caption = caption;
  }
  std::int32_t Index() override {
    Live(op::kIndexGet);
    return Model::Index(*control_);
  }
  void SetTag(std::u16string_view tag) override {
    Live(op::kTagPut);
    control_->tag = tag;
  }
  void SetOnAction(std::u16string_view action) override {
    Live(op::kOnActionPut);
    control_->on_action = action;
  }
  void SetEnabled(bool enabled) override {
    Live(op::kEnabledPut);
    control_->enabled = enabled;
  }
  void Delete() override {
    Live(op::kDelete);
    Model::Delete(*control_);
  }
  void Execute() override {
    Live(op::kExecute);
    model().Execute(control_);
  }
  std::unique_ptr<host::Control> PopupControl(std::int16_t position) override {
    Live(op::kPopupControls);
    const ControlList& submenu = model().Submenu(*control_);
    return std::make_unique<ModelControl>(host(), Model::Item(submenu, position));
  }
  std::unique_ptr<host::Button> AsButton() override {
    if (control_->type != standin::kControlButton) {
      throw HResultError(kDispETypeMismatch);
    }
    return std::make_unique<ModelControl>(host(), control_);
  }
  std::unique_ptr<host::EventConnection> ConnectClick(host::ClickHandler& handler) override {
    Check(op::kFindConnectionPoint);
    Check(op::kAdvise);
    const std::uint32_t cookie =
        state().Advise(control_.get(), std::make_shared<HandlerSink>(handler));
    return std::make_unique<ModelConnection>(state(), control_.get(), cookie);
  }

 private:
  void Live(std::string_view operation) {
    Check(operation);
    Model::RequireLive(*control_);
  }
  ControlPtr control_;
};

class ModelControls : public host::Controls, private Held {
 public:
  ModelControls(ModelHost& host, std::shared_ptr<ControlList> list)
      : Held(host), list_(std::move(list)) {}

  std::unique_ptr<host::Control> Item(std::u16string_view caption) override {
    Check(op::kControlsItem);
    return std::make_unique<ModelControl>(host(),
                                          Model::Item(*list_, caption, state().policies().match));
  }
  void ForEach(FunctionRef<void(host::Control&)> visit) override {
    Check(op::kControlsEnum);
    const std::vector<ControlPtr> snapshot = list_->controls;
    for (const ControlPtr& control : snapshot) {
      Check(op::kEnumNext);
      ModelControl item(host(), control);
      visit(item);
    }
    Check(op::kEnumNext);  // the call that finds the end
  }
  std::unique_ptr<host::Button> Add(std::int32_t type, std::u16string_view parameter,
                                    std::int16_t before) override {
    Check(op::kControlsAdd);
    return ModelControl(host(),
                        Model::Add(list_, type, parameter, before, state().policies().before0))
        .AsButton();
  }

 private:
  std::shared_ptr<ControlList> list_;
};

class ModelBar : public host::CommandBar, private Held {
 public:
  ModelBar(ModelHost& host, const standin::Bar& bar) : Held(host), bar_(bar) {}
  std::unique_ptr<host::Controls> GetControls() override {
    Check(op::kBarControls);
    return std::make_unique<ModelControls>(host(), bar_.list);
  }
  std::unique_ptr<host::Control> FindControl(std::u16string_view tag) override {
    Check(op::kFindControl);
    standin::FindCriteria criteria;
    criteria.tag = std::u16string(tag);
    const ControlPtr found = Model::FindControl(*bar_.list, criteria);
    return found == nullptr ? nullptr : std::make_unique<ModelControl>(host(), found);
  }

 private:
  const standin::Bar& bar_;
};

class ModelBars : public host::CommandBars, private Held {
 public:
  explicit ModelBars(ModelHost& host) : Held(host) {}
  std::unique_ptr<host::CommandBar> Item(std::u16string_view name) override {
    Check(op::kBarsItem);
    return std::make_unique<ModelBar>(host(), model().BarNamed(name));
  }
};

class ModelApplication : public host::Application, private Held {
 public:
  explicit ModelApplication(ModelHost& host) : Held(host) {}
  std::unique_ptr<host::CommandBars> GetCommandBars() override {
    Check(op::kCommandBars);
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
  std::u16string TextProperty(const char16_t* name) override {
    if (is_application_ || std::u16string_view(name) != u"ProgId") {
      throw HResultError(kUnknownName);
    }
    Check(op::kProgId);
    return prog_id_;
  }

 private:
  bool is_application_;
  std::u16string prog_id_;
};

}  // namespace

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

}  // namespace sorvane::testing_support
