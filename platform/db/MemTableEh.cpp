#include "platform/db/MemTableEh.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

#include "platform/db/FieldText.h"

TMemTableEh::TMemTableEh(TComponent* owner) : TDataSet(owner) { RegisterDBClasses(); }

TMemTableEh::~TMemTableEh() = default;

void TMemTableEh::ClearStorage() {
  FCells.clear();
  FStatus.clear();
  FDeleted.clear();
  FText.clear();
  FRecordCount = 0;
}

void TMemTableEh::InternalOpen() {
  ClearStorage();
  FWidth = FieldCount();
}

void TMemTableEh::InternalClose() {
  ClearStorage();
  FCells.release();
  FText.release();
}

namespace {
// Upper bounds of what a hint sets aside (64 MiB of cells, 256 MiB of text); a larger load
// still grows past them as it goes.
constexpr std::size_t kMaxReservedCells = std::size_t(1) << 22;
constexpr std::size_t kMaxReservedText = std::size_t(1) << 28;
}  // namespace

void TMemTableEh::ReserveRecords(int count) {
  const int width = Active() ? FWidth : std::max(FieldCount(), FieldDefs()->Count());
  if (count <= 0 || width <= 0) return;
  const std::size_t w = std::size_t(width);
  const std::size_t records = std::min(std::size_t(count), kMaxReservedCells / w);
  try {
    FCells.reserve(records * w);
    FStatus.reserve(records);
  } catch (const std::bad_alloc&) {
    // Only a hint: the load grows the storage as it would have anyway.
  }
}

void TMemTableEh::ReserveText(std::size_t bytes) {
  try {
    FText.reserve(std::min(bytes, kMaxReservedText));
  } catch (const std::bad_alloc&) {
    // Only a hint, as above.
  }
}

void TMemTableEh::StoreCellText(TFieldCell& cell, std::string_view text) {
  // Offsets are 32-bit: refuse to grow past them instead of wrapping.
  if (FText.size() + text.size() > std::numeric_limits<uint32_t>::max())
    DatabaseError("The memory table's text store is full", this);
  cell.S.Off = uint32_t(FText.size());
  cell.S.Len = uint32_t(text.size());
  FText.append(text.data(), text.size());
}

void TMemTableEh::InternalInsertRecord(int row, const TFieldCell* cells) {
  const std::size_t w = std::size_t(FWidth);
  const uint8_t status = FCachedUpdates && !FLoading ? uint8_t(usInserted) : uint8_t(usUnmodified);
  if (row >= FRecordCount) {
    const std::size_t used = FCells.size();
    if (used + w > FCells.capacity()) FCells.reserve(std::max(used * 2, w * 1024));
    FCells.append(cells, w);
    FStatus.push_back(status);
  } else {
    FCells.insert(std::size_t(row) * w, cells, w);
    FStatus.insert(FStatus.begin() + row, status);
  }
  ++FRecordCount;
}

void TMemTableEh::InternalUpdateRecord(int row, const TFieldCell* cells) {
  const std::size_t w = std::size_t(FWidth);
  std::copy(cells, cells + w, FCells.data() + std::size_t(row) * w);
  if (FCachedUpdates && FStatus[std::size_t(row)] == usUnmodified) FStatus[std::size_t(row)] = usModified;
}

void TMemTableEh::InternalDeleteRecord(int row) {
  const std::size_t w = std::size_t(FWidth);
  const TFieldCell* first = FCells.data() + std::size_t(row) * w;
  // Text of a deleted record stays in the store, so its change record stays readable.
  if (FCachedUpdates && FStatus[std::size_t(row)] != usInserted) FDeleted.insert(FDeleted.end(), first, first + w);
  FCells.erase(std::size_t(row) * w, w);
  FStatus.erase(FStatus.begin() + row);
  --FRecordCount;
}

TUpdateStatus TMemTableEh::UpdateStatus() const {
  if (State() == dsInsert) return usInserted;
  const int row = CurrentRow();
  if (!Active() || row < 0) return usUnmodified;
  return TUpdateStatus(FStatus[std::size_t(row)]);
}

