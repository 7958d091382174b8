#include "vector/vector_params_dxf.h"

#include <array>

#include "vector/vector_params_fields.h"

namespace pw {

namespace {

using Rec = PwVectorFormatParamsDXF;

constexpr std::array<PwVectorOptionField, 9> kFields{{
    {"version", INT32_MIN, INT32_MAX, false, false},
    {"createLayers", 0, 1, true, true},
    {"layersBy", 0, 1, false, true},
    {"lines", 0, 1, true, true},
    {"surface", 0, 1, true, true},
    {"aciColors", 0, 1, true, true},
    {"lineStyles", 0, 1, true, true},
    {"lineWidths", 0, 1, true, true},
    {"previewLikeAutoCad", 0, 1, false, true},
}};

const std::array<detail::OptionMember<Rec>, 9> kMembers{{
    &Rec::version, &Rec::createLayers, &Rec::layersBy, &Rec::lines, &Rec::surface, &Rec::aciColors,
    &Rec::lineStyles, &Rec::lineWidths, &Rec::previewLikeAutoCad,
}};

}  // namespace

std::unique_ptr<PwVectorFormatParams> PwVectorFormatParamsDXF::Clone() const {
  return std::make_unique<PwVectorFormatParamsDXF>(*this);
}

std::span<const PwVectorOptionField> PwVectorFormatParamsDXF::Fields() const { return kFields; }

std::int32_t PwVectorFormatParamsDXF::Get(int field) const {
  return detail::GetMember<Rec>(*this, kMembers, field);
}

void PwVectorFormatParamsDXF::Store(int field, std::int32_t v) { detail::StoreMember<Rec>(*this, kMembers, field, v); }

}  // namespace pw
