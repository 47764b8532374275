#include "platform/db/DB.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "platform/db/FieldText.h"
#include "platform/db/FieldWrite.h"

// ---- errors ----------------------------------------------------------------------------------

void DatabaseError(const AnsiString& message, const TComponent* component) {
  if (component && !component->Name().empty()) throw EDatabaseError(component->Name() + ": " + message);
  throw EDatabaseError(message);
}

namespace {
const char* const SNotEditing = "Dataset not in edit or insert mode";
const char* const SDataSetClosed = "Cannot perform this operation on a closed dataset";
const char* const SDataSetOpen = "Cannot perform this operation on an open dataset";
const char* const SDataSetEmpty = "Cannot perform this operation on an empty dataset";
const char* const SDataSetReadOnly = "Cannot modify a read-only dataset";

bool IsEditing(TDataSetState s) { return s == dsEdit || s == dsInsert; }
}  // namespace

// ---- field definitions ---------------------------------------------------------------------

void TFieldDef::Assign(TPersistent* source) {
  if (auto* def = dynamic_cast<TFieldDef*>(source)) {
    FName = def->FName;
    FDataType = def->FDataType;
    FSize = def->FSize;
    FRequired = def->FRequired;
    return;
  }
  TCollectionItem::Assign(source);
}

void TFieldDef::Publish(TPublisher<TFieldDef>& p) {
  p.Property("Name", &TFieldDef::Name, &TFieldDef::SetName);
  p.Property("DataType", &TFieldDef::DataType, &TFieldDef::SetDataType).Default(ftUnknown);
  p.Property("Size", &TFieldDef::Size, &TFieldDef::SetSize).Default(0);
  p.Property("Required", &TFieldDef::Required, &TFieldDef::SetRequired).Default(false);
}

int TFieldDefs::IndexOf(const AnsiString& name) const {
  for (int i = 0; i < Count(); ++i)
    if (SameText(Items(i)->Name(), name)) return i;
  return -1;
}

TFieldDef* TFieldDefs::Find(const AnsiString& name) const {
  const int i = IndexOf(name);
  return i < 0 ? nullptr : Items(i);
}

TFieldDef* TFieldDefs::Add(const AnsiString& name, TFieldType dataType, int size, bool required) {
  if (IndexOf(name) >= 0) DatabaseError(Format("Duplicate field name '%s'", {name}));
  TFieldDef* def = AddFieldDef();
  def->SetName(name);
  def->SetDataType(dataType);
  def->SetSize(size);
  def->SetRequired(required);
  return def;
}

// ---- fields ----------------------------------------------------------------------------------

TField::Kind TField::KindOf(TFieldType type) {
  switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint: return Kind::integer;
    case ftFloat:
    case ftCurrency:
    case ftBCD: return Kind::floating;
    case ftBoolean: return Kind::boolean;
    case ftDate:
    case ftTime:
    case ftDateTime: return Kind::date;
    default: return Kind::text;
  }
}

TField::TField(TComponent* owner) : TComponent(owner) {}

TField::TField(TComponent* owner, TFieldType dataType)
    : TComponent(owner), FDataType(dataType), FKind(KindOf(dataType)) {
  if (FKind == Kind::integer || FKind == Kind::floating) FAlignment = taRightJustify;
}

TField::~TField() {
  if (FDataSet) FDataSet->RemoveField(this);
}

void TField::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
}

void TField::SetDataSet(TDataSet* dataSet) {
  if (dataSet == FDataSet) return;
  if (FDataSet) {
    if (FDataSet->Active()) DatabaseError(SDataSetOpen, FDataSet);
    FDataSet->RemoveField(this);
  }
  if (dataSet) dataSet->AddField(this);
}

void TField::SetFieldName(const AnsiString& value) {
  if (FDataSet && FDataSet->Active()) DatabaseError(SDataSetOpen, FDataSet);
  FFieldName = value;
}

int TField::Index() const { return FDataSet ? FDataSet->FFields.IndexOf(this) : -1; }

void TField::SetIndex(int value) {
  if (!FDataSet) return;
  if (FDataSet->Active()) DatabaseError(SDataSetOpen, FDataSet);
  auto& list = FDataSet->FFields.FList;
  const int from = Index();
  value = std::clamp(value, 0, int(list.size()) - 1);
  if (from == value) return;
  list.erase(list.begin() + from);
  list.insert(list.begin() + value, this);
  FDataSet->BindFields();
  FDataSet->DataEvent(deLayoutChange);
}