void TMemTableEh::CommitUpdates() {
  std::fill(FStatus.begin(), FStatus.end(), uint8_t(usUnmodified));
  FDeleted.clear();
}

void TMemTableEh::CreateDataSet() {
  if (Active()) Close();
  if (FieldDefs()->Count() == 0 && FieldCount() == 0)
    DatabaseError("Cannot create a dataset without field definitions", this);
  if (FieldDefs()->Count() > 0) {
    // Validate before tearing the old fields down, so a bad definition changes nothing.
    for (int i = 0; i < FieldDefs()->Count(); ++i) {
      const TFieldDef* def = FieldDefs()->Items(i);
      if (!FieldClassOf(def->DataType()))
        DatabaseError(Format("Field '%s' is of an unknown type", {def->Name()}), this);
    }
    DestroyFields();
    CreateFields();
  }
  Open();
}

void TMemTableEh::EmptyTable() {
  if (State() == dsEdit || State() == dsInsert) Cancel();
  ClearStorage();
  if (Active()) Resync();
}

// ---- bulk paths ------------------------------------------------------------------------------

namespace {

// Converts V into CELL the way field assignment would (no events, no state checks).
void VariantToCell(TField* field, const Variant& v, TFieldCell& cell, TMemTableEh* table) {
  if (v.IsNullOrEmpty()) {
    cell = TFieldCell();
    return;
  }
  const TFieldType type = field->DataType();
  switch (type) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftMemo:
    case ftFmtMemo: {
      const AnsiString s = v.AsString();
      table->StoreCellText(cell, kvdb::ClipText(s, field->Size()));
      break;
    }
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
      cell.I = v.VarType() == varString ? kvdb::ParseInteger(v.AsString(), type) : v.AsInt64();
      kvdb::CheckIntegerRange(cell.I, type, field->DisplayName());
      break;
    case ftFloat:
    case ftCurrency:
    case ftBCD: cell.D = v.VarType() == varString ? kvdb::ParseFloat(v.AsString()) : v.AsDouble(); break;
    case ftBoolean: cell.I = (v.VarType() == varString ? kvdb::ParseBoolean(v.AsString()) : v.AsBoolean()) ? 1 : 0; break;
    case ftDate:
    case ftTime:
    case ftDateTime: {
      const double d = v.VarType() == varString ? kvdb::ParseDate(v.AsString()) : v.AsDateTime();
      cell.D = type == ftDate ? kvdb::WholeDays(d) : d;
      break;
    }
    default: DatabaseError(Format("Field '%s' is of an unknown type", {field->FieldName()}), table);
  }
  cell.Null = false;
}

enum class CellKind { text, integer, floating, boolean, date, other };

CellKind KindOf(TFieldType t) {
  switch (t) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftMemo:
    case ftFmtMemo: return CellKind::text;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint: return CellKind::integer;
    case ftFloat:
    case ftCurrency:
    case ftBCD: return CellKind::floating;
    case ftBoolean: return CellKind::boolean;
    case ftDate:
    case ftTime:
    case ftDateTime: return CellKind::date;
    default: return CellKind::other;
  }
}

}  // namespace

void TMemTableEh::AppendVariants(const Variant* values, std::size_t count) {
  CheckActive();
  CheckCanModify();
  CheckBrowseMode();
  const int width = FieldCount();
  std::vector<TFieldCell> cells(static_cast<std::size_t>(width));
  for (int i = 0; i < width && std::size_t(i) < count; ++i)
    VariantToCell(Fields()[i], values[i], cells[std::size_t(i)], this);
  for (int i = 0; i < width; ++i) {
    TField* f = Fields()[i];
    if (f->Required() && cells[std::size_t(i)].Null)
      DatabaseError(Format("Field '%s' must have a value", {f->DisplayName()}));
  }
  InternalInsertRecord(FRecordCount, cells.data());
  SetCurrentRow(FRecordCount - 1);
  DataEvent(deDataSetChange);
}

void TMemTableEh::AppendRecord(std::initializer_list<Variant> values) {
  AppendVariants(values.begin(), values.size());
}

