// What the program does once at start-up, before any scene is read, beyond
// registering its classes.
#pragma once

namespace pw {

// Adds the installation's Maps folder (PENWRIGHT_HOME/Maps, or Maps beside
// the program) to the folders bitmaps are looked for in, unless a folder of
// the same name is listed already. Safe to call more than once.
void StartUpPlugin();

}  // namespace pw
