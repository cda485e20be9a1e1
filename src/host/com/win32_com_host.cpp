#include "host/com/win32_com_host.h"

#include <utility>

#include "host/com/win32_dispatch.h"
#include "host/com/win32_host_ids.h"

namespace sorvane::host::com {

namespace {

// The object a call returned, as the host interface `iid`.
Dispatch As(const Variant& result, const GUID& iid) {
  const ComPtr<IUnknown> object = result.ToObject();
  if (object == nullptr) {
    throw HResultError(kEPointer);  // "nothing" where an object is needed
  }
  return {object.Get(), iid};
}

class ComButton;

class ComControl : public Button {
 public:
  ComControl(Dispatch control) : control_(std::move(control)) {}

  std::u16string Caption() override { return control_.Get(L"Caption").ToString(); }
  void SetCaption(std::u16string_view caption) override {
    control_.Put(L"Caption", Variant::String(caption));
  }
  std::int32_t Index() override { return control_.Get(L"Index").ToInt32(); }
  void SetTag(std::u16string_view tag) override { control_.Put(L"Tag", Variant::String(tag)); }
  void SetOnAction(std::u16string_view action) override {
    control_.Put(L"OnAction", Variant::String(action));
  }
  void SetEnabled(bool enabled) override { control_.Put(L"Enabled", Variant::Bool(enabled)); }
  void Delete() override {
    std::vector<Variant> args;
    args.push_back(Variant::Missing());  // Temporary
    control_.Call(L"Delete", std::move(args));
  }
  void Execute() override { control_.Call(L"Execute", {}); }
  std::unique_ptr<Control> PopupControl(std::int16_t position) override {
    // By name at run time, on whatever object the control is (a popup).
    const Dispatch popup(control_.get());
    std::vector<Variant> args;
    args.push_back(Variant::Int16(position));
    return std::make_unique<ComControl>(
        As(popup.Get(L"Controls", std::move(args)), kIidCommandBarControl));
  }
  std::unique_ptr<Button> AsButton() override {
    return std::make_unique<ComControl>(Dispatch(control_.get(), kIidCommandBarButton));
  }

 private:
  Dispatch control_;
};

class ComControls : public Controls {
 public:
  explicit ComControls(Dispatch controls) : controls_(std::move(controls)) {}

  std::unique_ptr<Control> Item(std::u16string_view caption) override {
    std::vector<Variant> args;
    args.push_back(Variant::String(caption));
    return std::make_unique<ComControl>(
        As(controls_.Call(L"Item", std::move(args)), kIidCommandBarControl));
  }
  void ForEach(const std::function<void(Control&)>& visit) override {
    const ComPtr<IEnumVARIANT> items = controls_.NewEnum();
    for (;;) {
      Variant item;
      ULONG fetched = 0;
      const HRESULT status = items->Next(1, item.get(), &fetched);
      ThrowIfFailed(status);
      if (status != S_OK || fetched == 0) {
        return;
      }
      ComControl control(As(item, kIidCommandBarControl));
      visit(control);
    }
  }
  std::unique_ptr<Button> Add(std::int32_t type, std::u16string_view parameter,
                              std::int16_t before) override {
    std::vector<Variant> args;
    args.push_back(Variant::Int32(type));
    args.push_back(Variant::Missing());  // Id
    args.push_back(Variant::String(parameter));
    args.push_back(Variant::Int16(before));
    args.push_back(Variant::Missing());  // Temporary
    return std::make_unique<ComControl>(
        As(controls_.Call(L"Add", std::move(args)), kIidCommandBarButton));
  }

 private:
  Dispatch controls_;
};

class ComBar : public CommandBar {
 public:
  explicit ComBar(Dispatch bar) : bar_(std::move(bar)) {}

  std::unique_ptr<Controls> GetControls() override {
    return std::make_unique<ComControls>(As(bar_.Get(L"Controls"), kIidCommandBarControls));
  }
  std::unique_ptr<Control> FindControl(std::u16string_view tag) override {
    std::vector<Variant> args;
    args.push_back(Variant::Missing());  // Type
    args.push_back(Variant::Missing());  // Id
    args.push_back(Variant::String(tag));
    args.push_back(Variant::Missing());  // Visible
    args.push_back(Variant::Missing());  // Recursive
    const Variant found = bar_.Call(L"FindControl", std::move(args));
    if (found.ToObject() == nullptr) {
      return nullptr;
    }
    return std::make_unique<ComControl>(As(found, kIidCommandBarControl));
  }

 private:
  Dispatch bar_;
};

class ComBars : public CommandBars {
 public:
  explicit ComBars(Dispatch bars) : bars_(std::move(bars)) {}

  std::unique_ptr<CommandBar> Item(std::u16string_view name) override {
    std::vector<Variant> args;
    args.push_back(Variant::String(name));
    return std::make_unique<ComBar>(As(bars_.Call(L"Item", std::move(args)), kIidCommandBar));
  }

 private:
  Dispatch bars_;
};

class ComApplication : public Application {
 public:
  explicit ComApplication(Dispatch application) : application_(std::move(application)) {}

  std::unique_ptr<CommandBars> GetCommandBars() override {
    return std::make_unique<ComBars>(As(application_.Get(L"CommandBars"), kIidCommandBars));
  }

 private:
  Dispatch application_;
};

}  // namespace

std::unique_ptr<Application> WrapApplication(IUnknown* object) {
  return std::make_unique<ComApplication>(Dispatch(object, kIidApplication));
}

std::unique_ptr<Application> CreateApplication() {
  ComPtr<IUnknown> object;
  ThrowIfFailed(::CoCreateInstance(kClsidApplication, nullptr, CLSCTX_SERVER, IID_IUnknown,
                                   reinterpret_cast<void**>(object.GetAddressOf())));
  return WrapApplication(object.Get());
}

}  // namespace sorvane::host::com
