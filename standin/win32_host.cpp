#include "win32_host.h"

#include "dialog/recent_web.h"
#include "host/com/win32_host_ids.h"
#include "registry/mod_reg_api.h"

namespace sorvane::standin {

Host::Host()
    : model_([this](int n) {
        return GetRegString(registry_, kHkeyCurrentUser, kRecentWebListKey,
                            u"Web" + std::u16string(1, static_cast<char16_t>(u'0' + n)));
      }),
      face_(model_),
      application_class_(std::in_place, host::com::kClsidApplication,
                         face_.NewApplicationClass().Get()),
      add_ins_(face_) {
  model_.set_add_in_router(
      [this](const ControlPtr& control, std::u16string_view) { face_.RaiseClick(control); });
}

}  // namespace sorvane::standin
