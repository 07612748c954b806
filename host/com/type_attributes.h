#pragma once
// Owners of the attribute blocks a type library (TLIBATTR) and a type description
// (TYPEATTR) hand out: each block goes back to the object that gave it, on every exit
// path, and that object is held for as long as the block is.
#include <windows.h>
#include <oaidl.h>

#include <utility>

#include "host/com/com_ptr.h"

namespace kestor {

inline void giveBack(ITypeLib* source, TLIBATTR* block) { source->ReleaseTLibAttr(block); }
inline void giveBack(ITypeInfo* source, TYPEATTR* block) { source->ReleaseTypeAttr(block); }

template <typename Source, typename Attributes>
class AttributesOf {
 public:
  // For source's GetLibAttr or GetTypeAttr: attributes.put() is its out-parameter.
  explicit AttributesOf(Source* source) : source_(source) {}
  AttributesOf(const AttributesOf&) = delete;
  AttributesOf& operator=(const AttributesOf&) = delete;
  ~AttributesOf() { reset(); }

  const Attributes* get() const { return block_; }
  const Attributes* operator->() const { return block_; }
  Attributes** put() {
    reset();
    return &block_;
  }

 private:
  void reset() {
    if (Attributes* block = std::exchange(block_, nullptr)) giveBack(source_.get(), block);
  }

  ComPtr<Source> source_;
  Attributes* block_ = nullptr;
};

using LibAttributes = AttributesOf<ITypeLib, TLIBATTR>;
using TypeAttributes = AttributesOf<ITypeInfo, TYPEATTR>;

}  // namespace kestor
