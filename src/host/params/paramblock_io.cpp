// Saving and loading parameters (the chunk layout is in paramblock_store.h)
// and the IParamBlock2 chunks around them.
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "host/params/paramblock.h"

namespace host {

namespace {

constexpr std::uint16_t kHeadChunk = 0x0011;
constexpr std::uint16_t kValuesChunk = 0x0012;
constexpr std::uint16_t kTrackChunk = 0x0013;
constexpr std::uint16_t kTrackIndexChunk = 0x0014;
constexpr std::uint16_t kTrackKeysChunk = 0x0015;

constexpr std::uint8_t kFlagTable = 1;
constexpr std::uint8_t kFlagAnimatable = 2;
constexpr std::size_t kHeadSize = 9;  // i16 id, u8 kind, u8 unit, u8 flags, u32 count

// IParamBlock2 chunks around the parameters:
//   0x0001 BLOCK: u32 owner super class id, u32 owner class id a, u32 owner class id b, i16 block id
//   0x0010 PARAM, one per parameter in descriptor order
constexpr std::uint16_t kBlockChunk = 0x0001;
constexpr std::size_t kBlockSize = 14;

// ---- Little-endian bytes ----------------------------------------------------

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void PutU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void PutF32(std::vector<std::uint8_t>& out, float v) { PutU32(out, std::bit_cast<std::uint32_t>(v)); }
void PutString(std::vector<std::uint8_t>& out, const std::string& s) {
  // A string cannot hold its own terminator; anything after an inner zero is lost.
  const std::size_t n = std::strlen(s.c_str());
  out.insert(out.end(), s.begin(), s.begin() + static_cast<std::ptrdiff_t>(n));
  out.push_back(0);
}

std::uint32_t GetU32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}
std::uint16_t GetU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
float GetF32(const std::uint8_t* p) { return std::bit_cast<float>(GetU32(p)); }

IOResult WriteBytes(ISave& isave, const std::vector<std::uint8_t>& bytes) {
  std::size_t written = 0;
  return isave.Write(bytes.data(), bytes.size(), &written);
}

// The whole data of the current chunk.
bool ReadAll(ILoad& iload, std::vector<std::uint8_t>& bytes) {
  bytes.resize(iload.CurChunkRemaining());
  std::size_t n = 0;
  return bytes.empty() || iload.Read(bytes.data(), bytes.size(), &n) == IO_OK;
}

std::string Hex(std::uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", v);
  return text;
}

// ---- Values of one parameter -------------------------------------------------

// Bytes an entry takes at least: the count check before allocating uses it.
std::size_t MinValueSize(ParamKind kind) {
  switch (kind) {
    case ParamKind::Float:
    case ParamKind::Int:
    case ParamKind::Bool:
    case ParamKind::Time: return 4;
    case ParamKind::Color:
    case ParamKind::Point3: return 12;
    case ParamKind::String:
    case ParamKind::Filename:
    case ParamKind::Bitmap:
    case ParamKind::RefTarget: return 1;
  }
  return 1;
}

void PutEntry(std::vector<std::uint8_t>& out, const ParamEntry& e) {
  std::visit(
      [&out](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, FloatTrack>) {
          PutF32(out, v.Value(0));
        } else if constexpr (std::is_same_v<T, IntTrack>) {
          PutU32(out, static_cast<std::uint32_t>(v.Value(0)));
        } else if constexpr (std::is_same_v<T, ColorTrack>) {
          const Color c = v.Value(0);
          for (int i = 0; i < 3; ++i) PutF32(out, c[i]);
        } else if constexpr (std::is_same_v<T, Point3Track>) {
          const Point3 p = v.Value(0);
          for (int i = 0; i < 3; ++i) PutF32(out, p[i]);
        } else if constexpr (std::is_same_v<T, std::string>) {
          PutString(out, v);
        } else if constexpr (std::is_same_v<T, PBBitmap>) {
          PutString(out, v.fileName);
        } else {
          out.push_back(v ? 1 : 0);
        }
      },
      e);
}

class ParamReader {
 public:
  ParamReader(ILoad& iload, LoadedParam& out) : iload_(iload), out_(out) {}

