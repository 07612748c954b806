#pragma once
// A single-threaded apartment for the calling thread, for as long as the owner lives.
#include <windows.h>
#include <objbase.h>

namespace kestor {

class Apartment {
 public:
  Apartment() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~Apartment() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;
  HRESULT status() const { return hr_; }

 private:
  HRESULT hr_;
};

}  // namespace kestor