void TField::SetRequired(bool value) {
  FRequired = value;
  if (value && FDataSet) FDataSet->FAnyRequired = true;
}

void TField::SetVisible(bool value) {
  if (FVisible == value) return;
  FVisible = value;
  if (FDataSet) FDataSet->DataEvent(deLayoutChange);
}

void TField::SetAlignment(TAlignment value) {
  if (FAlignment == value) return;
  FAlignment = value;
  if (FDataSet) FDataSet->DataEvent(deLayoutChange);
}

void TField::SetDisplayLabel(const AnsiString& value) {
  FDisplayLabel = value == FFieldName ? AnsiString() : value;
  if (FDataSet) FDataSet->DataEvent(deLayoutChange);
}

int TField::DisplayWidth() const {
  if (FDisplayWidth > 0) return FDisplayWidth;
  switch (FKind) {
    case Kind::text: return FSize > 0 ? FSize : 20;
    case Kind::boolean: return 5;
    default: return 10;
  }
}

void TField::SetDisplayWidth(int value) {
  FDisplayWidth = std::max(0, value);
  if (FDataSet) FDataSet->DataEvent(deLayoutChange);
}

TComponent* TField::GetParentComponent() const { return FDataSet; }

void TField::SetParentComponent(TComponent* parent) {
  if (auto* ds = dynamic_cast<TDataSet*>(parent)) SetDataSet(ds);
}

// Reading.

const TFieldCell* TField::ReadCell() const {
  if (!FDataSet) DatabaseError(Format("Field '%s' has no dataset", {DisplayName()}));
  if (!FDataSet->Active()) DatabaseError(SDataSetClosed, FDataSet);
  return FDataSet->ActiveCell(FFieldNo);
}

bool TField::IsNull() const {
  const TFieldCell* c = ReadCell();
  return !c || c->Null;
}

AnsiString TField::CellToString(const TFieldCell& c) const {
  switch (FKind) {
    case Kind::text: return AnsiString(FDataSet->CellText(c));
    case Kind::integer: return IntToStr(c.I);
    case Kind::floating: return FloatToStr(c.D);
    case Kind::boolean: return c.I ? "True" : "False";
    case Kind::date:
      if (FDataType == ftDate) return kvdb::DateText(c.D);
      if (FDataType == ftTime) return TimeToStr(c.D);
      return DateTimeToStr(c.D);
  }
  return {};
}

AnsiString TField::AsString() const {
  const TFieldCell* c = ReadCell();
  if (!c || c->Null) return {};
  return CellToString(*c);
}

void TField::CannotConvert(const char* to) const {
  throw EConvertError(Format("Cannot access field '%s' as type %s", {DisplayName(), to}));
}

int64_t TField::AsLargeInt() const {
  const TFieldCell* c = ReadCell();
  if (!c || c->Null) return 0;
  switch (FKind) {
    case Kind::text: return StrToInt64(AnsiString(FDataSet->CellText(*c)));
    case Kind::integer:
    case Kind::boolean: return c->I;
    case Kind::floating:
      if (!(std::fabs(c->D) < 9.2e18)) CannotConvert("Largeint");
      return Round(c->D);
    case Kind::date: CannotConvert("Largeint");
  }
  return 0;
}

int TField::AsInteger() const {
  const int64_t v = AsLargeInt();
  if (v < INT32_MIN || v > INT32_MAX) CannotConvert("Integer");
  return int(v);
}

double TField::AsFloat() const {
  const TFieldCell* c = ReadCell();
  if (!c || c->Null) return 0;
  switch (FKind) {
    case Kind::text: return StrToFloat(AnsiString(FDataSet->CellText(*c)));
    case Kind::integer: return double(c->I);
    case Kind::floating:
    case Kind::date: return c->D;
    case Kind::boolean: CannotConvert("Float");
  }
  return 0;
}

bool TField::AsBoolean() const {
  const TFieldCell* c = ReadCell();
  if (!c || c->Null) return false;
  switch (FKind) {
    case Kind::text: return StrToBool(AnsiString(FDataSet->CellText(*c)));
    case Kind::integer:
    case Kind::boolean: return c->I != 0;
    case Kind::floating:
    case Kind::date: CannotConvert("Boolean");
  }
  return false;
}

TDateTime TField::AsDateTime() const {
  const TFieldCell* c = ReadCell();
  if (!c || c->Null) return 0;
  switch (FKind) {
    case Kind::text: return kvdb::ParseDate(FDataSet->CellText(*c));
    case Kind::date:
    case Kind::floating: return c->D;
    case Kind::integer:
    case Kind::boolean: CannotConvert("DateTime");
  }
  return 0;
}

