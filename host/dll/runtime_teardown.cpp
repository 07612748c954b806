// The C++ runtime is linked into this DLL, and hosts unload idle controls and load them
// again. The runtime's own thread-local storage and static-initialisation guards build
// on thread primitives that are never given back when a DLL goes (a thread handle, an
// event and two semaphores, a TLS index), and its exception pool stays allocated: every
// load and unload would leak them. This file replaces those pieces with versions that
// own nothing the DLL cannot take back, and gives everything back when it is unloaded.
// Exceptions inside the core work as before: the unwinder itself is the runtime's.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "host/dll/runtime_teardown.h"

namespace __gnu_cxx {
// The runtime's own release of its emergency exception pool.
void __freeres() noexcept;
}  // namespace __gnu_cxx

namespace {

// Thread-local variables, as the compiler emits them for this target: one descriptor
// per variable, and per thread an array of that thread's copies, indexed by the
// descriptor's number (drawn on first use, from 1).
struct TlsDescriptor {
  std::uintptr_t size;
  std::uintptr_t align;
  union {
    std::uintptr_t index;
    void* unused;
  } loc;
  const void* initialValue;  // null: zero-initialised
};

// One thread's copies. Every block is on one list, so that an unload frees those of
// threads that are still running too.
struct ThreadBlock {
  ThreadBlock* previous;
  ThreadBlock* next;
  std::uintptr_t capacity;
  void* copies[1];
};

SRWLOCK lock = SRWLOCK_INIT;
CONDITION_VARIABLE settled = CONDITION_VARIABLE_INIT;
std::uintptr_t descriptorsNumbered = 0;
ThreadBlock* blocks = nullptr;
DWORD blockSlot = TLS_OUT_OF_INDEXES;

void* allocate(std::size_t bytes) { return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes); }
void release(void* memory) { HeapFree(GetProcessHeap(), 0, memory); }

std::size_t blockBytes(std::uintptr_t capacity) {
  return offsetof(ThreadBlock, copies) + capacity * sizeof(void*);
}

void link(ThreadBlock* block) {
  block->previous = nullptr;
  block->next = blocks;
  if (blocks) blocks->previous = block;
  blocks = block;
}

void unlink(ThreadBlock* block) {
  (block->previous ? block->previous->next : blocks) = block->next;
  if (block->next) block->next->previous = block->previous;
}

// The TLS index that holds each thread's block. Taken when the DLL loads, or earlier
// should a static constructor already use a thread-local variable.
DWORD ownSlot() {
  DWORD slot = __atomic_load_n(&blockSlot, __ATOMIC_ACQUIRE);
  if (slot != TLS_OUT_OF_INDEXES) return slot;
  AcquireSRWLockExclusive(&lock);
  if (blockSlot == TLS_OUT_OF_INDEXES) __atomic_store_n(&blockSlot, TlsAlloc(), __ATOMIC_RELEASE);
  slot = blockSlot;
  ReleaseSRWLockExclusive(&lock);
  return slot;
}

// The calling thread's block, with room for index; null when memory or TLS indexes
// are short.
ThreadBlock* blockFor(std::uintptr_t index) {
  const DWORD slot = ownSlot();
  if (slot == TLS_OUT_OF_INDEXES) return nullptr;
  auto* block = static_cast<ThreadBlock*>(TlsGetValue(slot));
  if (block && index <= block->capacity) return block;
  const std::uintptr_t capacity = index + 16;
  AcquireSRWLockExclusive(&lock);
  if (block) unlink(block);
  auto* grown = static_cast<ThreadBlock*>(
      block ? HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, block, blockBytes(capacity))
            : allocate(blockBytes(capacity)));
  if (grown) {
    grown->capacity = capacity;
    block = grown;
  }
  if (block) link(block);
  ReleaseSRWLockExclusive(&lock);
  if (!grown) return nullptr;
  TlsSetValue(slot, grown);
  return grown;
}

// A copy of the initial value, aligned as the variable asks; the pointer to free is
// kept just before it.
void* newCopy(const TlsDescriptor& variable) {
  const std::size_t align = variable.align > sizeof(void*) ? variable.align : sizeof(void*);
  auto* raw = static_cast<char*>(allocate(variable.size + align + sizeof(void*)));
  if (!raw) return nullptr;
  const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(raw) + sizeof(void*);
  char* copy = reinterpret_cast<char*>((start + align - 1) & ~(std::uintptr_t{align} - 1));
  reinterpret_cast<void**>(copy)[-1] = raw;
  if (variable.initialValue) std::memcpy(copy, variable.initialValue, variable.size);
  return copy;
}

void freeBlock(ThreadBlock* block) {
  for (std::uintptr_t i = 0; i < block->capacity; ++i) {
    if (block->copies[i]) release(static_cast<void**>(block->copies[i])[-1]);
  }
  release(block);
}

void releaseThread() {
  if (blockSlot == TLS_OUT_OF_INDEXES) return;
  auto* block = static_cast<ThreadBlock*>(TlsGetValue(blockSlot));
  if (!block) return;
  AcquireSRWLockExclusive(&lock);
  unlink(block);
  ReleaseSRWLockExclusive(&lock);
  TlsSetValue(blockSlot, nullptr);
  freeBlock(block);
}

