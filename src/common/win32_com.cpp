#include "common/win32_com.h"

namespace sorvane {

Variant Variant::Int32(std::int32_t value) {
  Variant v;
  v.value_.vt = VT_I4;
  v.value_.lVal = value;
  return v;
}

Variant Variant::Int16(std::int16_t value) {
  Variant v;
  v.value_.vt = VT_I2;
  v.value_.iVal = value;
  return v;
}

Variant Variant::Bool(bool value) {
  Variant v;
  v.value_.vt = VT_BOOL;
  v.value_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

Variant Variant::String(std::u16string_view text) {
  Variant v;
  v.value_.bstrVal = Bstr(text).release();
  v.value_.vt = VT_BSTR;
  return v;
}

Variant Variant::Object(IDispatch* object) {
  Variant v;
  v.value_.vt = VT_DISPATCH;
  v.value_.pdispVal = object;
  if (object != nullptr) {
    object->AddRef();
  }
  return v;
}

Variant Variant::Missing() {
  Variant v;
  v.value_.vt = VT_ERROR;
  v.value_.scode = DISP_E_PARAMNOTFOUND;
  return v;
}

std::u16string Variant::ToString() const {
  if (value_.vt == VT_BSTR) {
    return {reinterpret_cast<const char16_t*>(value_.bstrVal), ::SysStringLen(value_.bstrVal)};
  }
  Variant text;
  ThrowIfFailed(::VariantChangeType(text.get(), Source(), 0, VT_BSTR));
  return text.ToString();
}

std::int32_t Variant::ToInt32() const {
  if (value_.vt == VT_I4) {
    return value_.lVal;
  }
  Variant number;
  ThrowIfFailed(::VariantChangeType(number.get(), Source(), 0, VT_I4));
  return number.value_.lVal;
}

HRESULT InvokeInOrder(IDispatch* object, DISPID id, WORD flags, const std::vector<Variant>& args,
                      Variant* result, EXCEPINFO* exception) {
  std::vector<VARIANT> reversed;
  reversed.reserve(args.size());
  for (std::size_t i = args.size(); i > 0; --i) {
    reversed.push_back(args[i - 1].ref());  // borrowed: `args` keeps ownership
  }
  DISPID put_id = DISPID_PROPERTYPUT;
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  const bool put = (flags & DISPATCH_PROPERTYPUT) != 0;
  if (put) {
    params.rgdispidNamedArgs = &put_id;
    params.cNamedArgs = 1;
  }
  UINT bad_argument = 0;
  return object->Invoke(id, kNullIid, LOCALE_USER_DEFAULT, flags, &params,
                        put || result == nullptr ? nullptr : result->receive(), exception,
                        &bad_argument);
}

ComPtr<IUnknown> Variant::ToObject() const {
  switch (value_.vt) {
    case VT_DISPATCH:
      return value_.pdispVal;
    case VT_UNKNOWN:
      return value_.punkVal;
    case VT_EMPTY:
    case VT_NULL:
      return nullptr;
    default:
      throw HResultError(kDispETypeMismatch);
  }
}

}  // namespace sorvane