Variant TField::AsVariant() const {
  const TFieldCell* c = ReadCell();
  if (!c || c->Null) return Variant::Null();
  switch (FKind) {
    case Kind::text: return Variant(AnsiString(FDataSet->CellText(*c)));
    case Kind::integer: return FDataType == ftLargeint ? Variant(int64_t(c->I)) : Variant(int(c->I));
    case Kind::floating: return Variant(c->D);
    case Kind::boolean: return Variant(c->I != 0);
    case Kind::date: return Variant::FromDate(c->D);
  }
  return Variant::Null();
}

AnsiString TField::Text() const {
  if (OnGetText) {
    AnsiString text;
    OnGetText(const_cast<TField*>(this), text, false);
    return text;
  }
  return AsString();
}

AnsiString TField::DisplayText() const {
  if (OnGetText) {
    AnsiString text;
    OnGetText(const_cast<TField*>(this), text, true);
    return text;
  }
  return AsString();
}

// Writing.

void TField::WriteRefused() const {
  if (!FDataSet) DatabaseError(Format("Field '%s' has no dataset", {DisplayName()}));
  if (!IsEditing(FDataSet->FState)) DatabaseError(SNotEditing, FDataSet);
  DatabaseError(Format("Field '%s' cannot be modified", {DisplayName()}), FDataSet);
}

void TField::CheckRange(int64_t v) const { kvdb::CheckIntegerRange(v, FDataType, DisplayName()); }

void TField::StoreText(TFieldCell& cell, std::string_view text) {
  cell.Null = false;
  // Clipping walks the characters; most text is within the size and needs no walk.
  if (FSize > 0 && text.size() > std::size_t(FSize)) text = kvdb::ClipText(text, FSize);
  FDataSet->StoreCellText(cell, text);
}

// TField::StoreTextConverted is in FieldText.cpp, beside the converters it calls.

void TField::SetAsString(const AnsiString& value) { SetAsText(value); }

void TField::SetText(const AnsiString& value) {
  if (OnSetText) OnSetText(this, value);
  else SetAsString(value);
}

void TField::Clear() {
  Write([](TFieldCell& c) { c.Null = true; });
}

void TField::SetAsLargeInt(int64_t value) {
  switch (FKind) {
    case Kind::text: {
      const AnsiString s = IntToStr(value);
      Write([&](TFieldCell& c) { StoreText(c, s); });
      return;
    }
    case Kind::integer: CheckRange(value); break;
    case Kind::floating:
    case Kind::date: SetAsFloat(double(value)); return;
    case Kind::boolean: value = value != 0; break;
  }
  Write([&](TFieldCell& c) {
    c.I = value;
    c.Null = false;
  });
}

void TField::SetAsInteger(int value) { SetAsLargeInt(value); }

void TField::SetAsFloat(double value) {
  switch (FKind) {
    case Kind::text: {
      const AnsiString s = FloatToStr(value);
      Write([&](TFieldCell& c) { StoreText(c, s); });
      return;
    }
    case Kind::integer:
      if (!(std::fabs(value) < 9.2e18)) CannotConvert("Largeint");
      SetAsLargeInt(Round(value));
      return;
    case Kind::boolean: CannotConvert("Boolean");
    case Kind::date:
      if (FDataType == ftDate) value = kvdb::WholeDays(value);
      break;
    case Kind::floating: break;
  }
  Write([&](TFieldCell& c) {
    c.D = value;
    c.Null = false;
  });
}

void TField::SetAsBoolean(bool value) {
  switch (FKind) {
    case Kind::text: {
      const AnsiString s = value ? "True" : "False";
      Write([&](TFieldCell& c) { StoreText(c, s); });
      return;
    }
    case Kind::integer:
    case Kind::boolean: SetAsLargeInt(value ? 1 : 0); return;
    default: CannotConvert("Boolean");
  }
}

void TField::SetAsDateTime(TDateTime value) {
  switch (FKind) {
    case Kind::text: {
      const AnsiString s = FDataType == ftDate ? kvdb::DateText(value) : DateTimeToStr(value);
      Write([&](TFieldCell& c) { StoreText(c, s); });
      return;
    }
    case Kind::date:
    case Kind::floating: SetAsFloat(value); return;
    default: CannotConvert("DateTime");
  }
}

