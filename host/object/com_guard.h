#pragma once
// The exception boundary of every COM entry point: the core reports failures by
// throwing, callers of the component only ever see an HRESULT.
#include <windows.h>

#include <new>

#include "common/failure.h"

namespace kestor::server {

// The HRESULT a failure is reported as, with its description set as the thread's
// error info. See the .cpp for the number mapping.
HRESULT reportFailure(const Failure& failure) noexcept;

// Runs body (which returns an HRESULT) and maps what it throws.
template <typename Body>
HRESULT guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const Failure& failure) {
    return reportFailure(failure);
  } catch (...) {
    // Nothing may unwind into a caller that is not C++.
    return E_UNEXPECTED;
  }
}

}  // namespace kestor::server
