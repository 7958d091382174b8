#include "surfaces/legacy_block.h"

#include <utility>

namespace pw {

namespace {

class FunctionCallback : public host::PostLoadCallback {
 public:
  explicit FunctionCallback(std::function<void()> fn) : fn_(std::move(fn)) {}
  void proc(host::ILoad*) override {
    fn_();
    delete this;
  }
  void Abandon() override { delete this; }

 private:
  std::function<void()> fn_;
};

}  // namespace

host::IParamBlock* AsLegacyBlock(host::ReferenceTarget* target) {
  if (!target || target->SuperClassID() != host::PARAMETER_BLOCK_CLASS_ID ||
      target->ClassID() != host::PARAMBLOCK_CLASS_ID)
    return nullptr;
  return static_cast<host::IParamBlock*>(target);
}

void RunAfterLoad(host::ILoad* iload, std::function<void()> fn) {
  iload->RegisterPostLoadCallback(new FunctionCallback(std::move(fn)));
}

void RepairLegacyBlockAfterLoad(host::ILoad* iload, const host::ParamVersionDesc& layout,
                                host::ReferenceMaker* owner, int ref, std::function<void()> rebuild) {
  // Registration order is run order: convert first, then fill a hole.
  iload->RegisterPostLoadCallback(new host::ParamBlockPLCB(layout, owner, ref));
  RunAfterLoad(iload, [owner, ref, rebuild = std::move(rebuild)] {
    if (!AsLegacyBlock(owner->GetReference(ref))) rebuild();
  });
}

}  // namespace pw