void TField::SetAsVariant(const Variant& v) {
  switch (v.VarType()) {
    case varEmpty:
    case varNull: Clear(); return;
    case varInteger:
    case varInt64: SetAsLargeInt(v.AsInt64()); return;
    case varDouble: SetAsFloat(v.AsDouble()); return;
    case varBoolean: SetAsBoolean(v.AsBoolean()); return;
    case varString: SetAsString(v.AsString()); return;
    case varDate: SetAsDateTime(v.AsDateTime()); return;
  }
}

void TField::Publish(TPublisher<TField>& p) {
  p.Property("Alignment", &TField::Alignment, &TField::SetAlignment).Default(taLeftJustify);
  p.Property("DisplayLabel", &TField::FDisplayLabel, &TField::SetDisplayLabel);
  p.Property("DisplayWidth", &TField::FDisplayWidth, &TField::SetDisplayWidth).Default(0);
  p.Property("FieldName", &TField::FieldName, &TField::SetFieldName);
  p.Property("ReadOnly", &TField::ReadOnly, &TField::SetReadOnly).Default(false);
  p.Property("Required", &TField::Required, &TField::SetRequired).Default(false);
  p.Property("Visible", &TField::Visible, &TField::SetVisible).Default(true);
  p.Property("OnChange", &TField::OnChange);
  p.Property("OnGetText", &TField::OnGetText);
  p.Property("OnSetText", &TField::OnSetText);
  p.Property("OnValidate", &TField::OnValidate);
  p.Property("IsKey", &TField::IsKey, &TField::SetIsKey).Default(false);
  p.Property("IsJoin", &TField::IsJoin, &TField::SetIsJoin).Default(false);
  p.Property("NotNull", &TField::NotNull, &TField::SetNotNull).Default(false);
}

void TStringField::Publish(TPublisher<TStringField>& p) {
  p.Property("Size", &TField::Size, &TField::SetSize).Default(20);
}

// Numbers are right-aligned unless the resource says otherwise.
void TIntegerField::Publish(TPublisher<TIntegerField>& p) {
  p.Property("Alignment", &TField::Alignment, &TField::SetAlignment).Default(taRightJustify);
}
void TSmallintField::Publish(TPublisher<TSmallintField>& p) {
  p.Property("Alignment", &TField::Alignment, &TField::SetAlignment).Default(taRightJustify);
}
void TLargeintField::Publish(TPublisher<TLargeintField>& p) {
  p.Property("Alignment", &TField::Alignment, &TField::SetAlignment).Default(taRightJustify);
}
void TFloatField::Publish(TPublisher<TFloatField>& p) {
  p.Property("Alignment", &TField::Alignment, &TField::SetAlignment).Default(taRightJustify);
}

TClass FieldClassOf(TFieldType type) {
  switch (type) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftMemo:
    case ftFmtMemo: return TStringField::StaticClass();
    case ftSmallint: return TSmallintField::StaticClass();
    case ftInteger:
    case ftWord:
    case ftAutoInc: return TIntegerField::StaticClass();
    case ftLargeint: return TLargeintField::StaticClass();
    case ftFloat:
    case ftCurrency:
    case ftBCD: return TFloatField::StaticClass();
    case ftDate: return TDateField::StaticClass();
    case ftTime:
    case ftDateTime: return TDateTimeField::StaticClass();
    case ftBoolean: return TBooleanField::StaticClass();
    default: return nullptr;
  }
}

void TFields::IndexError(int index) { throw EListError(Format("List index out of bounds (%d)", {index})); }

TField* TFields::FindField(const AnsiString& name) const {
  for (TField* f : FList)
    if (SameText(f->FieldName(), name)) return f;
  return nullptr;
}

int TFields::IndexOf(const TField* field) const {
  for (std::size_t i = 0; i < FList.size(); ++i)
    if (FList[i] == field) return int(i);
  return -1;
}

// ---- the dataset ---------------------------------------------------------------------------

TDataSet::TDataSet(TComponent* owner) : TComponent(owner), FFieldDefs(new TFieldDefs(this)) {}

TDataSet::~TDataSet() {
  for (TDataSource* s : FDataSources) s->FDataSet = nullptr;
  for (TField* f : FFields.FList) {
    f->FDataSet = nullptr;
    f->FFieldNo = -1;
  }
  delete FFieldDefs;
}

void TDataSet::BeforeDestruction() {
  // Storage goes while the whole object is alive; no events from a dying dataset.
  if (FState != dsInactive) {
    FState = dsInactive;
    FEditBuffer.clear();
    InternalClose();
  }
  TComponent::BeforeDestruction();
}

