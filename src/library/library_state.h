// What the process knows about art-material libraries: which exist, which
// one is the scene's current library, whether a file is being merged, and
// who wants to hear when the current library comes and goes.
//
// Everything here assumes one editing action at a time (no locks).
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace pw {

class PwObjectLibrary;

// Messages to the host: a library became current / the current one went away.
inline constexpr int PW_MSG_LIBRARY_CURRENT = 49051;
inline constexpr int PW_MSG_LIBRARY_GONE = 49052;

// Hears the two messages above with the id of the library concerned.
using LibraryMessageListener = std::function<void(int message, std::uint32_t libraryId)>;

struct LibraryProcessState {
  std::vector<PwObjectLibrary*> registry;  // every existing library, in creation order
  std::uint32_t currentId = 0;             // 0: no library is current
  bool merging = false;                    // a file is being merged: new libraries are temporary
  bool idSeeded = false;
  std::uint32_t nextId = 0;                // the next library id handed out
  std::vector<std::pair<int, LibraryMessageListener>> listeners;  // by handle
  int nextListenerHandle = 1;
};

LibraryProcessState& TheLibraryState();

// A library id not handed out before in this process (never 0). The first
// call seeds the generator from the time in seconds plus a tick count.
std::uint32_t NewLibraryId();
// Seeds the generator explicitly (tests, reproducible runs); 0 counts as 1.
void SeedLibraryIds(std::uint32_t first);

std::uint32_t CurrentLibraryId();
void SetCurrentLibraryId(std::uint32_t id);

// The first registered, non-temporary library whose id is the current id.
PwObjectLibrary* CurrentLibrary();
// The first registered library with this id, temporary ones included; null for 0.
PwObjectLibrary* FindLibraryById(std::uint32_t id);

// The merging switch: libraries created while it is on are temporary.
void SetMergingLibraries(bool on);
bool MergingLibraries();

// Returns a handle for RemoveLibraryMessageListener.
int AddLibraryMessageListener(LibraryMessageListener listener);
void RemoveLibraryMessageListener(int handle);
// Tells every listener, in the order they were added.
void PostLibraryMessage(int message, std::uint32_t libraryId);

}  // namespace pw
