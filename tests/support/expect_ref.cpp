#include "support/expect_ref.h"

namespace sorvane::testing_support {

ULONG RefCount(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

HRESULT QueryInto(IUnknown* object, REFIID iid, void** out) {
  return object->QueryInterface(iid, out);
}

}  // namespace sorvane::testing_support
