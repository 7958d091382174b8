// Chunked binary streams: how every object saves itself and loads back.
//
// A chunk is a little-endian u16 id followed by a u32 size that counts the
// six header bytes too. The size's high bit is set when the chunk holds
// sub-chunks rather than data. Readers skip chunks they do not know, so
// classes can add chunks without breaking older files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "host/core/types.h"

namespace host {

class ReferenceTarget;

inline constexpr std::uint32_t CHUNK_CONTAINER_BIT = 0x80000000u;
inline constexpr std::uint32_t CHUNK_HEADER_SIZE = 6;

// Writing side. BeginChunk/EndChunk nest; writing data between them.
class ISave {
 public:
  virtual ~ISave() = default;
  virtual void BeginChunk(std::uint16_t id) = 0;
  virtual void EndChunk() = 0;
  virtual IOResult Write(const void* data, std::size_t size, std::size_t* written) = 0;
  // Writes the string and its terminating zero.
  virtual IOResult WriteCString(const char* text) = 0;
  IOResult WriteCString(const std::string& text) { return WriteCString(text.c_str()); }
  // The file-wide index of a reference target, for storing links that are not
  // references (-1 for null or a target that is not part of the file).
  virtual int GetRefID(const ReferenceTarget* target) = 0;

  // Typed conveniences for fixed-size values.
  template <class T>
  IOResult WriteValue(const T& v) {
    std::size_t n = 0;
    return Write(&v, sizeof(T), &n);
  }
  // One chunk holding one fixed-size value, the usual way fields are saved.
  template <class T>
  IOResult WriteChunk(std::uint16_t id, const T& v) {
    BeginChunk(id);
    IOResult r = WriteValue(v);
    EndChunk();
    return r;
  }
  IOResult WriteStringChunk(std::uint16_t id, const std::string& text) {
    BeginChunk(id);
    IOResult r = WriteCString(text);
    EndChunk();
    return r;
  }
};

// Work that must wait until a whole file has been read (fixing up old
// layouts, linking objects that were read in any order). The loader does not
// own callbacks: one made with new deletes itself at the end of proc, and in
// Abandon, which runs instead of proc when the file fails to load.
class PostLoadCallback {
 public:
  virtual ~PostLoadCallback() = default;
  virtual void proc(class ILoad* iload) = 0;
  virtual void Abandon() {}
};

// Reading side. OpenChunk enters the next chunk at the current level and
// answers IO_END when the level has no more; CloseChunk leaves it, skipping
// whatever was not read.
class ILoad {
 public:
  virtual ~ILoad() = default;
  virtual IOResult OpenChunk() = 0;
  virtual IOResult CloseChunk() = 0;
  virtual std::uint16_t CurChunkID() = 0;
  virtual bool CurChunkIsContainer() = 0;
  // Bytes of data left in the current chunk.
  virtual std::size_t CurChunkRemaining() = 0;
  virtual IOResult Read(void* data, std::size_t size, std::size_t* nread) = 0;
  // Reads a zero-terminated string that must end within the current chunk.
  virtual IOResult ReadCStringChunk(std::string* text) = 0;
  virtual void RegisterPostLoadCallback(PostLoadCallback* cb) = 0;
  // The object a file-wide index names (see ISave::GetRefID), or null.
  virtual ReferenceTarget* GetObjectByRefID(int id) = 0;
  // Records why the load failed, for the message the user sees.
  virtual void SetError(std::string message) = 0;
  virtual const std::string& Error() const = 0;

  template <class T>
  IOResult ReadValue(T* v) {
    std::size_t n = 0;
    IOResult r = Read(v, sizeof(T), &n);
    return r;
  }
};

// ISave into memory. Sizes are patched when a chunk ends.
class MemorySave : public ISave {
 public:
  using RefIdFn = std::function<int(const ReferenceTarget*)>;
  explicit MemorySave(RefIdFn refIds = {}) : refIds_(std::move(refIds)) {}

  void BeginChunk(std::uint16_t id) override;
  void EndChunk() override;
  IOResult Write(const void* data, std::size_t size, std::size_t* written) override;
  IOResult WriteCString(const char* text) override;
  int GetRefID(const ReferenceTarget* target) override { return refIds_ ? refIds_(target) : -1; }

  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
  std::vector<std::uint8_t> TakeBytes() { return std::move(bytes_); }
  // True when every BeginChunk had its EndChunk.
  bool Balanced() const { return open_.empty(); }

 private:
  std::vector<std::uint8_t> bytes_;
  std::vector<std::size_t> open_;  // offsets of the open chunks' headers
  RefIdFn refIds_;
};

// ILoad over bytes held in memory. Every header is checked against the chunk
// that contains it, so a corrupt size can never make a read run past its
// parent or allocate from an untrusted count.
class MemoryLoad : public ILoad {
 public:
  using ObjectFn = std::function<ReferenceTarget*(int)>;
  explicit MemoryLoad(std::span<const std::uint8_t> bytes, ObjectFn objects = {});

  IOResult OpenChunk() override;
  IOResult CloseChunk() override;
  std::uint16_t CurChunkID() override;
  bool CurChunkIsContainer() override;
  std::size_t CurChunkRemaining() override;
  IOResult Read(void* data, std::size_t size, std::size_t* nread) override;
  IOResult ReadCStringChunk(std::string* text) override;
  void RegisterPostLoadCallback(PostLoadCallback* cb) override { callbacks_.push_back(cb); }
  ReferenceTarget* GetObjectByRefID(int id) override { return objects_ ? objects_(id) : nullptr; }
  void SetError(std::string message) override;
  const std::string& Error() const override { return error_; }

  // Runs and forgets the registered post-load callbacks, in registration order.
  void RunPostLoadCallbacks();
  // Hands the registered callbacks to the caller, who runs them later.
  std::vector<PostLoadCallback*> TakePostLoadCallbacks() { return std::exchange(callbacks_, {}); }
  // Offset of the read position from the start of the bytes (for messages).
  std::size_t Position() const { return pos_; }
  bool AtEnd() const { return pos_ >= bytes_.size() && open_.empty(); }

 private:
  struct Open {
    std::size_t start;  // offset of the header
    std::size_t end;    // offset one past the chunk's last byte
    std::uint16_t id;
    bool container;
  };
  std::size_t LevelEnd() const { return open_.empty() ? bytes_.size() : open_.back().end; }

  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
  std::vector<Open> open_;
  std::vector<PostLoadCallback*> callbacks_;
  ObjectFn objects_;
  std::string error_;
};

}  // namespace host