  IOResult Read() {
    IOResult r;
    while ((r = iload_.OpenChunk()) == IO_OK) {
      IOResult step = IO_OK;
      switch (iload_.CurChunkID()) {
        case kHeadChunk: step = ReadHead(); break;
        case kValuesChunk: step = ReadValues(); break;
        case kTrackChunk: step = ReadTrack(); break;
        default: break;
      }
      if (step != IO_OK) return IO_ERROR;
      if (iload_.CloseChunk() != IO_OK) return IO_ERROR;
    }
    if (r == IO_ERROR) return IO_ERROR;
    // Rule 6: a parameter has its head and its values.
    if (!haveHead_) return Fail("a parameter chunk without its head");
    if (!haveValues_) return Fail("no values");
    return IO_OK;
  }

 private:
  IOResult Fail(const std::string& why) {
    const std::string who = haveHead_ ? "parameter " + std::to_string(out_.def.id) : std::string("a parameter");
    iload_.SetError("parameter block: " + who + ": " + why);
    return IO_ERROR;
  }

  // Rule 1: one head, holding a known kind and unit; a plain parameter has one entry.
  IOResult ReadHead() {
    if (haveHead_) return Fail("two head chunks");
    std::uint8_t b[kHeadSize];
    if (iload_.CurChunkRemaining() < kHeadSize) return Fail("its head chunk is too short");
    std::size_t n = 0;
    if (iload_.Read(b, kHeadSize, &n) != IO_OK) return IO_ERROR;
    out_.def.id = static_cast<ParamID>(GetU16(b));
    haveHead_ = true;
    if (b[2] >= kParamKindCount) return Fail("unknown kind " + std::to_string(b[2]));
    if (b[3] >= kParamUnitCount) return Fail("unknown unit " + std::to_string(b[3]));
    out_.def.type.kind = static_cast<ParamKind>(b[2]);
    out_.def.type.unit = static_cast<ParamUnit>(b[3]);
    out_.def.type.table = (b[4] & kFlagTable) != 0;
    out_.def.animatable = (b[4] & kFlagAnimatable) != 0 && IsAnimatableKind(out_.def.type.kind);
    count_ = GetU32(b + 5);
    if (!out_.def.type.table && count_ != 1)
      return Fail("a plain parameter with " + std::to_string(count_) + " entries");
    return IO_OK;
  }

  // Rule 2: the values follow the head, once; the count must fit in the chunk
  // before anything is allocated for it; every value lies within the chunk.
  IOResult ReadValues() {
    if (!haveHead_) return Fail("values before the head");
    if (haveValues_) return Fail("two value chunks");
    const ParamKind kind = out_.def.type.kind;
    const std::size_t bytes = iload_.CurChunkRemaining();
    if (count_ > bytes / MinValueSize(kind))
      return Fail(std::to_string(count_) + " entries cannot fit in " + std::to_string(bytes) + " bytes");
    std::vector<std::uint8_t> data;
    if (!ReadAll(iload_, data)) return IO_ERROR;
    out_.entries.clear();
    out_.entries.reserve(count_);
    std::size_t at = 0;
    for (std::uint32_t i = 0; i < count_; ++i) {
      ParamEntry e = DefaultEntry(out_.def);
      if (!ParseValue(kind, data, at, e)) return Fail("entry " + std::to_string(i) + " is cut short or not a number");
      out_.entries.push_back(std::move(e));
    }
    haveValues_ = true;
    return IO_OK;
  }

