// Vector file formats: the registry of formats and the user's options for each.
//
// Formats are found by index (the index is what the renderer settings save)
// or by name. Every format's descriptor creates the options record the
// settings keep for it; a record saves itself as chunks so it travels with the
// scene, and copies itself when the renderer is duplicated.
//
// An options record is a version word followed by 32-bit switches. Each
// switch has a name (what `--set` and scene files use), a range of accepted
// values, and a chunk: chunk 0 holds the version as 16 bits, chunk k (k >= 1)
// the k-th field as 32 bits, the version word first.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "host/io/chunk_io.h"

namespace pw {

// The formats in registry order; the value is the saved format index.
enum class PwVectorFormatId : int { Illustrator = 0, Dxf = 1, Swf = 2 };
inline constexpr int kVectorFormatCount = 3;

// One saved 32-bit field of an options record.
struct PwVectorOptionField {
  const char* name;    // lowerCamelCase, unique within the record
  std::int32_t min;    // accepted values, inclusive
  std::int32_t max;
  bool isSwitch;       // a boolean: any non-zero value in a file reads as on
  bool userSettable;   // false for the version word, which only files set
};

class PwVectorFormatParams {
 public:
  PwVectorFormatParams() = default;
  PwVectorFormatParams(const PwVectorFormatParams&) = default;
  PwVectorFormatParams& operator=(const PwVectorFormatParams&) = delete;
  virtual ~PwVectorFormatParams() = default;

  virtual PwVectorFormatId Format() const = 0;
  virtual std::unique_ptr<PwVectorFormatParams> Clone() const = 0;

  // The saved fields in chunk order (chunk id = position + 1), the version first.
  virtual std::span<const PwVectorOptionField> Fields() const = 0;
  virtual std::int32_t Get(int field) const = 0;
  // Stores v in the field; false (nothing changed) for an unknown field or a
  // value outside the field's range.
  bool Set(int field, std::int32_t v);

  // Index of the named field, or -1.
  int FindField(std::string_view name) const;
  // "version, colorMode, lines, ..." for messages that list the choices.
  std::string FieldNames(bool settableOnly) const;

  // Chunk 0 (16-bit version), then chunks 1..n (32-bit fields).
  host::IOResult Save(host::ISave* isave) const;
  // Reads the chunks of the current level in any order; unknown chunks are
  // skipped. A short chunk or a value outside a field's range ends the load
  // with IO_ERROR and a message in iload->SetError; the record then holds the
  // fields read so far.
  host::IOResult Load(host::ILoad* iload);

  friend bool operator==(const PwVectorFormatParams& a, const PwVectorFormatParams& b);

 protected:
  // Stores a value already known to be in range.
  virtual void Store(int field, std::int32_t v) = 0;
};

// What the program knows about one format.
class PwVectorFormatDesc {
 public:
  virtual ~PwVectorFormatDesc() = default;
  // A new options record holding the format's defaults.
  virtual std::unique_ptr<PwVectorFormatParams> CreateParams() const = 0;
  // What users see, e.g. "Autocad DXF"; also the exact name FindVectorFormat matches.
  virtual std::string_view Name() const = 0;
  // File-dialog pattern list, e.g. "*.ai,*.ai3".
  virtual std::string_view Extensions() const = 0;
  virtual PwVectorFormatId Id() const = 0;
};

// The descriptor at a registry index, or null when the index is out of range.
const PwVectorFormatDesc* GetVectorFormatDesc(int index);
// The index of the format with exactly this name, or -1.
int FindVectorFormat(std::string_view name);
// The index of the format that lists this file extension ("ai", ".DXF"; any
// letter case), or -1.
int FindVectorFormatByExtension(std::string_view extension);
// Fresh default options of the format at index, or null when out of range.
std::unique_ptr<PwVectorFormatParams> CreateVectorFormatParams(int index);

}  // namespace pw
