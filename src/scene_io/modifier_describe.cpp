#include "scene_io/modifier_describe.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "host/scene/modifier_select.h"
#include "host/scene/object_derived.h"
#include "lines/edge_id_modifier.h"
#include "lines/restrict_si.h"
#include "painton/paint_on.h"

namespace pw {

namespace {

std::string SwitchText(const PwRestrictSI& restriction) {
  const bool within = restriction.GetWithinObject(), others = restriction.GetWithOthers();
  if (within && others) return "within the object and with other objects";
  if (within) return "within the object";
  if (others) return "with other objects";
  return "neither within the object nor with other objects";
}

std::string Count(int n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string ModifierText(host::Modifier& mod, const host::ModContext* mc, host::TimeValue t) {
  std::string text = "modifier " + mod.GetName();
  // A stack leaves out what is off: such a modifier has recorded nothing.
  const bool evaluated = mod.IsEnabled() && mod.IsEnabledInRender();
  if (const auto* tagger = dynamic_cast<const PwEdgeIDModifier*>(&mod)) {
    text += ": ID " + std::to_string(tagger->GetShownEdgeID(t));
    const host::IParamBlock2* pb = tagger->ParamBlock();
    if (pb && pb->IsAnimated(kEdgeIdParam)) text += " (animated)";
    if (evaluated) text += ", " + Count(tagger->EdgeSelection().NumberSet(), "face edge", "face edges");
  } else if (dynamic_cast<const PwPaintOn*>(&mod)) {
    const auto* data = mc ? dynamic_cast<const PwPaintOnData*>(mc->localData) : nullptr;
    const std::size_t kept = data ? data->Entries().size() : 0;
    text += ": values kept for " + Count(static_cast<int>(kept), "vertex count", "vertex counts");
  } else if (const auto* restriction = dynamic_cast<const PwRestrictSI*>(&mod)) {
    text += ": " + SwitchText(*restriction);
    if (evaluated) text += ", " + Count(restriction->FaceSelection().NumberSet(), "face", "faces");
  }
  if (!mod.IsEnabled())
    text += ", disabled";
  else if (!mod.IsEnabledInRender())
    text += ", disabled for rendering";
  return text;
}

}  // namespace

std::string DescribeNodeModifiers(host::INode* node, host::TimeValue t, int indent) {
  std::vector<std::pair<host::Modifier*, const host::ModContext*>> stack;  // top first
  for (auto* d = dynamic_cast<host::DerivedObject*>(node ? node->GetObjectRef() : nullptr); d;
       d = dynamic_cast<host::DerivedObject*>(d->GetObjRef()))
    for (int i = 0; i < d->NumModifiers(); ++i)
      if (host::Modifier* mod = d->GetModifier(i); mod && !dynamic_cast<host::MeshSelectMod*>(mod))
        stack.emplace_back(mod, d->GetModContext(i));
  if (stack.empty()) return "";
  node->EvalWorldState(t);
  std::string out;
  for (auto it = stack.rbegin(); it != stack.rend(); ++it)
    out += std::string(static_cast<std::size_t>(std::max(indent, 0)), ' ') + ModifierText(*it->first, it->second, t) + "\n";
  return out;
}

}  // namespace pw
