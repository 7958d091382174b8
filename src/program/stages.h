// The frame stages whose work lives in modules the renderer does not link
// to directly, plugged into every new renderer.
#pragma once

namespace pw {

// Sets the default stages: the line pass, the canvas and the auxiliary
// files. Safe to call more than once.
void PlugInRenderStages();

}  // namespace pw
