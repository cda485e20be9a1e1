#include "dialog/recent_web.h"

namespace sorvane {

std::u16string RecentWebEntry(const WebAddress& web) {
  const std::u16string_view last =
      web.WebName.empty() ? std::u16string_view(u"<Root Web>") : std::u16string_view(web.WebName);
  std::u16string entry;
  entry.reserve(web.WebServer.size() + 2 * web.WebName.size() + 24);
  entry.append(web.WebServer)
      .append(u",,/")
      .append(web.WebName)
      .append(u",fpuser,-1,")
      .append(last);
  return entry;
}

std::u16string MruValue(const WebAddress& web, std::u16string_view previous) {
  std::u16string value;
  value.reserve(web.WebServer.size() + web.WebName.size() + 2 + previous.size());
  value.append(web.WebServer).append(u"/").append(web.WebName).append(u" ").append(previous);
  return value;
}

}  // namespace sorvane
