#pragma once

// UTF-8 for the stand-in host's command line: its input and its answers.

#include <windows.h>

#include <string>
#include <string_view>

namespace sorvane::standin {

std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

}  // namespace sorvane::standin
