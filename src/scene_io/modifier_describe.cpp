#include "scene_io/modifier_describe.h"

#include <algorithm>
#include <vector>

#include "host/scene/modifier_select.h"
#include "host/scene/object_derived.h"
#include "lines/edge_id_modifier.h"
#include "lines/restrict_si.h"

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

std::string ModifierText(host::Modifier& mod, host::TimeValue t) {
  std::string text = "modifier " + mod.GetName();
  // A stack leaves out what is off: such a modifier has recorded nothing.
  const bool evaluated = mod.IsEnabled() && mod.IsEnabledInRender();
  if (const auto* tagger = dynamic_cast<const PwEdgeIDModifier*>(&mod)) {
    text += ": ID " + std::to_string(tagger->GetShownEdgeID(t));
    const host::IParamBlock2* pb = tagger->ParamBlock();
    if (pb && pb->IsAnimated(kEdgeIdParam)) text += " (animated)";
    if (evaluated) text += ", " + Count(tagger->EdgeSelection().NumberSet(), "face edge", "face edges");
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
  std::vector<host::Modifier*> stack;  // top first
  for (auto* d = dynamic_cast<host::DerivedObject*>(node ? node->GetObjectRef() : nullptr); d;
       d = dynamic_cast<host::DerivedObject*>(d->GetObjRef()))
    for (int i = 0; i < d->NumModifiers(); ++i)
      if (host::Modifier* mod = d->GetModifier(i); mod && !dynamic_cast<host::MeshSelectMod*>(mod))
        stack.push_back(mod);
  if (stack.empty()) return "";
  node->EvalWorldState(t);
  std::string out;
  for (auto it = stack.rbegin(); it != stack.rend(); ++it)
    out += std::string(static_cast<std::size_t>(std::max(indent, 0)), ' ') + ModifierText(**it, t) + "\n";
  return out;
}

}  // namespace pw
