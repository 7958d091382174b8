// Art materials that read files of their own (a canvas's paper texture):
// what a render run asks of them before its frames and at its end.
#pragma once

#include "host/core/time.h"

namespace host {
class ReferenceTarget;
}

namespace pw {

class PwAuxFileHolder {
 public:
  virtual ~PwAuxFileHolder() = default;
  // Reads what the material needs at t. Does nothing once read; false when
  // a file could not be read (the material then draws without it).
  virtual bool LoadAuxFiles(host::TimeValue t) = 0;
  // Lets go of what LoadAuxFiles read.
  virtual void UnloadAuxFiles() = 0;
  // The materials this one refers to that hold files of their own, loaded
  // and unloaded with it.
  virtual int NumAuxFileRefs() { return 0; }
  virtual host::ReferenceTarget* GetAuxFileRef(int /*i*/) { return nullptr; }
};

}  // namespace pw
