#include "dialog/win32_open_services.h"

#include "dialog/win32_frm_open.h"

namespace sorvane {

void Win32OpenServices::UnloadOpenForm(OpenDialogView& view) {
  sorvane::UnloadOpenForm(view);
}

}  // namespace sorvane
