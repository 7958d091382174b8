#include "render/render_notify.h"

namespace pw {

namespace {

struct ClearMark : host::RefEnumProc {
  int proc(host::ReferenceMaker* maker) override {
    maker->ClearAFlag(kRenderNoticeMark);
    return host::REF_ENUM_CONTINUE;
  }
};

struct Tell : host::RefEnumProc {
  PwRenderNotice notice;
  host::TimeValue t;

  Tell(PwRenderNotice n, host::TimeValue time) : notice(n), t(time) {}

  int proc(host::ReferenceMaker* maker) override {
    // Reached through an earlier root already: told, and so is all it refers to.
    if (maker->TestAFlag(kRenderNoticeMark)) return host::REF_ENUM_SKIP;
    maker->SetAFlag(kRenderNoticeMark);
    if (auto* target = dynamic_cast<PwRenderNotifiable*>(maker)) tell(*target);
    return host::REF_ENUM_CONTINUE;
  }

  void tell(PwRenderNotifiable& target) const {
    switch (notice) {
      case PwRenderNotice::RenderBegin: target.RenderBegin(t); break;
      case PwRenderNotice::RenderEnd: target.RenderEnd(t); break;
      case PwRenderNotice::BeforeRender: target.BeforeRender(t); break;
      case PwRenderNotice::AfterRender: target.AfterRender(t); break;
    }
  }
};

}  // namespace

void notifyRender(std::span<host::ReferenceMaker* const> roots, PwRenderNotice notice, host::TimeValue t) {
  ClearMark clear;
  for (host::ReferenceMaker* root : roots)
    if (root) root->EnumRefHierarchy(clear);
  Tell tell(notice, t);
  for (host::ReferenceMaker* root : roots)
    if (root) root->EnumRefHierarchy(tell);
}

}  // namespace pw
