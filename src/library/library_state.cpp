#include "library/library_state.h"

#include <chrono>
#include <ctime>

#include "library/object_library.h"

namespace pw {

LibraryProcessState& TheLibraryState() {
  static LibraryProcessState state;
  return state;
}

void SeedLibraryIds(std::uint32_t first) {
  LibraryProcessState& s = TheLibraryState();
  s.nextId = first == 0 ? 1 : first;
  s.idSeeded = true;
}

std::uint32_t NewLibraryId() {
  LibraryProcessState& s = TheLibraryState();
  if (!s.idSeeded) {
    const auto seconds = static_cast<std::uint32_t>(std::time(nullptr));
    const auto ticks = static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
    SeedLibraryIds(seconds + ticks);
  }
  // 0 means "no library": skip it when the counter wraps.
  if (s.nextId == 0) s.nextId = 1;
  return s.nextId++;
}

std::uint32_t CurrentLibraryId() { return TheLibraryState().currentId; }
void SetCurrentLibraryId(std::uint32_t id) { TheLibraryState().currentId = id; }

PwObjectLibrary* CurrentLibrary() {
  const LibraryProcessState& s = TheLibraryState();
  if (s.currentId == 0) return nullptr;
  for (PwObjectLibrary* lib : s.registry)
    if (!lib->IsTemporary() && lib->LibraryId() == s.currentId) return lib;
  return nullptr;
}

PwObjectLibrary* FindLibraryById(std::uint32_t id) {
  if (id == 0) return nullptr;
  for (PwObjectLibrary* lib : TheLibraryState().registry)
    if (lib->LibraryId() == id) return lib;
  return nullptr;
}

void SetMergingLibraries(bool on) { TheLibraryState().merging = on; }
bool MergingLibraries() { return TheLibraryState().merging; }

int AddLibraryMessageListener(LibraryMessageListener listener) {
  LibraryProcessState& s = TheLibraryState();
  const int handle = s.nextListenerHandle++;
  s.listeners.emplace_back(handle, std::move(listener));
  return handle;
}

void RemoveLibraryMessageListener(int handle) {
  auto& list = TheLibraryState().listeners;
  std::erase_if(list, [handle](const auto& entry) { return entry.first == handle; });
}

void PostLibraryMessage(int message, std::uint32_t libraryId) {
  // A copy: a listener may add or remove listeners while being told.
  const auto listeners = TheLibraryState().listeners;
  for (const auto& entry : listeners)
    if (entry.second) entry.second(message, libraryId);
}

}  // namespace pw
