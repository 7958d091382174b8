// Everything the program sets up once before a command runs.
#pragma once

namespace pw {

// Registers every class scenes and libraries are made from: the host's own,
// the plug-in table, the art materials, the line modifiers and the renderer.
// False when one of them could not be set up.
bool RegisterProgramClasses();

}  // namespace pw
