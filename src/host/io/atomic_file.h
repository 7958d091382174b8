// Replacing a file without ever leaving a half-written one in its place.
//
// Output goes to a temporary file next to the target ("name.tmpXXXXXX", same
// folder, so the final rename stays on one file system) and is renamed over
// the target only once everything was written and flushed to disk. If
// anything fails, the target is untouched and the temporary file is removed.
// A replaced file keeps its permission bits; a new one gets 0666 minus umask.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <span>
#include <string>

namespace host {

class AtomicFile {
 public:
  AtomicFile() = default;
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;
  // Abandons a file that was opened but not committed.
  ~AtomicFile();

  // Creates the temporary file for `path`. Errors read "<path>: <what>".
  bool Open(const std::string& path, std::string* error);
  // Where to write; null unless open.
  std::FILE* File() const { return file_; }

  // Flushes, syncs and renames over the target. Any write error on File(),
  // earlier or now, fails the commit and removes the temporary file.
  // With `beforeReplacing`, asked once the bytes are on disk: false
  // abandons the file ("<path>: cancelled") and the target stays as it was.
  bool Commit(std::string* error, const std::function<bool()>& beforeReplacing = {});
  // Closes and removes the temporary file; the target stays as it was.
  void Abandon();

 private:
  bool OpenTemp(const std::string& path, std::string* error);

  std::string path_;
  std::string temp_path_;
  std::FILE* file_ = nullptr;
};

// Removes the temporary file of the write under way, if any. Safe to call
// from a signal handler (it only unlinks), for a program about to die.
void RemovePendingTempFile();

// Writes `bytes` as the whole new content of `path`, atomically as above.
bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes, std::string* error,
                         const std::function<bool()>& beforeReplacing = {});

}  // namespace host
