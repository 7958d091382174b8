#include "lines/edge_id_modifier.h"

#include <algorithm>

#include "host/scene/object_tri.h"
#include "plugin/class_ids.h"

namespace pw {

namespace {

const host::ParamBlockDesc2 kEdgeIdBlock(
    host::BlockSpec(0, "PwEdgeIDModifierParameters", PW_EDGE_ID_MODIFIER_CLASS_ID, host::OSM_CLASS_ID)
        .AutoConstruct(PwLineModifier::PARAMBLOCK_REF),
    {
        host::ParamDef(kEdgeIdParam, "edgeID", host::TYPE_INT)
            .Animatable()
            .Default(0)
            .Range(kEdgeIdShownMin - 1, kEdgeIdShownMax - 1)
            .Ui("Edge ID"),
    });

}  // namespace

const host::ParamBlockDesc2& EdgeIdBlockDesc() { return kEdgeIdBlock; }

PwEdgeIDModifier::PwEdgeIDModifier(bool loading) : PwLineModifier(kEdgeIdBlock, loading) {}

host::Class_ID PwEdgeIDModifier::ClassID() const { return PW_EDGE_ID_MODIFIER_CLASS_ID; }

int PwEdgeIDModifier::GetEdgeID(host::TimeValue t) const {
  host::Interval valid = host::FOREVER;
  return GetEdgeID(t, valid);
}

bool PwEdgeIDModifier::SetShownEdgeID(host::TimeValue t, int shown) {
  return SetEdgeID(t, std::clamp(shown, kEdgeIdShownMin, kEdgeIdShownMax) - 1);
}

void PwEdgeIDModifier::ModifyObject(host::TimeValue, host::ModContext&, host::ObjectState& os, host::INode*) {
  const auto* tri = dynamic_cast<const host::TriObject*>(os.obj);
  if (!tri) return;
  edgeSelection_ = tri->mesh.edgeSel();
}

host::ReferenceTarget* PwEdgeIDModifier::Clone(host::RemapDir& remap) {
  auto* copy = new PwEdgeIDModifier(true);
  remap.AddEntry(this, copy);
  CloneBaseInto(*copy, remap);
  return copy;
}

}  // namespace pw