void TDataSet::ClosedError() const { DatabaseError(SDataSetClosed, this); }

void TDataSet::ReadOnlyError() const { DatabaseError(SDataSetReadOnly, this); }

void TDataSet::AddField(TField* field) {
  if (Active()) DatabaseError(SDataSetOpen, this);
  FFields.FList.push_back(field);
  field->FDataSet = this;
  BindFields();
}

void TDataSet::RemoveField(TField* field) {
  KV_CHECK(!Active() || ComponentState().Contains(csDestroying),
           "a field was freed while its dataset is open: close the dataset first");
  auto& list = FFields.FList;
  list.erase(std::remove(list.begin(), list.end(), field), list.end());
  field->FDataSet = nullptr;
  field->FFieldNo = -1;
  BindFields();
}

void TDataSet::BindFields() {
  for (std::size_t i = 0; i < FFields.FList.size(); ++i) FFields.FList[i]->FFieldNo = int(i);
}

void TDataSet::CreateFields() {
  // Check every definition first so that a bad one leaves no half-built field list.
  for (int i = 0; i < FFieldDefs->Count(); ++i) {
    const TFieldDef* def = FFieldDefs->Items(i);
    if (!FieldClassOf(def->DataType()))
      DatabaseError(Format("Field '%s' is of an unknown type", {def->Name()}), this);
    if (def->Name().empty()) DatabaseError("A field definition has no name", this);
  }
  for (int i = 0; i < FFieldDefs->Count(); ++i) {
    const TFieldDef* def = FFieldDefs->Items(i);
    if (FFields.FindField(def->Name())) continue;  // a persistent field of that name
    auto* field = static_cast<TField*>(FieldClassOf(def->DataType())->CreateInstance(this));
    field->SetFieldName(def->Name());
    field->SetSize(TField::KindOf(def->DataType()) == TField::Kind::text ? def->Size() : 0);
    field->SetRequired(def->Required());
    field->SetDataSet(this);
  }
}

void TDataSet::DestroyFields() {
  // Only the fields this dataset made; persistent fields belong to their owner.
  std::vector<TField*> own;
  for (TField* f : FFields.FList)
    if (f->Owner() == this) own.push_back(f);
  for (TField* f : own) {
    RemoveField(f);
    delete f;
  }
}

void TDataSet::OpenCursor() {
  if (FFields.Count() == 0 && FFieldDefs->Count() > 0) CreateFields();
  BindFields();
  InternalOpen();
  FEditBuffer.assign(std::size_t(FFields.Count()), TFieldCell());
  FAnyRequired = std::any_of(FFields.FList.begin(), FFields.FList.end(), [](TField* f) { return f->Required(); });
  FState = dsBrowse;
  SetCurrentRow(InternalRecordCount() > 0 ? 0 : -1);
  FBof = true;
  FEof = InternalRecordCount() == 0;
}

void TDataSet::Open() {
  if (Active()) return;
  BeforeOpen(this);
  OpenCursor();
  DataEvent(deUpdateState);
  AfterOpen(this);
}

void TDataSet::Close() {
  if (!Active()) return;
  BeforeClose(this);
  InternalClose();
  FState = dsInactive;
  FCurrent = -1;
  FBof = FEof = true;
  DataEvent(deUpdateState);
  AfterClose(this);
}

void TDataSet::SetActive(bool value) {
  if (ComponentState().Contains(csLoading)) {
    FStreamedActive = value;
    return;
  }
  if (value) Open();
  else Close();
}

void TDataSet::Loaded() {
  TComponent::Loaded();
  if (FStreamedActive) Open();
}

void TDataSet::SetState(TDataSetState value) {
  if (FState == value) return;
  FState = value;
  DataEvent(deUpdateState);
}


void TDataSet::Resync() {
  const int count = InternalRecordCount();
  SetCurrentRow(count > 0 ? 0 : -1);
  FBof = true;
  FEof = count == 0;
  DataEvent(deDataSetChange);
}

const TFieldCell* TDataSet::ActiveCell(int col) const {
  if (col < 0) return nullptr;
  if (IsEditing(FState)) return &FEditBuffer[std::size_t(col)];
  if (FCurrent < 0) return nullptr;
  return InternalRecord(FCurrent) + col;
}

int TDataSet::RecordCount() const { return Active() ? InternalRecordCount() : 0; }

int TDataSet::RecNo() const {
  if (FState == dsInsert || FCurrent < 0 || !Active()) return -1;
  return FCurrent + 1;
}

