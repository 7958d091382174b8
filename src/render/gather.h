// Collecting what a render run draws and lights, once at Open.
#pragma once

#include <memory>
#include <vector>

#include "host/core/color.h"
#include "host/shading/mtl.h"
#include "host/scene/node.h"
#include "host/render_api/render_interfaces.h"
#include "host/render_api/rendering.h"
#include "frame/instance.h"
#include "render/render_params.h"

namespace pw {

struct PwGatherOptions {
  bool renderHidden = false;
  bool selectedOnly = false;  // a render of the selection
  bool vectorMode = false;
  bool surfacesOn = true;
  // Makes the material of a node that has none, from its wire colour. The
  // instance keeps what it makes alive. Without a maker such instances have
  // no material.
  host::Mtl* (*makeStandin)(const host::Color& wireColour) = nullptr;
};

PwGatherOptions gatherOptions(const PwPenwrightRenderParams& params);

// A light the surfaces are shaded with: a scene light with the descriptor
// its object made for the run, or a host default light (no node).
struct PwLightRenderContext {
  host::INode* node = nullptr;  // none for a default light
  std::unique_ptr<host::ObjLightDesc> desc;
};

struct PwLightList {
  std::vector<PwLightRenderContext> entries;
  bool usingDefaultLights = false;
};

// Object states are looked at at this time, whatever frames are rendered.
inline constexpr host::TimeValue kGatherTime = 0;

// Appends an instance for every renderable geometry or shape node below
// root, children before their parent; index is the position in instances.
// Answers false when there are more than kMaxInstances (the first
// kMaxInstances are kept).
bool gatherObjects(host::INode* root, const PwGatherOptions& options,
                   std::vector<std::unique_ptr<PwRenderInstance>>& instances);

// Appends every light that is on below root, in the same order. Without
// one, the host's default lights stand in (except in Vector mode without
// surfaces, where nothing is shaded).
void gatherLights(host::INode* root, const host::DefaultLight* defaultLights, int numDefaultLights,
                  const PwGatherOptions& options, PwLightList& lights);

}  // namespace pw
