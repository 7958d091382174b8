// Saving and loading a library.
//
// The references (the materials themselves) travel through the scene file;
// the library's own chunks say how many slots the file holds and which
// library it was. A library cannot be finished while its file is being read:
// other libraries of the same file may still be loading, and the materials'
// own fix-ups run in post-load callbacks too. So the last steps wait for a
// post-load callback.
#include <cstdint>
#include <string>

#include "library/library_state.h"
#include "library/object_library.h"

namespace pw {

// Finishes one library after the whole file is read. It first steps back
// behind every callback registered while the file was read, so that the
// materials' own fix-ups (parameter-block conversions) are done before they
// are told the library has loaded.
class PwLibraryPostLoad : public host::PostLoadCallback {
 public:
  explicit PwLibraryPostLoad(PwObjectLibrary* lib) : lib_(lib) {}
  void proc(host::ILoad* iload) override {
    if (!deferred_) {
      deferred_ = true;
      iload->RegisterPostLoadCallback(this);
      return;
    }
    lib_->FinishLoading();
    delete this;
  }
  void Abandon() override {
    lib_->AbandonLoading();
    delete this;
  }

 private:
  PwObjectLibrary* lib_;
  bool deferred_ = false;
};

host::IOResult PwObjectLibrary::Save(host::ISave* isave) {
  host::IOResult r = ReferenceTarget::Save(isave);
  if (r != host::IO_OK) return r;
  if ((r = isave->WriteChunk(CHUNK_VERSION, FORMAT_VERSION)) != host::IO_OK) return r;
  if ((r = isave->WriteChunk(CHUNK_SLOT_COUNT, static_cast<std::int32_t>(SlotCount()))) != host::IO_OK) return r;
  return isave->WriteChunk(CHUNK_LIBRARY_ID, id_);
}

host::IOResult PwObjectLibrary::Load(host::ILoad* iload) {
  host::IOResult r = ReferenceTarget::Load(iload);
  if (r != host::IO_OK) return r;
  loadedVersion_ = -1;
  while ((r = iload->OpenChunk()) == host::IO_OK) {
    switch (iload->CurChunkID()) {
      case CHUNK_VERSION: {
        std::uint16_t version = 0;
        if ((r = iload->ReadValue(&version)) != host::IO_OK) return r;
        loadedVersion_ = version;
        break;
      }
      case CHUNK_SLOT_COUNT: {
        std::int32_t count = 0;
        if ((r = iload->ReadValue(&count)) != host::IO_OK) return r;
        if (count < 0 || count > MAX_SLOTS) {
          iload->SetError("art-material library: slot count " + std::to_string(count) + " is out of range");
          return host::IO_ERROR;
        }
        loading_ = true;
        savedCount_ = count;
        if (Capacity() < count) objects_.resize(static_cast<std::size_t>(count), nullptr);
        break;
      }
      case CHUNK_LIBRARY_ID: {
        std::uint32_t id = 0;
        if ((r = iload->ReadValue(&id)) != host::IO_OK) return r;
        id_ = id;
        break;
      }
      default:
        break;
    }
    if ((r = iload->CloseChunk()) != host::IO_OK) return r;
  }
  if (r == host::IO_ERROR) return r;
  // The first format had no lasting identity: such a library is a new one,
  // whatever id chunk it may carry.
  if (loadedVersion_ == 1) {
    id_ = NewLibraryId();
    if (IsRegistered()) SetCurrentLibraryId(id_);
  }
  // Registered even when the file had no slot count: the library still has
  // to be completed and to find its place among the others.
  if (!callbackPending_) {
    callbackPending_ = true;
    iload->RegisterPostLoadCallback(new PwLibraryPostLoad(this));
  }
  return host::IO_OK;
}

void PwObjectLibrary::FinishLoading() {
  callbackPending_ = false;
  LibraryProcessState& state = TheLibraryState();

  // 1. The table is live again. Count what is really there: the saved count
  //    is the number of slots, and slots may be empty.
  loading_ = false;
  used_ = 0;
  for (host::ReferenceTarget* obj : objects_)
    if (obj) ++used_;

  // 2. Ids. A file without one (damaged, or written before ids existed)
  //    gets a fresh id rather than 0, which means "no library".
  if (id_ == 0) id_ = NewLibraryId();
  if (state.currentId != 0) {
    // The same scene loaded or merged twice: the first library with the
    // current id keeps it, every later one becomes a different library.
    bool seen = false;
    for (PwObjectLibrary* lib : state.registry) {
      if (lib->id_ != state.currentId) continue;
      if (seen) lib->id_ = NewLibraryId();
      seen = true;
    }
  } else if (!IsTemporary()) {
    state.currentId = id_;
  }

  // 3. Older files lack some of the defaults and presets. Defaults cannot
  //    be deleted, so a newer file without one is damaged; the library
  //    still needs it as the fallback of every class.
  if (loadedVersion_ < FORMAT_VERSION)
    AddMissingLibraryMaterials();
  else
    AddMissingDefaults();

  // 4. Let every material finish its own conversion, in slot order. A
  //    material may change the table while being told; re-read it each time.
  for (int i = 0; i < Capacity(); ++i)
    // Time 0 is the current time here: the program has no time slider, and a
    // library is loaded before any frame is chosen (and may serve several).
    if (PwObject* obj = Get(i)) obj->PostLibraryLoaded(*this, 0);

  // 5.
  if (!IsTemporary() && id_ == state.currentId && IsRegistered())
    PostLibraryMessage(PW_MSG_LIBRARY_CURRENT, id_);

  // 6.
  loadedVersion_ = -1;
}

void PwObjectLibrary::AbandonLoading() {
  callbackPending_ = false;
  loading_ = false;
  loadedVersion_ = -1;
}

}  // namespace pw