void TDataSet::SetRecNo(int value) {
  CheckActive();
  CheckBrowseMode();
  const int count = InternalRecordCount();
  if (count == 0) return;
  value = std::clamp(value, 1, count);
  BeforeScroll(this);
  const int distance = value - 1 - FCurrent;
  SetCurrentRow(value - 1);
  FBof = FEof = false;
  if (distance) DataEvent(deDataSetScroll, distance);
  AfterScroll(this);
}

void TDataSet::LeaveEditing() {
  DataEvent(deCheckBrowseMode);
  if (FModified) Post();
  else Cancel();
}

int TDataSet::MoveCursor(int distance) {
  const int count = InternalRecordCount();
  if ((distance > 0 && FEof) || (distance < 0 && FBof) || distance == 0) return 0;
  FBof = FEof = false;
  int target = FCurrent + distance;
  if (target > count - 1) {
    target = count - 1;
    FEof = true;
  } else if (target < 0) {
    target = 0;
    FBof = true;
  }
  const int moved = target - FCurrent;
  SetCurrentRow(target);
  return moved;
}

int TDataSet::MoveBy(int distance) {
  CheckActive();
  CheckBrowseMode();
  BeforeScroll(this);
  const int moved = MoveCursor(distance);
  if (moved) DataEvent(deDataSetScroll, moved);
  AfterScroll(this);
  return moved;
}

void TDataSet::Next() { MoveBy(1); }
void TDataSet::Prior() { MoveBy(-1); }

void TDataSet::First() {
  CheckActive();
  CheckBrowseMode();
  BeforeScroll(this);
  const int count = InternalRecordCount();
  SetCurrentRow(count > 0 ? 0 : -1);
  FBof = true;
  FEof = count == 0;
  DataEvent(deDataSetChange);
  AfterScroll(this);
}

void TDataSet::Last() {
  CheckActive();
  CheckBrowseMode();
  BeforeScroll(this);
  const int count = InternalRecordCount();
  SetCurrentRow(count - 1);
  FEof = true;
  FBof = count == 0;
  DataEvent(deDataSetChange);
  AfterScroll(this);
}

void TDataSet::BeginEditBuffer(bool fromCurrent) {
  const std::size_t n = std::size_t(FFields.Count());
  if (fromCurrent && FCurrent >= 0) FEditBuffer.assign(InternalRecord(FCurrent), InternalRecord(FCurrent) + n);
  else if (FEditBuffer.size() == n) std::fill(FEditBuffer.begin(), FEditBuffer.end(), TFieldCell());
  else FEditBuffer.assign(n, TFieldCell());
}

void TDataSet::DoInsert(bool append) {
  CheckActive();
  CheckCanModify();
  CheckBrowseMode();
  BeforeInsert(this);
  BeforeScroll(this);
  FBeforeInsert = FCurrent;
  FInsertRow = append || FCurrent < 0 ? InternalRecordCount() : FCurrent;
  BeginEditBuffer(false);
  FBof = false;
  FEof = append;
  SetState(dsInsert);
  try {
    OnNewRecord(this);
  } catch (...) {
    FState = dsBrowse;
    FCurrent = FBeforeInsert;
    DataEvent(deUpdateState);
    throw;
  }
  FModified = false;  // initial values are not the user's changes
  DataEvent(deDataSetChange);
  AfterInsert(this);
  AfterScroll(this);
}

void TDataSet::Insert() { DoInsert(false); }
void TDataSet::Append() { DoInsert(true); }

void TDataSet::Edit() {
  if (IsEditing(FState)) return;
  CheckActive();
  CheckCanModify();
  if (InternalRecordCount() == 0) {
    Insert();
    return;
  }
  BeforeEdit(this);
  BeginEditBuffer(true);
  FModified = false;
  SetState(dsEdit);
  DataEvent(deRecordChange);
  AfterEdit(this);
}

void TDataSet::CheckRequiredFields() {
  if (!FAnyRequired) return;
  for (TField* f : FFields.FList)
    if (f->Required() && !f->ReadOnly() && FEditBuffer[std::size_t(f->FFieldNo)].Null)
      DatabaseError(Format("Field '%s' must have a value", {f->DisplayName()}));
}

