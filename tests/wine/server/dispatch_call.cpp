#include "tests/wine/server/dispatch_call.h"

namespace kestor::server::test {

CallResult invoke(IDispatch* object, DISPID id, WORD flags, std::vector<VARIANT*> args,
                  bool namePut) {
  std::vector<VARIANT> reversed;
  for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(**it);
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{};
  params.rgvarg = reversed.empty() ? nullptr : reversed.data();
  params.cArgs = static_cast<UINT>(reversed.size());
  if ((flags & DISPATCH_PROPERTYPUT) && namePut) {
    params.rgdispidNamedArgs = &named;
    params.cNamedArgs = 1;
  }
  Variant result;
  EXCEPINFO exception{};
  CallResult call{};
  call.argError = 99;
  call.hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result.get(),
                           &exception, &call.argError);
  call.type = V_VT(result.get());
  if (call.type == VT_BSTR && V_BSTR(result.get())) {
    call.text.assign(V_BSTR(result.get()), SysStringLen(V_BSTR(result.get())));
  }
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
  return call;
}

Argument::Argument(Form form, const std::wstring& text) : form_(form), text_(text) {
  VariantInit(&outer_);
  owned_.adopt(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
  switch (form) {
    case Form::Bstr:
      V_VT(&outer_) = VT_BSTR;
      V_BSTR(&outer_) = owned_.get();
      break;
    case Form::BstrByRef:
      byRef_ = owned_.get();
      V_VT(&outer_) = VT_BSTR | VT_BYREF;
      V_BSTRREF(&outer_) = &byRef_;
      break;
    case Form::VariantByRef:
      V_VT(inner_.get()) = VT_BSTR;
      V_BSTR(inner_.get()) = SysAllocString(owned_.get());
      innerOriginal_ = V_BSTR(inner_.get());
      V_VT(&outer_) = VT_VARIANT | VT_BYREF;
      V_VARIANTREF(&outer_) = inner_.get();
      break;
    case Form::Integer:
      V_VT(&outer_) = VT_I4;
      V_I4(&outer_) = 42;
      break;
    case Form::Null:
      V_VT(&outer_) = VT_NULL;
      break;
    case Form::NullByRef:
      V_VT(inner_.get()) = VT_NULL;
      V_VT(&outer_) = VT_VARIANT | VT_BYREF;
      V_VARIANTREF(&outer_) = inner_.get();
      break;
    case Form::Array:
      array_ = SafeArrayCreateVector(VT_BSTR, 0, 1);
      V_VT(&outer_) = VT_ARRAY | VT_BSTR;
      V_ARRAY(&outer_) = array_;
      break;
  }
}

// outer_ never owns anything: its contents belong to the other members.
Argument::~Argument() {
  if (array_) SafeArrayDestroy(array_);
}

bool Argument::unchanged() const {
  const Text expected(text_.begin(), text_.end());
  switch (form_) {
    case Form::Bstr:
      return V_VT(&outer_) == VT_BSTR && V_BSTR(&outer_) == owned_.get() && owned_.text() == expected;
    case Form::BstrByRef:
      return V_VT(&outer_) == (VT_BSTR | VT_BYREF) && byRef_ == owned_.get() &&
             owned_.text() == expected;
    case Form::VariantByRef:
      return V_VT(inner_.get()) == VT_BSTR && V_BSTR(inner_.get()) == innerOriginal_ &&
             textOf(innerOriginal_) == expected;
    case Form::Integer:
      return V_VT(&outer_) == VT_I4 && V_I4(&outer_) == 42;
    case Form::Null:
      return V_VT(&outer_) == VT_NULL;
    case Form::NullByRef:
      return V_VT(inner_.get()) == VT_NULL;
    case Form::Array:
      return V_VT(&outer_) == (VT_ARRAY | VT_BSTR) && V_ARRAY(&outer_) == array_;
  }
  return false;
}

}  // namespace kestor::server::test