void TMemTableEh::AppendRecord(const std::vector<Variant>& values) {
  AppendVariants(values.data(), values.size());
}

void TMemTableEh::LoadFromMemTable(TMemTableEh* source, int count, bool /*markInserted*/, int& loaded) {
  const int width = FieldCount();
  // For each of our columns: the source column of the same name, or -1.
  std::vector<int> map(static_cast<std::size_t>(width), -1);
  std::vector<bool> direct(static_cast<std::size_t>(width), false);
  for (int i = 0; i < width; ++i) {
    TField* mine = Fields()[i];
    if (TField* theirs = source->FindField(mine->FieldName())) {
      map[std::size_t(i)] = theirs->Index();
      // Same kind of cell and no narrower range or length: copy as it stands.
      const bool sameKind = KindOf(mine->DataType()) == KindOf(theirs->DataType());
      const bool narrower = (KindOf(mine->DataType()) == CellKind::integer && mine->DataType() != ftLargeint &&
                             mine->DataType() != theirs->DataType()) ||
                            (KindOf(mine->DataType()) == CellKind::text && mine->Size() > 0 &&
                             (theirs->Size() == 0 || theirs->Size() > mine->Size())) ||
                            (mine->DataType() == ftDate && theirs->DataType() != ftDate);
      direct[std::size_t(i)] = sameKind && !narrower && KindOf(mine->DataType()) != CellKind::other;
    }
  }
  const int first = std::max(0, source->CurrentRow());
  const int available = source->InternalRecordCount() - first;
  const int n = count < 0 ? available : std::min(count, available);
  if (n <= 0) return;
  const std::size_t w = std::size_t(width);
  FCells.reserve(FCells.size() + std::size_t(n) * w);
  std::vector<TFieldCell> cells(w);
  for (int r = 0; r < n; ++r) {
    const TFieldCell* src = source->InternalRecord(first + r);
    for (std::size_t i = 0; i < w; ++i) {
      TFieldCell& c = cells[i];
      const int from = map[i];
      if (from < 0 || src[from].Null) {
        c = TFieldCell();
        continue;
      }
      if (direct[i]) {
        c = src[from];
        if (KindOf(Fields()[int(i)]->DataType()) == CellKind::text) StoreCellText(c, source->CellText(src[from]));
      } else {
        // Different kinds: convert through the value, as field assignment would.
        TField* theirs = source->Fields()[from];
        Variant v;
        switch (KindOf(theirs->DataType())) {
          case CellKind::text: v = Variant(AnsiString(source->CellText(src[from]))); break;
          case CellKind::integer: v = Variant(int64_t(src[from].I)); break;
          case CellKind::floating: v = Variant(src[from].D); break;
          case CellKind::boolean: v = Variant(src[from].I != 0); break;
          case CellKind::date: v = Variant::FromDate(src[from].D); break;
          case CellKind::other: break;
        }
        VariantToCell(Fields()[int(i)], v, c, this);
      }
    }
    InternalInsertRecord(FRecordCount, cells.data());
    ++loaded;
  }
  // The source ends after the last record read.
  source->SetCurrentRow(first + n - 1);
  source->MoveBy(1);
}

