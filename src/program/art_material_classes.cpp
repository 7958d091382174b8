#include "program/art_material_classes.h"

#include "library/holder.h"
#include "library/object_library.h"
#include "styles/register.h"
#include "program/surface_kind_query.h"
#include "surfaces/register.h"

namespace pw {

bool RegisterArtMaterialClasses() {
  bool ok = RegisterLibraryClasses();
  ok = RegisterLibraryHolderClass() && ok;
  ok = RegisterStyleClasses() && ok;
  RegisterSurfaceClasses();
  // Without it every style would count its surface as drawing.
  InstallSurfaceKindQuery();
  return ok;
}

}  // namespace pw
