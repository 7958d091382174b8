#include "host/io/chunk_io.h"

#include <cstring>

namespace host {

namespace {

void PutU16(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t v) {
  out[at] = static_cast<std::uint8_t>(v & 0xFF);
  out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void PutU32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint16_t GetU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t GetU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

// ---- MemorySave -------------------------------------------------------------

void MemorySave::BeginChunk(std::uint16_t id) {
  // A chunk begun inside another makes the outer one a container.
  if (!open_.empty()) {
    std::size_t parent = open_.back();
    std::uint32_t flags = GetU32(&bytes_[parent + 2]) | CHUNK_CONTAINER_BIT;
    PutU32(bytes_, parent + 2, flags);
  }
  std::size_t at = bytes_.size();
  bytes_.resize(at + CHUNK_HEADER_SIZE);
  PutU16(bytes_, at, id);
  PutU32(bytes_, at + 2, 0);
  open_.push_back(at);
}

void MemorySave::EndChunk() {
  if (open_.empty()) return;  // unbalanced EndChunk: nothing to close
  std::size_t at = open_.back();
  open_.pop_back();
  std::uint32_t container = GetU32(&bytes_[at + 2]) & CHUNK_CONTAINER_BIT;
  std::uint32_t size = static_cast<std::uint32_t>(bytes_.size() - at);
  PutU32(bytes_, at + 2, size | container);
}

IOResult MemorySave::Write(const void* data, std::size_t size, std::size_t* written) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  bytes_.insert(bytes_.end(), p, p + size);
  if (written) *written = size;
  return IO_OK;
}

IOResult MemorySave::WriteCString(const char* text) {
  if (!text) text = "";
  std::size_t n = 0;
  return Write(text, std::strlen(text) + 1, &n);
}

// ---- MemoryLoad -------------------------------------------------------------

MemoryLoad::MemoryLoad(std::span<const std::uint8_t> bytes, ObjectFn objects)
    : bytes_(bytes), objects_(std::move(objects)) {}

void MemoryLoad::SetError(std::string message) {
  if (error_.empty()) error_ = std::move(message);  // the first cause is the useful one
}

IOResult MemoryLoad::OpenChunk() {
  const std::size_t end = LevelEnd();
  // Rule 1: inside a data chunk there are no sub-chunks to open (an empty
  // chunk simply has none).
  if (!open_.empty() && !open_.back().container) {
    if (pos_ >= end) return IO_END;
    SetError("chunk " + std::to_string(open_.back().id) + " holds data, not chunks");
    return IO_ERROR;
  }
  if (pos_ >= end) return IO_END;
  // Rule 2: a header must fit in what is left of the parent.
  if (end - pos_ < CHUNK_HEADER_SIZE) {
    SetError("truncated chunk header at byte " + std::to_string(pos_));
    return IO_ERROR;
  }
  const std::uint16_t id = GetU16(&bytes_[pos_]);
  const std::uint32_t raw = GetU32(&bytes_[pos_ + 2]);
  const std::size_t size = raw & ~CHUNK_CONTAINER_BIT;
  // Rule 3: the size counts its own header.
  if (size < CHUNK_HEADER_SIZE) {
    SetError("chunk " + std::to_string(id) + " at byte " + std::to_string(pos_) + " has an impossible size " +
             std::to_string(size));
    return IO_ERROR;
  }
  // Rule 4: a chunk ends within its parent (or the file).
  if (size > end - pos_) {
    SetError("chunk " + std::to_string(id) + " at byte " + std::to_string(pos_) + " runs past its " +
             (open_.empty() ? std::string("file") : "parent chunk") + " (size " + std::to_string(size) + ", " +
             std::to_string(end - pos_) + " bytes left)");
    return IO_ERROR;
  }
  open_.push_back(Open{pos_, pos_ + size, id, (raw & CHUNK_CONTAINER_BIT) != 0});
  pos_ += CHUNK_HEADER_SIZE;
  return IO_OK;
}

IOResult MemoryLoad::CloseChunk() {
  if (open_.empty()) {
    SetError("chunk closed that was never opened");
    return IO_ERROR;
  }
  pos_ = open_.back().end;
  open_.pop_back();
  return IO_OK;
}

std::uint16_t MemoryLoad::CurChunkID() { return open_.empty() ? 0 : open_.back().id; }

bool MemoryLoad::CurChunkIsContainer() { return !open_.empty() && open_.back().container; }

std::size_t MemoryLoad::CurChunkRemaining() { return pos_ < LevelEnd() ? LevelEnd() - pos_ : 0; }

IOResult MemoryLoad::Read(void* data, std::size_t size, std::size_t* nread) {
  const std::size_t left = CurChunkRemaining();
  if (size > left) {
    // Hand out what there is, so callers that accept short reads can, but say so.
    if (left) std::memcpy(data, bytes_.data() + pos_, left);
    pos_ += left;
    if (nread) *nread = left;
    SetError("chunk " + std::to_string(CurChunkID()) + " ends " + std::to_string(size - left) +
             " bytes before the data it should hold");
    return IO_ERROR;
  }
  if (size > 0) std::memcpy(data, bytes_.data() + pos_, size);
  pos_ += size;
  if (nread) *nread = size;
  return IO_OK;
}

IOResult MemoryLoad::ReadCStringChunk(std::string* text) {
  const std::size_t left = CurChunkRemaining();
  const auto* begin = bytes_.data() + pos_;
  const void* zero = left ? std::memchr(begin, 0, left) : nullptr;
  if (!zero) {
    SetError("chunk " + std::to_string(CurChunkID()) + " holds a string without its terminating zero");
    return IO_ERROR;
  }
  const std::size_t len = static_cast<const std::uint8_t*>(zero) - begin;
  text->assign(reinterpret_cast<const char*>(begin), len);
  pos_ += len + 1;
  return IO_OK;
}

void MemoryLoad::RunPostLoadCallbacks() {
  // Callbacks may register further callbacks; run until none are left.
  for (std::size_t i = 0; i < callbacks_.size(); ++i) callbacks_[i]->proc(this);
  callbacks_.clear();
}

}  // namespace host
