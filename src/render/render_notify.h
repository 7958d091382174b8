// Telling scene objects and art materials that a render run or a frame
// begins or ends.
//
// A notice reaches everything the given roots refer to, directly or not,
// each object once however many roots share it: a clearing walk first
// removes the visit mark from everything reachable, then the notice walk
// marks what it has told.
#pragma once

#include <span>

#include "host/refs/reference.h"
#include "host/core/time.h"

namespace pw {

// Implemented by objects that prepare for rendering (build caches, open
// files) and clean up after it.
class PwRenderNotifiable {
 public:
  virtual ~PwRenderNotifiable() = default;
  virtual void RenderBegin(host::TimeValue /*t*/) {}  // at Open
  virtual void RenderEnd(host::TimeValue /*t*/) {}    // at Close
  virtual void BeforeRender(host::TimeValue /*t*/) {} // each field, before its objects are drawn
  virtual void AfterRender(host::TimeValue /*t*/) {}  // each field, when it ends (also when it fails)
};

enum class PwRenderNotice { RenderBegin, RenderEnd, BeforeRender, AfterRender };

// The visit mark the walks use.
inline constexpr std::uint32_t kRenderNoticeMark = host::A_WORK1;

// Null roots are skipped.
void notifyRender(std::span<host::ReferenceMaker* const> roots, PwRenderNotice notice, host::TimeValue t);

}  // namespace pw