void TDataSet::Post() {
  CheckActive();
  if (!IsEditing(FState)) DatabaseError(SNotEditing, this);
  DataEvent(deUpdateRecord);
  BeforePost(this);
  CheckRequiredFields();
  if (FState == dsInsert) {
    InternalInsertRecord(FInsertRow, FEditBuffer.data());
    SetCurrentRow(FInsertRow);
  } else {
    InternalUpdateRecord(FCurrent, FEditBuffer.data());
  }
  FModified = false;
  SetState(dsBrowse);
  DataEvent(deDataSetChange);
  AfterPost(this);
}

void TDataSet::Cancel() {
  if (!IsEditing(FState)) return;
  BeforeCancel(this);
  if (FState == dsInsert) SetCurrentRow(FBeforeInsert);
  const bool empty = InternalRecordCount() == 0;
  FBof = FEof = empty;
  FModified = false;
  SetState(dsBrowse);
  DataEvent(deDataSetChange);
  AfterCancel(this);
}

void TDataSet::Delete() {
  CheckActive();
  if (FState == dsInsert) {
    Cancel();
    return;
  }
  if (InternalRecordCount() == 0) DatabaseError(SDataSetEmpty, this);
  CheckCanModify();
  BeforeDelete(this);
  BeforeScroll(this);
  InternalDeleteRecord(FCurrent);
  const int count = InternalRecordCount();
  SetCurrentRow(std::min(FCurrent, count - 1));
  FBof = FEof = count == 0;
  FModified = false;
  SetState(dsBrowse);
  DataEvent(deDataSetChange);
  AfterDelete(this);
  AfterScroll(this);
}

TField* TDataSet::FieldByName(const AnsiString& name) const {
  TField* f = FFields.FindField(name);
  if (!f) DatabaseError(Format("Field '%s' not found", {name}), this);
  return f;
}

void TDataSet::DisableControls() {
  if (FDisableCount++ == 0) FDisableState = FState;
}

void TDataSet::EnableControls() {
  if (FDisableCount == 0) return;
  if (--FDisableCount > 0) return;
  if (FDisableState != FState) DataEvent(deUpdateState);
  DataEvent(deDataSetChange);
}

void TDataSet::DispatchDataEvent(TDataEvent event, intptr_t info) {
  // A handler may detach sources while we walk them.
  const std::vector<TDataSource*> sources = FDataSources;
  for (TDataSource* s : sources)
    if (std::find(FDataSources.begin(), FDataSources.end(), s) != FDataSources.end()) s->DataEvent(event, info);
}

void TDataSet::AttachDataSource(TDataSource* source) { FDataSources.push_back(source); }

void TDataSet::DetachDataSource(TDataSource* source) {
  FDataSources.erase(std::remove(FDataSources.begin(), FDataSources.end(), source), FDataSources.end());
}

void TDataSet::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) {
  for (TField* f : FFields.FList)
    if (f->Owner() == root) proc(f);
}

void TDataSet::Publish(TPublisher<TDataSet>& p) { (void)p; }

// ---- data sources ----------------------------------------------------------------------------

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
  OnStateChange.Clear();
  OnDataChange.Clear();
  while (!FLinks.empty()) FLinks.back()->SetDataSource(nullptr);
  if (FDataSet) {
    FDataSet->DetachDataSource(this);
    FDataSet = nullptr;
  }
}

void TDataSource::SetDataSet(TDataSet* value) {
  if (value == FDataSet) return;
  if (FDataSet) {
    FDataSet->DetachDataSource(this);
    FDataSet->RemoveFreeNotification(this);
  }
  FDataSet = value;
  if (FDataSet) {
    FDataSet->AttachDataSource(this);
    FDataSet->FreeNotification(this);
  }
  NotifyStateChange();
}

void TDataSource::SetEnabled(bool value) {
  if (FEnabled == value) return;
  FEnabled = value;
  NotifyStateChange();
}

void TDataSource::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == FDataSet) {
    FDataSet->DetachDataSource(this);
    FDataSet = nullptr;
    NotifyStateChange();
  }
}

void TDataSource::NotifyStateChange() {
  const TDataSetState state = FDataSet && FEnabled ? FDataSet->State() : dsInactive;
  if (state == FState) return;
  const bool wasActive = FState != dsInactive;
  FState = state;
  const std::vector<TDataLink*> links = FLinks;
  for (TDataLink* l : links)
    if (std::find(FLinks.begin(), FLinks.end(), l) != FLinks.end()) l->UpdateState();
  OnStateChange(this);
  if (!wasActive && state != dsInactive) OnDataChange(this, nullptr);
}

