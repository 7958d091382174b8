// What a render run uses besides the scene's nodes: the art materials
// (canvas and styles) and the texture maps, gathered once at Open.
#pragma once

#include <memory>
#include <vector>

#include "host/shading/mtl.h"
#include "host/shading/texmap.h"
#include "library/object_library.h"
#include "render/gather.h"
#include "frame/instance.h"
#include "styles/style.h"

namespace pw {

// The scene's canvas: the library's default canvas, or null.
PwObject* sceneCanvas(const PwObjectLibrary& library);

// The style that draws the instance's node (its assigned style, else the
// library's default style), or null when the library has none.
PwStyle* styleOfInstance(const PwRenderInstance& instance, const PwObjectLibrary& library);

// The canvas first (when there is one), then each distinct style of the
// instances in instance order.
std::vector<PwObject*> gatherMaterialsInUse(const PwObjectLibrary& library,
                                            const std::vector<std::unique_ptr<PwRenderInstance>>& instances);

// The material of each instance in instance order, then every texture map
// reachable from the materials in use, the lights' nodes and the
// environment map; each once.
std::vector<host::MtlBase*> gatherTextureMaps(const std::vector<std::unique_ptr<PwRenderInstance>>& instances,
                                              const std::vector<PwObject*>& materialsInUse,
                                              const PwLightList& lights, host::Texmap* environmentMap);

}  // namespace pw