  static bool ParseValue(ParamKind kind, const std::vector<std::uint8_t>& data, std::size_t& at, ParamEntry& e) {
    const std::size_t left = data.size() - at;
    const std::uint8_t* p = data.data() + at;
    switch (kind) {
      case ParamKind::Float: {
        if (left < 4 || !std::isfinite(GetF32(p))) return false;
        std::get<FloatTrack>(e).SetConstant(GetF32(p));
        at += 4;
        return true;
      }
      case ParamKind::Int:
      case ParamKind::Bool:
      case ParamKind::Time: {
        if (left < 4) return false;
        const int v = static_cast<int>(GetU32(p));
        std::get<IntTrack>(e).SetConstant(kind == ParamKind::Bool ? (v != 0 ? 1 : 0) : v);
        at += 4;
        return true;
      }
      case ParamKind::Color:
      case ParamKind::Point3: {
        if (left < 12) return false;
        const float x = GetF32(p), y = GetF32(p + 4), z = GetF32(p + 8);
        if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return false;
        if (kind == ParamKind::Color) std::get<ColorTrack>(e).SetConstant(Color(x, y, z));
        else std::get<Point3Track>(e).SetConstant(Point3(x, y, z));
        at += 12;
        return true;
      }
      case ParamKind::String:
      case ParamKind::Filename:
      case ParamKind::Bitmap: {
        const void* zero = left ? std::memchr(p, 0, left) : nullptr;
        if (!zero) return false;
        const std::size_t len = static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - p);
        std::string text(reinterpret_cast<const char*>(p), len);
        if (kind == ParamKind::Bitmap) e = PBBitmap{std::move(text)};
        else e = std::move(text);
        at += len + 1;
        return true;
      }
      case ParamKind::RefTarget:
        if (left < 1) return false;
        at += 1;
        return true;
    }
    return false;
  }

  // Rule 3: a track names an existing entry that holds numbers, and its keys
  // load as that entry's type.
  IOResult ReadTrack() {
    if (!haveValues_) return Fail("keys before the values");
    bool haveIndex = false, haveKeys = false;
    std::uint32_t index = 0;
    IOResult r;
    while ((r = iload_.OpenChunk()) == IO_OK) {
      if (iload_.CurChunkID() == kTrackIndexChunk) {
        std::uint8_t b[4];
        std::size_t n = 0;
        if (iload_.CurChunkRemaining() < 4 || iload_.Read(b, 4, &n) != IO_OK) return Fail("a short key index");
        index = GetU32(b);
        if (index >= out_.entries.size()) return Fail("keys for entry " + std::to_string(index) + ", which does not exist");
        haveIndex = true;
      } else if (iload_.CurChunkID() == kTrackKeysChunk) {
        if (!haveIndex) return Fail("keys without their entry index");
        if (LoadKeys(out_.entries[index]) != IO_OK) return IO_ERROR;  // the track said why
        haveKeys = true;
      }
      if (iload_.CloseChunk() != IO_OK) return IO_ERROR;
    }
    if (r == IO_ERROR) return IO_ERROR;
    if (!haveKeys) return Fail("a key chunk without keys");
    return IO_OK;
  }

  IOResult LoadKeys(ParamEntry& e) {
    return std::visit(
        [this](auto& v) {
          if constexpr (requires { v.Load(iload_); }) {
            std::decay_t<decltype(v)> loaded;
            if (loaded.Load(iload_) != IO_OK) return IO_ERROR;
            if (out_.def.type.kind == ParamKind::Bool) loaded.SetInterpolation(Interpolation::Constant);
            v = std::move(loaded);
            return IO_OK;
          } else {
            iload_.SetError("this entry cannot hold keys");
            return IO_ERROR;
          }
        },
        e);
  }

  ILoad& iload_;
  LoadedParam& out_;
  std::uint32_t count_ = 0;
  bool haveHead_ = false;
  bool haveValues_ = false;
};

}  // namespace

IOResult SaveParam(ISave& isave, const ParamDef& def, const ParamEntries& entries) {
  IOResult result = IO_OK;
  auto keep = [&result](IOResult r) {
    if (result == IO_OK) result = r;
  };
  isave.BeginChunk(kParamChunk);

  std::vector<std::uint8_t> bytes;
  PutU16(bytes, static_cast<std::uint16_t>(def.id));
  bytes.push_back(static_cast<std::uint8_t>(def.type.kind));
  bytes.push_back(static_cast<std::uint8_t>(def.type.unit));
  bytes.push_back(static_cast<std::uint8_t>((def.type.table ? kFlagTable : 0) | (def.animatable ? kFlagAnimatable : 0)));
  PutU32(bytes, static_cast<std::uint32_t>(entries.size()));
  isave.BeginChunk(kHeadChunk);
  keep(WriteBytes(isave, bytes));
  isave.EndChunk();

  bytes.clear();
  for (const ParamEntry& e : entries) PutEntry(bytes, e);
  isave.BeginChunk(kValuesChunk);
  keep(WriteBytes(isave, bytes));
  isave.EndChunk();

  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (!EntryAnimated(entries[i])) continue;
    isave.BeginChunk(kTrackChunk);
    keep(isave.WriteChunk(kTrackIndexChunk, static_cast<std::uint32_t>(i)));
    isave.BeginChunk(kTrackKeysChunk);
    std::visit(
        [&](const auto& v) {
          if constexpr (requires { v.Save(isave); }) keep(v.Save(isave));
        },
        entries[i]);
    isave.EndChunk();
    isave.EndChunk();
  }

  isave.EndChunk();
  return result;
}

