#include "vector/vector_params_ai.h"

#include <array>

#include "vector/vector_params_fields.h"

namespace pw {

namespace {

using Rec = PwVectorFormatParamsAI;

constexpr std::array<PwVectorOptionField, 12> kFields{{
    {"version", INT32_MIN, INT32_MAX, false, false},
    {"colorMode", 0, 2, false, true},
    {"lines", 0, 1, true, true},
    {"paths", 0, 1, true, true},
    {"lineStyles", 0, 1, true, true},
    {"lineWidths", 0, 1, true, true},
    {"surface", 0, 1, true, true},
    {"shading", 0, 1, false, true},
    {"overfill", 0, 1, true, true},
    {"groupLines", 0, 1, true, true},
    {"groupSurface", 0, 1, true, true},
    {"groupTogether", 0, 1, true, true},
}};

const std::array<detail::OptionMember<Rec>, 12> kMembers{{
    &Rec::version, &Rec::colorMode, &Rec::lines, &Rec::paths, &Rec::lineStyles, &Rec::lineWidths,
    &Rec::surface, &Rec::shading, &Rec::overfill, &Rec::groupLines, &Rec::groupSurface, &Rec::groupTogether,
}};

}  // namespace

std::unique_ptr<PwVectorFormatParams> PwVectorFormatParamsAI::Clone() const {
  return std::make_unique<PwVectorFormatParamsAI>(*this);
}

std::span<const PwVectorOptionField> PwVectorFormatParamsAI::Fields() const { return kFields; }

std::int32_t PwVectorFormatParamsAI::Get(int field) const {
  return detail::GetMember<Rec>(*this, kMembers, field);
}

void PwVectorFormatParamsAI::Store(int field, std::int32_t v) { detail::StoreMember<Rec>(*this, kMembers, field, v); }

}  // namespace pw
