#pragma once

// Included first in every file of the add-in module. The C++ runtime's headers
// pass a message text to each of its error functions; the module's own
// versions of those (win32_runtime_errors.cpp) never read it, yet every file
// that uses a string or a vector would carry its own copy of each text. The
// texts are made empty here, once the runtime's configuration has defined the
// macro that names them. An empty text is also what the runtime's formatting
// error functions get, hence the one warning turned off.

#include <bits/c++config.h>

#pragma GCC diagnostic ignored "-Wformat-zero-length"
#undef __N
#define __N(msgid) ("")  // NOLINT(bugprone-reserved-identifier)
