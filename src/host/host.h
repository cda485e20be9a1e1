#pragma once

// The host's object model as the add-in uses it: FrontPage's Application and
// the Office command bars. Each object is a reference to a host object; it is
// released when the C++ object goes. A failing host call throws HResultError
// with the host's status; an object that lacks the interface it is used through
// throws DISP_E_TYPEMISMATCH.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/function_ref.h"

namespace sorvane::host {

class Application;
class Button;
class Controls;

// An object the host hands over without a declared interface (an IDispatch):
// the Application and the add-in instance at connection.
class Object {
 public:
  virtual ~Object() = default;
  // This object as FrontPage's Application.
  virtual std::unique_ptr<Application> AsApplication() = 0;
  // A property read by name at run time, turned into text.
  // `name` is a literal: it names the call in a failure.
  virtual std::u16string TextProperty(const char16_t* name) = 0;
};

// Receives a button's Click.
class ClickHandler {
 public:
  virtual ~ClickHandler() = default;
  virtual void OnClick() = 0;
};

// A live event connection; destroying it ends the delivery.
class EventConnection {
 public:
  virtual ~EventConnection() = default;
};

// CommandBarControl.
class Control {
 public:
  virtual ~Control() = default;
  virtual std::u16string Caption() = 0;
  virtual void SetCaption(std::u16string_view caption) = 0;
  virtual std::int32_t Index() = 0;  // 1-based position in its bar
  virtual void SetTag(std::u16string_view tag) = 0;
  virtual void SetOnAction(std::u16string_view action) = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual void Delete() = 0;  // Temporary omitted
  virtual void Execute() = 0;
  // A popup's `Controls(position)`, called by name at run time: the entry of
  // its submenu at that position, taken as a CommandBarControl.
  virtual std::unique_ptr<Control> PopupControl(std::int16_t position) = 0;
  // This control as a CommandBarButton.
  virtual std::unique_ptr<Button> AsButton() = 0;
};

// CommandBarButton.
class Button : public Control {
 public:
  // Delivers this button's Click to `handler` until the connection is destroyed.
  virtual std::unique_ptr<EventConnection> ConnectClick(ClickHandler& handler) = 0;
};

// CommandBarControls.
class Controls {
 public:
  virtual ~Controls() = default;
  virtual std::unique_ptr<Control> Item(std::u16string_view caption) = 0;
  // Every control once, in menu order.
  virtual void ForEach(FunctionRef<void(Control&)> visit) = 0;
  // Add(Type, Id omitted, Parameter, Before, Temporary omitted), as a button.
  virtual std::unique_ptr<Button> Add(std::int32_t type, std::u16string_view parameter,
                                      std::int16_t before) = 0;
};

// CommandBar.
class CommandBar {
 public:
  virtual ~CommandBar() = default;
  virtual std::unique_ptr<Controls> GetControls() = 0;
  // FindControl(Type, Id, Tag, Visible, Recursive) with only Tag given; null
  // when the host finds nothing.
  virtual std::unique_ptr<Control> FindControl(std::u16string_view tag) = 0;
};

// CommandBars.
class CommandBars {
 public:
  virtual ~CommandBars() = default;
  virtual std::unique_ptr<CommandBar> Item(std::u16string_view name) = 0;
};

// FrontPage's Application.
class Application {
 public:
  virtual ~Application() = default;
  virtual std::unique_ptr<CommandBars> GetCommandBars() = 0;
};

// Where new references to the host's Application come from (the host's
// Application class, through COM).
class ApplicationFactory {
 public:
  virtual std::unique_ptr<Application> NewApplication() = 0;

 protected:
  // Never deleted through this interface.
  ApplicationFactory() = default;
  ApplicationFactory(const ApplicationFactory&) = default;
  ApplicationFactory& operator=(const ApplicationFactory&) = default;
  ~ApplicationFactory() = default;
};

}  // namespace sorvane::host
