// SysKestor's IPersistPropertyBag: the parameters of the page that embeds it.
#include "host/com/com_ptr.h"
#include "host/shared/kestor_ids.h"
#include "host/object/com_guard.h"
#include "host/object/property_bag_source.h"
#include "host/object/sys_kestor_object.h"

namespace kestor::server {

HRESULT SysKestorObject::GetClassID(CLSID* classId) {
  if (!classId) return E_POINTER;
  *classId = ids::CLSID_SysKestor;
  return S_OK;
}

// Nothing is persisted but the query list, and it is never written back.
HRESULT SysKestorObject::InitNew() { return S_OK; }

HRESULT SysKestorObject::Save(IPropertyBag*, BOOL, BOOL) { return S_OK; }

HRESULT SysKestorObject::Load(IPropertyBag* bag, IErrorLog* errorLog) {
  if (!bag) return E_POINTER;
  ReferenceHold hold(identity());
  return guarded([&] {
    // The source holds its own reference to the bag for the time of the read.
    PropertyBagSource source(bag, errorLog);
    core_.loadProperties(source);
    return S_OK;
  });
}

}  // namespace kestor::server
