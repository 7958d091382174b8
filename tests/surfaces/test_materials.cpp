#include "test_materials.h"

namespace pwtest {

FlatMtl::FlatMtl(host::Color d, int subSlots) : diffuse(d), refs_(static_cast<std::size_t>(1 + subSlots), nullptr) {
  static const host::ParamBlockDescID kLayout[] = {{host::TYPE_FLOAT, nullptr, true, 0}};
  ReplaceReference(0, host::CreateParameterBlock(kLayout, 1, 1));
}

}  // namespace pwtest