IOResult LoadParam(ILoad& iload, LoadedParam& out) { return ParamReader(iload, out).Read(); }

// ---- IParamBlock2 -----------------------------------------------------------

IOResult IParamBlock2::Save(ISave* isave) {
  if (!isave) return IO_ERROR;
  if (!desc_) return IO_OK;  // an empty block saves as nothing and loads back empty
  std::vector<std::uint8_t> bytes;
  PutU32(bytes, desc_->OwnerSuperClassID());
  PutU32(bytes, desc_->OwnerClassID().a);
  PutU32(bytes, desc_->OwnerClassID().b);
  PutU16(bytes, static_cast<std::uint16_t>(desc_->ID()));
  isave->BeginChunk(kBlockChunk);
  IOResult result = WriteBytes(*isave, bytes);
  isave->EndChunk();
  for (int i = 0; i < desc_->Count(); ++i) {
    IOResult r = SaveParam(*isave, desc_->Param(i), store_.params[static_cast<std::size_t>(i)]);
    if (result == IO_OK) result = r;
  }
  return result;
}

IOResult IParamBlock2::Load(ILoad* iload) {
  if (!iload) return IO_ERROR;
  bool haveBlock = false;
  std::uint32_t ownerSuper = 0, ownerA = 0, ownerB = 0;
  BlockID blockId = 0;
  std::vector<LoadedParam> loaded;
  IOResult r;
  while ((r = iload->OpenChunk()) == IO_OK) {
    switch (iload->CurChunkID()) {
      case kBlockChunk: {
        std::uint8_t b[kBlockSize];
        std::size_t n = 0;
        if (iload->CurChunkRemaining() < kBlockSize || iload->Read(b, kBlockSize, &n) != IO_OK) {
          iload->SetError("parameter block: its header chunk is too short");
          return IO_ERROR;
        }
        ownerSuper = GetU32(b);
        ownerA = GetU32(b + 4);
        ownerB = GetU32(b + 8);
        blockId = static_cast<BlockID>(GetU16(b + 12));
        haveBlock = true;
        break;
      }
      case kParamChunk: {
        LoadedParam param;
        if (LoadParam(*iload, param) != IO_OK) return IO_ERROR;
        loaded.push_back(std::move(param));
        break;
      }
      default:
        break;
    }
    if (iload->CloseChunk() != IO_OK) return IO_ERROR;
  }
  if (r == IO_ERROR) return IO_ERROR;
  if (!haveBlock) {
    if (loaded.empty()) return IO_OK;
    iload->SetError("parameter block: parameters without the block's header");
    return IO_ERROR;
  }

  const ParamBlockDesc2* desc = ParamBlockDesc2::Find(ownerSuper, Class_ID(ownerA, ownerB), blockId);
  if (!desc) {
    iload->SetError("parameter block " + std::to_string(blockId) + " of class (" + Hex(ownerA) + ", " + Hex(ownerB) +
                    ") with super class " + Hex(ownerSuper) +
                    ": no descriptor is registered for it (the class that owns it is missing)");
    return IO_ERROR;
  }
  ReleaseAllRefs();
  desc_ = desc;
  store_.Reset(Defs());

  // Parameters are matched by id, so a descriptor that gained or dropped
  // parameters since the file was written still loads: new ones keep their
  // defaults, dropped ones are skipped, and one whose kind changed keeps the
  // value when it converts (int to float and the like), else its default.
  for (const LoadedParam& param : loaded) {
    const int index = desc_->IdToIndex(param.def.id);
    if (index < 0) continue;
    const ParamDef& def = desc_->Param(index);
    if (def.type.table != param.def.type.table) continue;
    ParamEntries entries;
    entries.reserve(param.entries.size());
    for (const ParamEntry& e : param.entries) {
      ParamEntry converted;
      if (!ConvertEntry(e, def.type.kind, converted)) break;
      if (!def.animatable) RemoveEntryAnimation(converted, 0);
      entries.push_back(std::move(converted));
    }
    if (entries.size() == param.entries.size()) store_.params[static_cast<std::size_t>(index)] = std::move(entries);
  }
  return IO_OK;
}

}  // namespace host
