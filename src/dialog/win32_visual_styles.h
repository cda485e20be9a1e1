#pragma once

// The system's look in a host that has none: the module carries its own
// visual-styles manifest (resource ID 2, the one a DLL uses for its private
// dependencies) and activates it while it creates and drives its windows, so
// they come from comctl32 version 6 and are drawn themed. The activation
// functions are looked up at run time: where they are missing (before
// Windows XP) or the context cannot be made, a scope does nothing and the
// windows are drawn as before.

#include <windows.h>

namespace sorvane {

class VisualStylesScope {
 public:
  VisualStylesScope() noexcept;
  ~VisualStylesScope();
  VisualStylesScope(const VisualStylesScope&) = delete;
  VisualStylesScope& operator=(const VisualStylesScope&) = delete;

 private:
  ULONG_PTR cookie_ = 0;
  bool active_ = false;
};

}  // namespace sorvane
