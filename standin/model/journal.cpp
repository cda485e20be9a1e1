#include "model/journal.h"

#include <array>
#include <cstdio>
#include <utility>

namespace sorvane::standin {

namespace {

// Appends one code point in UTF-8.
void AppendCodePoint(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// The next code point of `text` at `at`, a surrogate pair taken whole.
std::uint32_t NextCodePoint(std::u16string_view text, std::size_t& at) {
  std::uint32_t c = text[at++];
  if (c >= 0xD800 && c < 0xDC00 && at < text.size() && text[at] >= 0xDC00 && text[at] < 0xE000) {
    c = 0x10000 + ((c - 0xD800) << 10) + (text[at++] - 0xDC00);
  }
  return c;
}

std::string Utf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    AppendCodePoint(out, NextCodePoint(text, at));
  }
  return out;
}

// A string argument as one line: quoted, line breaks and quotes escaped, and
// cut after 200 characters with its length said.
std::string Quoted(std::u16string_view text) {
  constexpr std::size_t kShown = 200;
  std::string out(1, '"');
  const std::u16string_view shown = text.substr(0, kShown);
  for (std::size_t at = 0; at < shown.size();) {
    const std::uint32_t c = NextCodePoint(shown, at);
    if (c == u'"' || c == u'\\') {
      out.push_back('\\');
      out.push_back(static_cast<char>(c));
    } else if (c == u'\n') {
      out.append("\\n");
    } else if (c == u'\r') {
      out.append("\\r");
    } else if (c == 0) {
      out.append("\\0");
    } else {
      AppendCodePoint(out, c);
    }
  }
  out.push_back('"');
  if (text.size() > kShown) {
    out += "...(" + std::to_string(text.size()) + " characters)";
  }
  return out;
}

std::string StatusText(HResult status) {
  if (status == kSOk) {
    return "S_OK";
  }
  std::string text = "0x00000000";
  FormatHex(static_cast<std::uint32_t>(status), text.data() + 2);
  return text;
}

}  // namespace

std::string VarTypeName(std::uint16_t vartype) {
  static constexpr std::array<std::pair<std::uint16_t, const char*>, 9> kNames{{
      {kVtEmpty, "VT_EMPTY"},
      {kVtI2, "VT_I2"},
      {kVtI4, "VT_I4"},
      {kVtBstr, "VT_BSTR"},
      {kVtDispatch, "VT_DISPATCH"},
      {kVtError, "VT_ERROR"},
      {kVtBool, "VT_BOOL"},
      {kVtVariant, "VT_VARIANT"},
      {kVtUnknown, "VT_UNKNOWN"},
  }};
  const std::uint16_t base = vartype & 0x0FFF;
  std::string name;
  for (const auto& [type, text] : kNames) {
    if (type == base) {
      name = text;
    }
  }
  if (name.empty()) {
    char hex[8] = {};
    std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(base));
    name = std::string("VT_0x") + hex;
  }
  if ((vartype & kVtArray) != 0) {
    name += "|VT_ARRAY";
  }
  if ((vartype & kVtByRef) != 0) {
    name += "|VT_BYREF";
  }
  return name;
}

std::string CallKindName(unsigned kind) {
  if ((kind & kCallVtable) != 0) {
    return "vtable";
  }
  std::string name;
  const auto add = [&](unsigned bit, const char* text) {
    if ((kind & bit) != 0) {
      name += name.empty() ? "" : "|";
      name += text;
    }
  };
  add(kCallMethod, "method");
  add(kCallGet, "get");
  add(kCallPut, "put");
  add(kCallPutRef, "putref");
  return name.empty() ? "none" : name;
}

std::string FormatEntry(std::size_t number, const JournalEntry& entry) {
  std::string line = std::to_string(number) + " " + entry.object;
  if (!entry.name.empty()) {
    line += "[" + Utf8(entry.name) + "]";
  }
  line +=
      "." + entry.member + " " + CallKindName(entry.kind) + " " + std::to_string(entry.args.size());
  for (std::size_t i = 0; i < entry.args.size(); ++i) {
    const JournalArg& arg = entry.args[i];
    line += i == 0 ? ": " : ", ";
    line += VarTypeName(arg.vartype);
    if ((arg.vartype & 0x0FFF) == kVtBstr) {
      line += " " + Quoted(arg.value);
    } else if (!arg.value.empty()) {
      line += " " + Utf8(arg.value);
    }
  }
  if (!entry.named.empty()) {
    line += " named=";
    for (std::size_t i = 0; i < entry.named.size(); ++i) {
      if (i != 0) {
        line.push_back(',');
      }
      line.append(std::to_string(entry.named[i]));
    }
  }
  return line + " -> " + StatusText(entry.status);
}

std::size_t Journal::Record(JournalEntry entry) {
  if (entries_.size() == kCapacity) {
    entries_.pop_front();
    ++first_number_;
    ++dropped_;
  }
  entries_.push_back(std::move(entry));
  return first_number_ + entries_.size() - 1;
}

void Journal::Finish(std::size_t handle, HResult status) {
  if (handle >= first_number_ && handle - first_number_ < entries_.size()) {
    entries_[handle - first_number_].status = status;
  }
}

void Journal::Clear() {
  first_number_ += entries_.size();
  entries_.clear();
  dropped_ = 0;
}

}  // namespace sorvane::standin
