#include "painton/paint_on.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "host/scene/object_tri.h"
#include "plugin/class_ids.h"
#include "plugin/class_table.h"

namespace pw {

namespace {

float Clamp01(float v) { return std::isnan(v) ? 1.0f : std::clamp(v, 0.0f, 1.0f); }

}  // namespace

// ---- Local data ----------------------------------------------------------------

PwPaintOnData::Entry* PwPaintOnData::EntryFor(int vertexCount) {
  for (Entry& e : entries_)
    if (e.vertexCount == vertexCount) return &e;
  try {
    entries_.push_back(Entry{vertexCount, std::vector<float>(static_cast<std::size_t>(std::max(vertexCount, 0)), 1.0f)});
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return &entries_.back();
}

const PwPaintOnData::Entry* PwPaintOnData::FindEntry(int vertexCount) const {
  for (const Entry& e : entries_)
    if (e.vertexCount == vertexCount) return &e;
  return nullptr;
}

void PwPaintOnData::SetValues(std::span<const float> values) {
  Entry* e = EntryFor(static_cast<int>(values.size()));
  if (e) e->values.assign(values.begin(), values.end());
}

host::IOResult PwPaintOnData::Save(host::ISave* isave) const {
  isave->WriteChunk(kPaintOnDataChunkVersion, kPaintOnVersion);
  isave->BeginChunk(kPaintOnChunkValuesFirst);
  isave->WriteValue(static_cast<std::int32_t>(entries_.size()));
  for (const Entry& e : entries_) {
    isave->WriteValue(static_cast<std::int32_t>(e.vertexCount));
    isave->WriteValue(static_cast<std::int32_t>(e.values.size()));
    std::size_t written = 0;
    if (!e.values.empty()) isave->Write(e.values.data(), e.values.size() * sizeof(float), &written);
  }
  isave->EndChunk();
  return host::IO_OK;
}

host::IOResult PwPaintOnData::Load(host::ILoad* iload) {
  auto fail = [iload](const std::string& why) {
    iload->SetError("paint-on values: " + why);
    return host::IO_ERROR;
  };
  std::vector<Entry> read;
  host::IOResult r;
  while ((r = iload->OpenChunk()) == host::IO_OK) {
    const std::uint16_t id = iload->CurChunkID();
    if (id >= kPaintOnChunkValuesFirst && id <= kPaintOnChunkValuesLast) {
      std::int32_t count = 0;
      if (iload->ReadValue(&count) != host::IO_OK) return fail("the entry count is cut short");
      if (count < 0 || count > kMaxPaintOnEntries) return fail(std::to_string(count) + " entries is not believable");
      for (std::int32_t i = 0; i < count; ++i) {
        std::int32_t verts = 0, n = 0;
        if (iload->ReadValue(&verts) != host::IO_OK || iload->ReadValue(&n) != host::IO_OK)
          return fail("entry " + std::to_string(i) + " is cut short");
        // Checked against the bytes there are before anything is allocated.
        if (verts < 0 || n < 0 || static_cast<std::size_t>(n) > iload->CurChunkRemaining() / sizeof(float))
          return fail("entry " + std::to_string(i) + " claims more values than the file holds");
        Entry e;
        e.vertexCount = verts;
        e.values.resize(static_cast<std::size_t>(n));
        if (n > 0 && iload->Read(e.values.data(), e.values.size() * sizeof(float), nullptr) != host::IO_OK)
          return fail("entry " + std::to_string(i) + " is cut short");
        // An entry whose array does not match its count would be copied
        // into a mesh of that count: pad or cut it to fit.
        e.values.resize(static_cast<std::size_t>(verts), 1.0f);
        // The later of two entries for one count wins, as painting would.
        auto same = std::find_if(read.begin(), read.end(), [&](const Entry& x) { return x.vertexCount == verts; });
        if (same != read.end())
          *same = std::move(e);
        else
          read.push_back(std::move(e));
      }
    }
    if (iload->CloseChunk() != host::IO_OK) return fail("a chunk is damaged");
  }
  if (r == host::IO_ERROR) return fail("a chunk is damaged");
  entries_ = std::move(read);
  return host::IO_OK;
}

PwPaintOnData* PaintOnDataOf(host::ModContext& mc) {
  if (auto* d = dynamic_cast<PwPaintOnData*>(mc.localData)) return d;
  delete mc.localData;
  mc.localData = new PwPaintOnData();
  return static_cast<PwPaintOnData*>(mc.localData);
}

// ---- Modifier ----------------------------------------------------------------------

PwPaintOn::PwPaintOn(bool) {}

host::Class_ID PwPaintOn::ClassID() const { return PW_PAINT_ON_CLASS_ID; }

void PwPaintOn::SetPaintValue(float v) { paintValue_ = Clamp01(v); }

void PwPaintOn::ModifyObject(host::TimeValue t, host::ModContext& mc, host::ObjectState& os, host::INode*) {
  auto* tri = dynamic_cast<host::TriObject*>(os.obj);
  if (!tri && os.obj && os.obj->CanConvertToType(host::triObjectClassID)) {
    tri = dynamic_cast<host::TriObject*>(os.obj->ConvertToType(t, host::triObjectClassID));
    if (tri) os.obj = tri;
  }
  if (!tri) return;
  host::Mesh& mesh = tri->mesh;
  PwPaintOnData* data = PaintOnDataOf(mc);
  const PwPaintOnData::Entry* entry = data->EntryFor(mesh.getNumVerts());
  mesh.setVDataSupport(host::VDATA_ALPHA, false);
  if (!entry || !mesh.setVDataSupport(host::VDATA_ALPHA, true)) return;
  std::span<float> channel = mesh.vertexFloat(host::VDATA_ALPHA);
  std::copy_n(entry->values.begin(), std::min(channel.size(), entry->values.size()), channel.begin());
  os.validity &= host::Interval(t, t);
}

host::IOResult PwPaintOn::SaveLocalData(host::ISave* isave, host::LocalModData* ld) {
  auto* data = dynamic_cast<PwPaintOnData*>(ld);
  return data ? data->Save(isave) : host::IO_OK;
}

host::IOResult PwPaintOn::LoadLocalData(host::ILoad* iload, host::LocalModData** pld) {
  auto* data = new PwPaintOnData();
  if (data->Load(iload) != host::IO_OK) {
    delete data;
    return host::IO_ERROR;
  }
  *pld = data;
  return host::IO_OK;
}

host::ReferenceTarget* PwPaintOn::Clone(host::RemapDir& remap) {
  auto* copy = new PwPaintOn(true);
  copy->CopyModifierBase(*this);
  copy->paintValue_ = paintValue_;
  copy->frontOnly_ = frontOnly_;
  remap.AddEntry(this, copy);
  return copy;
}

host::IOResult PwPaintOn::Save(host::ISave* isave) {
  if (SaveHeader(isave) != host::IO_OK) return host::IO_ERROR;
  isave->WriteChunk(kPaintOnChunkVersion, kPaintOnVersion);
  return host::IO_OK;
}

host::IOResult PwPaintOn::Load(host::ILoad* iload) {
  host::IOResult r;
  while ((r = iload->OpenChunk()) == host::IO_OK) {
    // The version chunk's value has no use yet; any is accepted.
    if (iload->CurChunkID() == host::MODIFIER_HDR_CHUNK && LoadHeader(iload) != host::IO_OK) return host::IO_ERROR;
    if (iload->CloseChunk() != host::IO_OK) return host::IO_ERROR;
  }
  return r == host::IO_ERROR ? host::IO_ERROR : host::IO_OK;
}

bool RegisterPaintOnClass() { return PlugInClass<PwPaintOn>(PW_PAINT_ON_CLASS_ID); }

}  // namespace pw
