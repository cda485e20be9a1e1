#pragma once

// The two registry values in which the host keeps its recently opened webs,
// and how a new web goes into them.

#include <string>
#include <string_view>

#include "dialog/web_address.h"

namespace sorvane {

inline constexpr std::u16string_view kRecentWebListKey =
    u"Software\\Microsoft\\FrontPage\\Explorer\\FrontPage Explorer\\Recent Web List";
inline constexpr std::u16string_view kRecentWebValue = u"Web1";
inline constexpr std::u16string_view kFileNameMruKey =
    u"Software\\Microsoft\\Office\\9.0\\Common\\Open Find\\Microsoft FrontPage\\Settings\\Open "
    u"Web\\File Name MRU";
inline constexpr std::u16string_view kFileNameMruValue = u"Value";

// "Web1": server, an empty field, "/" and the web, "fpuser", "-1", and the web
// again or "<Root Web>" for the root. Nothing is escaped.
std::u16string RecentWebEntry(const WebAddress& web);

// "Value": the new address, one blank, then the previous content.
std::u16string MruValue(const WebAddress& web, std::u16string_view previous);

}  // namespace sorvane
