#include "vector/vector_params_swf.h"

#include <array>

#include "vector/vector_params_fields.h"

namespace pw {

namespace {

using Rec = PwVectorFormatParamsSWF;

constexpr std::array<PwVectorOptionField, 4> kFields{{
    {"version", INT32_MIN, INT32_MAX, false, false},
    {"lines", 0, 1, true, true},
    {"surface", 0, 1, true, true},
    {"openInPlayer", 0, 1, true, true},
}};

const std::array<detail::OptionMember<Rec>, 4> kMembers{{
    &Rec::version, &Rec::lines, &Rec::surface, &Rec::openInPlayer,
}};

}  // namespace

std::unique_ptr<PwVectorFormatParams> PwVectorFormatParamsSWF::Clone() const {
  return std::make_unique<PwVectorFormatParamsSWF>(*this);
}

std::span<const PwVectorOptionField> PwVectorFormatParamsSWF::Fields() const { return kFields; }

std::int32_t PwVectorFormatParamsSWF::Get(int field) const {
  return detail::GetMember<Rec>(*this, kMembers, field);
}

void PwVectorFormatParamsSWF::Store(int field, std::int32_t v) { detail::StoreMember<Rec>(*this, kMembers, field, v); }

}  // namespace pw
