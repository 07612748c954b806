#pragma once
// The DLL's replacement of the compiler runtime's thread-local storage, once-guards and
// locks (runtime_teardown.cpp), as DllMain drives it.

namespace kestor::server::runtime {

// Takes the TLS index that holds each thread's copies; false when none is left.
bool attachProcess();

// Frees the calling thread's copies of thread-local variables.
void detachThread();

// Gives back every thread's copies, the TLS index and the runtime's exception pool;
// for FreeLibrary only.
void releaseAll();

}  // namespace kestor::server::runtime
