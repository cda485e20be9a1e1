#include "model/model_host.h"

#include <utility>

#include "common/hresult.h"

namespace sorvane::standin {

namespace {

// Counts itself among the objects that the add-in holds.
class Held {
 public:
  explicit Held(Model& model) : model_(model) { model_.ObjectCreated(); }
  ~Held() { model_.ObjectDestroyed(); }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;

 protected:
  Model& model() const { return model_; }

 private:
  Model& model_;
};

class ModelButton;

class ModelControl : public host::Button, private Held {
 public:
  ModelControl(Model& model, ControlPtr control) : Held(model), control_(std::move(control)) {}

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
    return std::make_unique<ModelControl>(model(), Model::Item(submenu, position));
  }
  std::unique_ptr<host::Button> AsButton() override {
    if (control_->type != kControlButton) {
      throw HResultError(kDispETypeMismatch);
    }
    return std::make_unique<ModelControl>(model(), control_);
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
  ModelControls(Model& model, std::shared_ptr<ControlList> list)
      : Held(model), list_(std::move(list)) {}

  std::unique_ptr<host::Control> Item(std::u16string_view caption) override {
    model().faults().Check(op::kControlsItem);
    return std::make_unique<ModelControl>(model(), Model::Item(*list_, caption));
  }
  void ForEach(const std::function<void(host::Control&)>& visit) override {
    model().faults().Check(op::kControlsEnum);
    const std::vector<ControlPtr> snapshot = list_->controls;
    for (const ControlPtr& control : snapshot) {
      model().faults().Check(op::kEnumNext);
      ModelControl item(model(), control);
      visit(item);
    }
  }
  std::unique_ptr<host::Button> Add(std::int32_t type, std::u16string_view parameter,
                                    std::int16_t before) override {
    model().faults().Check(op::kControlsAdd);
    return ModelControl(model(), Model::Add(list_, type, parameter, before)).AsButton();
  }

 private:
  std::shared_ptr<ControlList> list_;
};

class ModelBar : public host::CommandBar, private Held {
 public:
  ModelBar(Model& model, const Bar& bar) : Held(model), bar_(bar) {}
  std::unique_ptr<host::Controls> GetControls() override {
    model().faults().Check(op::kBarControls);
    return std::make_unique<ModelControls>(model(), bar_.list);
  }
  std::unique_ptr<host::Control> FindControl(std::u16string_view tag) override {
    model().faults().Check(op::kFindControl);
    const ControlPtr found = Model::FindControl(bar_, tag);
    return found == nullptr ? nullptr : std::make_unique<ModelControl>(model(), found);
  }

 private:
  const Bar& bar_;
};

class ModelBars : public host::CommandBars, private Held {
 public:
  explicit ModelBars(Model& model) : Held(model) {}
  std::unique_ptr<host::CommandBar> Item(std::u16string_view name) override {
    model().faults().Check(op::kBarsItem);
    return std::make_unique<ModelBar>(model(), model().BarNamed(name));
  }
};

class ModelApplication : public host::Application, private Held {
 public:
  explicit ModelApplication(Model& model) : Held(model) {}
  std::unique_ptr<host::CommandBars> GetCommandBars() override {
    model().faults().Check(op::kCommandBars);
    return std::make_unique<ModelBars>(model());
  }
};

}  // namespace

std::unique_ptr<host::Application> MakeModelApplication(Model& model) {
  return std::make_unique<ModelApplication>(model);
}

}  // namespace sorvane::standin
