// The whole of `penwright render`: check the arguments, read the scene,
// check that every file can be written, then render frame by frame.
#pragma once

#include "command.h"
#include "render_args.h"

namespace pw::cli {

// Answers the exit code: ExitOk, ExitFailed (the render failed or was
// cancelled) or ExitUsage (bad arguments or input; nothing rendered).
int RunRender(const RenderArgs& args, const GlobalOptions& globals);

}  // namespace pw::cli
