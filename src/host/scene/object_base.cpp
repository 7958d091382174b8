#include "host/scene/object_base.h"

namespace host {

ReferenceTarget* DummyObject::Clone(RemapDir&) { return new DummyObject(); }

}  // namespace host