int TMemTableEh::LoadFromDataSet(TDataSet* source, int count, TLoadMode mode, bool useCachedUpdates) {
  if (!source) DatabaseError("No source dataset to load from", this);
  if (source == this) DatabaseError("A memory table cannot load from itself", this);
  source->CheckActive();
  if (!Active()) {
    if (FieldCount() == 0 && FieldDefs()->Count() == 0) {
      // Without a structure of its own the table takes the source's.
      for (int i = 0; i < source->FieldCount(); ++i) {
        TField* f = source->Fields()[i];
        FieldDefs()->Add(f->FieldName(), f->DataType(), f->Size(), false);
      }
    }
    if (FieldDefs()->Count() > 0 && FieldCount() == 0) CreateDataSet();
    else Open();
  }
  CheckBrowseMode();
  source->CheckBrowseMode();
  if (mode == lmCopy) EmptyTable();
  int loaded = 0;
  FLoading = !useCachedUpdates;
  try {
    if (auto* mem = dynamic_cast<TMemTableEh*>(source)) {
      LoadFromMemTable(mem, count, useCachedUpdates, loaded);
    } else {
      const int width = FieldCount();
      std::vector<TField*> from(static_cast<std::size_t>(width));
      for (int i = 0; i < width; ++i) from[std::size_t(i)] = source->FindField(Fields()[i]->FieldName());
      std::vector<TFieldCell> cells(static_cast<std::size_t>(width));
      while (!source->Eof() && (count < 0 || loaded < count)) {
        for (int i = 0; i < width; ++i) {
          TField* f = from[std::size_t(i)];
          if (f) VariantToCell(Fields()[i], f->AsVariant(), cells[std::size_t(i)], this);
          else cells[std::size_t(i)] = TFieldCell();
        }
        InternalInsertRecord(FRecordCount, cells.data());
        ++loaded;
        source->Next();
      }
    }
  } catch (...) {
    FLoading = false;
    Resync();
    throw;
  }
  FLoading = false;
  Resync();
  return loaded;
}

// ---- publishing and registration --------------------------------------------------------

void TMemTableEh::Publish(TPublisher<TMemTableEh>& p) {
  p.Property("Active", &TDataSet::Active, &TDataSet::SetActive).Default(false);
  p.Property("CachedUpdates", &TMemTableEh::CachedUpdates, &TMemTableEh::SetCachedUpdates).Default(false);
  p.Property("FieldDefs", &TDataSet::FieldDefs, &TDataSet::SetFieldDefs)
      .Stored(&TMemTableEh::StoreDefs);
  p.Property("ReadOnly", &TDataSet::ReadOnly, &TDataSet::SetReadOnly).Default(false);
  p.Property("StoreDefs", &TMemTableEh::StoreDefs, &TMemTableEh::SetStoreDefs).Default(false);
  p.Property("BeforeOpen", &TDataSet::BeforeOpen);
  p.Property("AfterOpen", &TDataSet::AfterOpen);
  p.Property("BeforeClose", &TDataSet::BeforeClose);
  p.Property("AfterClose", &TDataSet::AfterClose);
  p.Property("BeforeInsert", &TDataSet::BeforeInsert);
  p.Property("AfterInsert", &TDataSet::AfterInsert);
  p.Property("BeforeEdit", &TDataSet::BeforeEdit);
  p.Property("AfterEdit", &TDataSet::AfterEdit);
  p.Property("BeforePost", &TDataSet::BeforePost);
  p.Property("AfterPost", &TDataSet::AfterPost);
  p.Property("BeforeCancel", &TDataSet::BeforeCancel);
  p.Property("AfterCancel", &TDataSet::AfterCancel);
  p.Property("BeforeDelete", &TDataSet::BeforeDelete);
  p.Property("AfterDelete", &TDataSet::AfterDelete);
  p.Property("BeforeScroll", &TDataSet::BeforeScroll);
  p.Property("AfterScroll", &TDataSet::AfterScroll);
  p.Property("OnNewRecord", &TDataSet::OnNewRecord);
  p.Property("KvTableName", &TMemTableEh::KvTableName, &TMemTableEh::SetKvTableName);
  p.Property("FKName", &TMemTableEh::FKName, &TMemTableEh::SetFKName);
  p.Property("PKName", &TMemTableEh::PKName, &TMemTableEh::SetPKName);
}

void RegisterDBClasses() {
  static const bool once = [] {
    RegisterClasses({TMemTableEh::StaticClass(), TDataSource::StaticClass(), TStringField::StaticClass(),
                     TSmallintField::StaticClass(), TIntegerField::StaticClass(), TLargeintField::StaticClass(),
                     TFloatField::StaticClass(), TDateField::StaticClass(), TDateTimeField::StaticClass(),
                     TBooleanField::StaticClass()});
    return true;
  }();
  (void)once;
}

namespace {
// Registration when this unit is linked in, so form resources find the classes before any
// table exists.
const bool kRegistered = (RegisterDBClasses(), true);
}  // namespace