void TDataSource::DataEvent(TDataEvent event, intptr_t info) {
  if (event == deUpdateState) {
    NotifyStateChange();
    return;
  }
  if (FState == dsInactive) return;
  const std::vector<TDataLink*> links = FLinks;
  for (TDataLink* l : links)
    if (std::find(FLinks.begin(), FLinks.end(), l) != FLinks.end()) l->DataEvent(event, info);
  switch (event) {
    case deFieldChange: OnDataChange(this, reinterpret_cast<TField*>(info)); break;
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: OnDataChange(this, nullptr); break;
    case deUpdateRecord: OnUpdateData(this); break;
    default: break;
  }
}

void TDataSource::AddLink(TDataLink* link) { FLinks.push_back(link); }

void TDataSource::RemoveLink(TDataLink* link) {
  FLinks.erase(std::remove(FLinks.begin(), FLinks.end(), link), FLinks.end());
}

void TDataSource::Publish(TPublisher<TDataSource>& p) {
  p.Property("AutoEdit", &TDataSource::AutoEdit, &TDataSource::SetAutoEdit).Default(true);
  p.Property("DataSet", &TDataSource::DataSet, &TDataSource::SetDataSet);
  p.Property("Enabled", &TDataSource::Enabled, &TDataSource::SetEnabled).Default(true);
  p.Property("OnDataChange", &TDataSource::OnDataChange);
  p.Property("OnStateChange", &TDataSource::OnStateChange);
  p.Property("OnUpdateData", &TDataSource::OnUpdateData);
}

// ---- data links ------------------------------------------------------------------------------

TDataLink::~TDataLink() {
  if (FDataSource) FDataSource->RemoveLink(this);
}

void TDataLink::SetDataSource(TDataSource* source) {
  if (source == FDataSource) return;
  if (FDataSource) FDataSource->RemoveLink(this);
  FDataSource = source;
  if (FDataSource) FDataSource->AddLink(this);
  UpdateState();
}

TDataSet* TDataLink::DataSet() const { return FDataSource ? FDataSource->DataSet() : nullptr; }

void TDataLink::SetReadOnly(bool value) {
  if (FReadOnly == value) return;
  FReadOnly = value;
  UpdateState();
}

void TDataLink::UpdateState() {
  const TDataSetState state = FDataSource ? FDataSource->State() : dsInactive;
  const bool active = state != dsInactive;
  if (active != FActive) {
    FActive = active;
    ActiveChanged();
  }
  const bool editing = active && IsEditing(state) && !FReadOnly;
  if (editing != FEditing) {
    FEditing = editing;
    EditingChanged();
  }
}

bool TDataLink::Edit() {
  if (!FReadOnly && FDataSource && FDataSource->AutoEdit() && FDataSource->State() == dsBrowse)
    FDataSource->DataSet()->Edit();
  return FEditing;
}

void TDataLink::UpdateRecord() {
  if (FUpdating) return;
  FUpdating = true;
  try {
    UpdateData();
  } catch (...) {
    FUpdating = false;
    throw;
  }
  FUpdating = false;
}

void TDataLink::DataEvent(TDataEvent event, intptr_t info) {
  switch (event) {
    case deFieldChange: RecordChanged(reinterpret_cast<TField*>(info)); break;
    case deRecordChange: RecordChanged(nullptr); break;
    case deDataSetChange: DataSetChanged(); break;
    case deDataSetScroll: DataSetScrolled(int(info)); break;
    case deLayoutChange: LayoutChanged(); break;
    case deUpdateRecord: UpdateRecord(); break;
    case deCheckBrowseMode: CheckBrowseMode(); break;
    case deUpdateState: UpdateState(); break;
  }
}

void TFieldDataLink::SetFieldName(const AnsiString& value) {
  if (FFieldName == value) return;
  FFieldName = value;
  UpdateField();
}

void TFieldDataLink::UpdateField() {
  TDataSet* ds = DataSet();
  TField* field = Active() && ds ? ds->FindField(FFieldName) : nullptr;
  if (field != FField) {
    FField = field;
    OnDataChange(nullptr);
  }
}

void TFieldDataLink::ActiveChanged() {
  UpdateField();
  OnActiveChange(nullptr);
}

void TFieldDataLink::EditingChanged() { OnEditingChange(nullptr); }

void TFieldDataLink::LayoutChanged() {
  UpdateField();
  OnDataChange(nullptr);
}

void TFieldDataLink::RecordChanged(TField* field) {
  if (!field || field == FField) OnDataChange(nullptr);
}

void TFieldDataLink::UpdateData() { OnUpdateData(nullptr); }
