// Helpers for the classes that keep their settings in an older-style
// parameter block (paint, canvas, gradient key, Toon material).
#pragma once

#include <functional>

#include "host/io/chunk_io.h"
#include "host/params/paramblock_legacy.h"
#include "host/refs/reference.h"

namespace pw {

// The target as an older-style block, or null when it is something else
// (a damaged file can link any object into a block's slot).
host::IParamBlock* AsLegacyBlock(host::ReferenceTarget* target);

// Runs fn once the whole file has been read and every reference restored;
// nothing runs when the load is abandoned.
void RunAfterLoad(host::ILoad* iload, std::function<void()> fn);

// For an owner that is loading: once the file is read, its reference `ref`
// is brought to `layout` (values carried over by entry id when the file held
// another layout), and when the file held no usable block at all, `rebuild`
// gives the owner a fresh one at its defaults.
void RepairLegacyBlockAfterLoad(host::ILoad* iload, const host::ParamVersionDesc& layout,
                                host::ReferenceMaker* owner, int ref, std::function<void()> rebuild);

}  // namespace pw
