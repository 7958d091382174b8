#include "vector/vector_format.h"

#include <array>
#include <cctype>

#include "vector/vector_params_ai.h"
#include "vector/vector_params_dxf.h"
#include "vector/vector_params_swf.h"

namespace pw {

// ---- Options records --------------------------------------------------------

bool PwVectorFormatParams::Set(int field, std::int32_t v) {
  const auto fields = Fields();
  if (field < 0 || static_cast<std::size_t>(field) >= fields.size()) return false;
  const PwVectorOptionField& f = fields[static_cast<std::size_t>(field)];
  if (v < f.min || v > f.max) return false;
  Store(field, v);
  return true;
}

int PwVectorFormatParams::FindField(std::string_view name) const {
  const auto fields = Fields();
  for (std::size_t i = 0; i < fields.size(); ++i)
    if (name == fields[i].name) return static_cast<int>(i);
  return -1;
}

std::string PwVectorFormatParams::FieldNames(bool settableOnly) const {
  std::string names;
  for (const PwVectorOptionField& f : Fields()) {
    if (settableOnly && !f.userSettable) continue;
    if (!names.empty()) names += ", ";
    names += f.name;
  }
  return names;
}

host::IOResult PwVectorFormatParams::Save(host::ISave* isave) const {
  // The version fits 16 bits for every record version there has been.
  const auto version16 = static_cast<std::uint16_t>(Get(0));
  if (isave->WriteChunk<std::uint16_t>(0, version16) != host::IO_OK) return host::IO_ERROR;
  const int n = static_cast<int>(Fields().size());
  for (int i = 0; i < n; ++i) {
    if (isave->WriteChunk<std::int32_t>(static_cast<std::uint16_t>(i + 1), Get(i)) != host::IO_OK)
      return host::IO_ERROR;
  }
  return host::IO_OK;
}

namespace {

const char* FormatWord(PwVectorFormatId id) {
  switch (id) {
    case PwVectorFormatId::Illustrator: return "Illustrator";
    case PwVectorFormatId::Dxf: return "DXF";
    case PwVectorFormatId::Swf: return "SWF";
  }
  return "vector";
}

}  // namespace

host::IOResult PwVectorFormatParams::Load(host::ILoad* iload) {
  const auto fields = Fields();
  for (;;) {
    const host::IOResult open = iload->OpenChunk();
    if (open == host::IO_END) return host::IO_OK;
    if (open != host::IO_OK) return host::IO_ERROR;
    const std::uint16_t id = iload->CurChunkID();
    // Chunk 0 repeats the version that chunk 1 holds in full; chunks past the
    // known fields come from a later version and are skipped.
    if (id >= 1 && id <= fields.size()) {
      const int field = id - 1;
      const PwVectorOptionField& f = fields[static_cast<std::size_t>(field)];
      std::int32_t v = 0;
      if (iload->CurChunkIsContainer()) {
        iload->SetError(std::string(FormatWord(Format())) + " option " + f.name + " (chunk " + std::to_string(id) +
                        ") holds chunks instead of a value");
        return host::IO_ERROR;
      }
      if (iload->ReadValue(&v) != host::IO_OK) return host::IO_ERROR;
      if (f.isSwitch) v = v != 0 ? 1 : 0;
      if (v < f.min || v > f.max) {
        iload->SetError(std::string(FormatWord(Format())) + " option " + f.name + " holds " + std::to_string(v) +
                        ", outside " + std::to_string(f.min) + " to " + std::to_string(f.max));
        return host::IO_ERROR;
      }
      Store(field, v);
    }
    if (iload->CloseChunk() != host::IO_OK) return host::IO_ERROR;
  }
}

bool operator==(const PwVectorFormatParams& a, const PwVectorFormatParams& b) {
  if (a.Format() != b.Format()) return false;
  const int n = static_cast<int>(a.Fields().size());
  for (int i = 0; i < n; ++i)
    if (a.Get(i) != b.Get(i)) return false;
  return true;
}

// ---- Registry ---------------------------------------------------------------

namespace {

template <class Params>
class FormatDesc final : public PwVectorFormatDesc {
 public:
  FormatDesc(PwVectorFormatId id, std::string_view name, std::string_view extensions)
      : id_(id), name_(name), extensions_(extensions) {}
  std::unique_ptr<PwVectorFormatParams> CreateParams() const override { return std::make_unique<Params>(); }
  std::string_view Name() const override { return name_; }
  std::string_view Extensions() const override { return extensions_; }
  PwVectorFormatId Id() const override { return id_; }

 private:
  PwVectorFormatId id_;
  std::string_view name_;
  std::string_view extensions_;
};

// Built on first use, so other files' start-up code can already ask for formats.
const std::array<const PwVectorFormatDesc*, kVectorFormatCount>& Formats() {
  static const FormatDesc<PwVectorFormatParamsAI> illustrator(PwVectorFormatId::Illustrator,
                                                              "Adobe Illustrator AI", "*.ai,*.ai3");
  static const FormatDesc<PwVectorFormatParamsDXF> dxf(PwVectorFormatId::Dxf, "Autocad DXF", "*.dxf");
  static const FormatDesc<PwVectorFormatParamsSWF> swf(PwVectorFormatId::Swf, "Shockwave Flash SWF", "*.swf");
  static const std::array<const PwVectorFormatDesc*, kVectorFormatCount> formats{&illustrator, &dxf, &swf};
  return formats;
}

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

}  // namespace

const PwVectorFormatDesc* GetVectorFormatDesc(int index) {
  if (index < 0 || index >= kVectorFormatCount) return nullptr;
  return Formats()[static_cast<std::size_t>(index)];
}

int FindVectorFormat(std::string_view name) {
  for (int i = 0; i < kVectorFormatCount; ++i)
    if (Formats()[static_cast<std::size_t>(i)]->Name() == name) return i;
  return -1;
}

int FindVectorFormatByExtension(std::string_view extension) {
  if (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
  if (extension.empty()) return -1;
  for (int i = 0; i < kVectorFormatCount; ++i) {
    // The list reads "*.ai,*.ai3": patterns separated by commas.
    std::string_view list = Formats()[static_cast<std::size_t>(i)]->Extensions();
    while (!list.empty()) {
      const std::size_t comma = list.find(',');
      std::string_view pattern = list.substr(0, comma);
      list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
      if (pattern.starts_with("*.")) pattern.remove_prefix(2);
      if (SameLetters(pattern, extension)) return i;
    }
  }
  return -1;
}

std::unique_ptr<PwVectorFormatParams> CreateVectorFormatParams(int index) {
  const PwVectorFormatDesc* desc = GetVectorFormatDesc(index);
  return desc ? desc->CreateParams() : nullptr;
}

}  // namespace pw
