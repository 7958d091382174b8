#include "lines/restrict_si.h"

#include "host/scene/object_tri.h"
#include "plugin/class_ids.h"

namespace pw {

namespace {

const host::ParamBlockDesc2 kRestrictSIBlock(
    host::BlockSpec(0, "PwRestrictSIParameters", PW_RESTRICT_SI_CLASS_ID, host::OSM_CLASS_ID)
        .AutoConstruct(PwLineModifier::PARAMBLOCK_REF),
    {
        host::ParamDef(kRestrictSIWithinObject, "restrictSIWithinObject", host::TYPE_INT)
            .Default(1)
            .Range(0, 1)
            .Ui("Within Object"),
        host::ParamDef(kRestrictSIWithOthers, "restrictSIWithOthers", host::TYPE_INT)
            .Default(0)
            .Range(0, 1)
            .Ui("With Other Objects"),
    });

}  // namespace

const host::ParamBlockDesc2& RestrictSIBlockDesc() { return kRestrictSIBlock; }

PwRestrictSI::PwRestrictSI(bool loading) : PwLineModifier(kRestrictSIBlock, loading) {}

host::Class_ID PwRestrictSI::ClassID() const { return PW_RESTRICT_SI_CLASS_ID; }

bool PwRestrictSI::GetWithinObject() const {
  host::Interval valid = host::FOREVER;
  return GetIntParam(kRestrictSIWithinObject, 0, valid) != 0;
}

bool PwRestrictSI::SetWithinObject(bool on) { return SetIntParam(kRestrictSIWithinObject, 0, on ? 1 : 0); }

bool PwRestrictSI::GetWithOthers() const {
  host::Interval valid = host::FOREVER;
  return GetIntParam(kRestrictSIWithOthers, 0, valid) != 0;
}

bool PwRestrictSI::SetWithOthers(bool on) { return SetIntParam(kRestrictSIWithOthers, 0, on ? 1 : 0); }

void PwRestrictSI::ModifyObject(host::TimeValue, host::ModContext& mc, host::ObjectState& os, host::INode*) {
  const auto* tri = dynamic_cast<const host::TriObject*>(os.obj);
  if (!tri) return;
  faceSelection_ = tri->mesh.faceSel();
  if (!mc.localData) mc.localData = new PwRestrictSIData();
  auto* data = dynamic_cast<PwRestrictSIData*>(mc.localData);
  if (!data) return;
  if (data->mesh)
    *data->mesh = tri->mesh;  // in place: the arrays keep their memory from frame to frame
  else
    data->mesh = std::make_unique<host::Mesh>(tri->mesh);
}

host::ReferenceTarget* PwRestrictSI::Clone(host::RemapDir& remap) {
  auto* copy = new PwRestrictSI(true);
  remap.AddEntry(this, copy);
  CloneBaseInto(*copy, remap);
  return copy;
}

}  // namespace pw
