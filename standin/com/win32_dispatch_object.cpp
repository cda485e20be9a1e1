#include "com/win32_dispatch_object.h"

#include <algorithm>
#include <string>

namespace sorvane::standin::com {

namespace {

std::u16string Decimal(long long value) {
  const std::string digits = std::to_string(value);
  return {digits.begin(), digits.end()};
}

std::u16string Hex(std::uint32_t value) {
  std::u16string text = u"0x00000000";
  FormatHex(value, text.data() + 2);
  return text;
}

// An object argument: whether there is one.
std::u16string ObjectText(const IUnknown* object) {
  return object == nullptr ? u"null" : u"object";
}

}  // namespace

void NoSuchMember() {
  throw ArgumentError{DISP_E_MEMBERNOTFOUND, 0};
}

void Args::Expect(std::size_t least, std::size_t most) const {
  if (count() < least || count() > most) {
    throw ArgumentError{DISP_E_BADPARAMCOUNT, 0};
  }
}

bool Args::Missing(std::size_t i) const {
  if (i >= count()) {
    return true;
  }
  const VARIANT& arg = At(i);
  return arg.vt == VT_ERROR && arg.scode == DISP_E_PARAMNOTFOUND;
}

const VARIANT& Args::Of(std::size_t i, VARTYPE type) const {
  if (i >= count()) {
    throw ArgumentError{DISP_E_PARAMNOTOPTIONAL, 0};
  }
  const VARIANT& arg = At(i);
  if (arg.vt != type) {
    throw ArgumentError{DISP_E_TYPEMISMATCH, Slot(i)};
  }
  return arg;
}

std::u16string Args::String(std::size_t i) const {
  const BSTR text = Of(i, VT_BSTR).bstrVal;
  return {reinterpret_cast<const char16_t*>(text), ::SysStringLen(text)};
}

JournalArg ToJournalArg(const VARIANT& arg) {
  JournalArg out{arg.vt, {}};
  const bool by_ref = (arg.vt & VT_BYREF) != 0;
  switch (arg.vt & VT_TYPEMASK) {
    case VT_I2:
      out.value = Decimal(by_ref ? *arg.piVal : arg.iVal);
      break;
    case VT_I4:
      out.value = Decimal(by_ref ? *arg.plVal : arg.lVal);
      break;
    case VT_BOOL:
      out.value = Decimal(by_ref ? *arg.pboolVal : arg.boolVal);
      break;
    case VT_ERROR:
      out.value = Hex(static_cast<std::uint32_t>(by_ref ? *arg.pscode : arg.scode));
      break;
    case VT_BSTR: {
      const BSTR text = by_ref ? *arg.pbstrVal : arg.bstrVal;
      out.value.assign(reinterpret_cast<const char16_t*>(text), ::SysStringLen(text));
      break;
    }
    case VT_DISPATCH:
      out.value = ObjectText(by_ref ? *arg.ppdispVal : arg.pdispVal);
      break;
    case VT_UNKNOWN:
      out.value = ObjectText(by_ref ? *arg.ppunkVal : arg.punkVal);
      break;
    default:
      break;
  }
  return out;
}

std::size_t RecordInterfaceCall(HostState& state, std::string object, std::string member) {
  JournalEntry entry;
  entry.object = std::move(object);
  entry.member = std::move(member);
  entry.kind = kCallVtable;
  return state.journal().Record(std::move(entry));
}

std::size_t RecordInvoke(HostState& state, std::string object, std::u16string name,
                         std::span<const Member> members, DISPID id, WORD flags,
                         const DISPPARAMS& params) {
  JournalEntry entry;
  entry.object = std::move(object);
  entry.name = std::move(name);
  entry.member.assign(1, '#').append(std::to_string(id));
  for (const Member& member : members) {
    if (member.id == id) {
      const std::wstring_view text = member.name;
      entry.member.assign(text.begin(), text.end());
    }
  }
  entry.kind = flags;
  // DISPPARAMS lists the positional arguments last to first.
  const UINT positional = params.cArgs - std::min(params.cArgs, params.cNamedArgs);
  for (UINT i = 0; i < params.cArgs; ++i) {
    // Named arguments come first in rgvarg; the positional ones follow, reversed.
    const UINT slot = i < positional ? params.cArgs - 1 - i : i - positional;
    entry.args.push_back(ToJournalArg(params.rgvarg[slot]));
  }
  for (UINT i = 0; i < params.cNamedArgs; ++i) {
    entry.named.push_back(params.rgdispidNamedArgs[i]);
  }
  return state.journal().Record(std::move(entry));
}

}  // namespace sorvane::standin::com