void releaseAllBlocks() {
  while (blocks) {
    ThreadBlock* block = blocks;
    unlink(block);
    freeBlock(block);
  }
  if (blockSlot != TLS_OUT_OF_INDEXES) TlsFree(blockSlot);
  blockSlot = TLS_OUT_OF_INDEXES;
}

unsigned char* guardBytes(std::int64_t* guard) { return reinterpret_cast<unsigned char*>(guard); }

}  // namespace

extern "C" {

// Where the calling thread's copy of a thread-local variable lives. Running out of
// memory here has no way to report itself: like the runtime's own, it ends the process.
// (Nothing of this DLL uses one after the unload has given the index back: the unload
// test would see the index taken again.)
void* __emutls_get_address(void* descriptor) {
  auto* variable = static_cast<TlsDescriptor*>(descriptor);
  std::uintptr_t index = __atomic_load_n(&variable->loc.index, __ATOMIC_ACQUIRE);
  if (index == 0) {
    AcquireSRWLockExclusive(&lock);
    index = variable->loc.index;
    if (index == 0) __atomic_store_n(&variable->loc.index, index = ++descriptorsNumbered, __ATOMIC_RELEASE);
    ReleaseSRWLockExclusive(&lock);
  }
  ThreadBlock* block = blockFor(index);
  if (!block) std::abort();
  void*& copy = block->copies[index - 1];
  if (!copy) copy = newCopy(*variable);
  if (!copy) std::abort();
  return copy;
}

// Function-local statics: byte 0 of the guard says done (the compiler's inline check
// reads it), byte 1 says a thread is initialising it now and the others wait.
int __cxa_guard_acquire(std::int64_t* guard) {
  unsigned char* bytes = guardBytes(guard);
  if (__atomic_load_n(&bytes[0], __ATOMIC_ACQUIRE)) return 0;
  AcquireSRWLockExclusive(&lock);
  while (bytes[1]) SleepConditionVariableSRW(&settled, &lock, INFINITE, 0);
  const bool mine = bytes[0] == 0;
  if (mine) bytes[1] = 1;
  ReleaseSRWLockExclusive(&lock);
  return mine ? 1 : 0;
}

void __cxa_guard_release(std::int64_t* guard) {
  unsigned char* bytes = guardBytes(guard);
  AcquireSRWLockExclusive(&lock);
  bytes[1] = 0;
  __atomic_store_n(&bytes[0], 1, __ATOMIC_RELEASE);
  ReleaseSRWLockExclusive(&lock);
  WakeAllConditionVariable(&settled);
}

// The initialiser threw: the next caller tries again.
void __cxa_guard_abort(std::int64_t* guard) {
  AcquireSRWLockExclusive(&lock);
  guardBytes(guard)[1] = 0;
  ReleaseSRWLockExclusive(&lock);
  WakeAllConditionVariable(&settled);
}

// One-time initialisation in the runtime itself (the 32-bit unwinder's register
// table): the threads library's version records the calling thread in a structure of
// its own, with a handle, an event and a TLS index that no unload gives back.
int pthread_once(long* once, void (*initialise)()) {
  constexpr long kDone = 1, kRunning = 2;
  if (__atomic_load_n(once, __ATOMIC_ACQUIRE) == kDone) return 0;
  AcquireSRWLockExclusive(&lock);
  while (*once == kRunning) SleepConditionVariableSRW(&settled, &lock, INFINITE, 0);
  const bool mine = *once != kDone;
  if (mine) *once = kRunning;
  ReleaseSRWLockExclusive(&lock);
  if (!mine) return 0;
  initialise();
  AcquireSRWLockExclusive(&lock);
  __atomic_store_n(once, kDone, __ATOMIC_RELEASE);
  ReleaseSRWLockExclusive(&lock);
  WakeAllConditionVariable(&settled);
  return 0;
}

// The runtime's few mutexes (the 32-bit unwinder's frame table, the exception pool)
// are statically initialised; the threads library allocates each on its first use and
// never frees it. A mutex word is pointer-sized, as a slim reader/writer lock is, which
// needs nothing allocated: the initialiser value becomes a free lock on first use.
int pthread_mutex_lock(std::intptr_t* mutex) {
  static_assert(sizeof(*mutex) == sizeof(SRWLOCK), "a mutex word holds a lock");
  std::intptr_t staticInitialiser = -1;
  __atomic_compare_exchange_n(mutex, &staticInitialiser, 0, false, __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE);
  AcquireSRWLockExclusive(reinterpret_cast<SRWLOCK*>(mutex));
  return 0;
}

int pthread_mutex_unlock(std::intptr_t* mutex) {
  ReleaseSRWLockExclusive(reinterpret_cast<SRWLOCK*>(mutex));
  return 0;
}

// The runtime asks only for plain mutexes: the attributes are not read.
int pthread_mutex_init(std::intptr_t* mutex, const void*) {
  *mutex = 0;
  return 0;
}

int pthread_mutex_destroy(std::intptr_t*) { return 0; }

}  // extern "C"

namespace kestor::server::runtime {

bool attachProcess() { return ownSlot() != TLS_OUT_OF_INDEXES; }

void detachThread() { releaseThread(); }

void releaseAll() {
  releaseAllBlocks();
  __gnu_cxx::__freeres();
}

}  // namespace kestor::server::runtime
