#pragma once
// Late-bound calls as script engines make them, and the argument forms they pass.
#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

#include "host/com/bstr.h"
#include "host/com/com_ptr.h"
#include "host/com/variant.h"

namespace kestor::server::test {

struct CallResult {
  HRESULT hr;
  VARTYPE type;       // of pVarResult afterwards
  std::wstring text;  // when it is a BSTR
  UINT argError;      // as Invoke left it (pre-set to 99)
};

// Invoke with args in script order (the call reverses them into rgvarg). A property
// put names its value DISPID_PROPERTYPUT unless namePut is false.
CallResult invoke(IDispatch* object, DISPID id, WORD flags, std::vector<VARIANT*> args,
                  bool namePut = true);

enum class Form {
  Bstr,             // VT_BSTR
  BstrByRef,        // VT_BSTR | VT_BYREF
  VariantByRef,     // VT_VARIANT | VT_BYREF to a VT_BSTR: a script variable
  Integer,          // VT_I4 42
  Null,             // VT_NULL
  NullByRef,        // VT_VARIANT | VT_BYREF to a VT_NULL
  Array,            // VT_ARRAY | VT_BSTR
};

// One argument in one form, holding the caller's variable so that it can be checked
// afterwards.
class Argument {
 public:
  Argument(Form form, const std::wstring& text);
  Argument(const Argument&) = delete;
  Argument& operator=(const Argument&) = delete;
  ~Argument();

  VARIANT* get() { return &outer_; }
  // The caller's variable still holds what it held: the same BSTR with the same text
  // for the text forms, the same value otherwise.
  bool unchanged() const;

 private:
  Form form_;
  std::wstring text_;
  Bstr owned_;
  BSTR byRef_ = nullptr;
  Variant inner_;
  BSTR innerOriginal_ = nullptr;  // owned by inner_
  VARIANT outer_;
  SAFEARRAY* array_ = nullptr;
};

}  // namespace kestor::server::test
