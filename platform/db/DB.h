// Datasets: field definitions, fields with their text conversions, the abstract dataset with
// its states, cursor and events, data sources and data links.
//
// Values live in cells (TFieldCell) that the concrete dataset stores; a field reads the cell
// of the current record (or of the edit buffer while editing) and converts on the way out.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/classlib/Classes.h"
#include "platform/db/Variant.h"

class TDataSet;
class TField;
class TFields;
class TFieldDef;
class TFieldDefs;
class TDataSource;
class TDataLink;

// Errors of datasets and fields; the message is prefixed with the component's name and ": "
// when the component has one.
KV_EXCEPTION(EDatabaseError, Exception)

// Raises EDatabaseError with MESSAGE, prefixed "<Name>: " when COMPONENT has a name.
[[noreturn]] void DatabaseError(const AnsiString& message, const TComponent* component = nullptr);


// Field data types (the class library's order, as far as the system uses them).
KV_ENUM(TFieldType, ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency,
        ftBCD, ftDate, ftTime, ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob, ftMemo, ftGraphic,
        ftFmtMemo, ftParadoxOle, ftDBaseOle, ftTypedBinary, ftCursor, ftFixedChar, ftWideString,
        ftLargeint)

KV_ENUM(TDataSetState, dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter,
        dsNewValue, dsOldValue, dsCurValue, dsBlockRead, dsInternalCalc, dsOpening)

// What a data event tells the data sources and links.
enum TDataEvent {
  deFieldChange,     // a field of the current record changed (info: the field)
  deRecordChange,    // the current record changed as a whole
  deDataSetChange,   // content changed: insert, delete, cancel, load, enable controls
  deDataSetScroll,   // the cursor moved (info: distance)
  deLayoutChange,    // fields changed
  deUpdateRecord,    // about to post: controls write their pending text
  deUpdateState,     // the state changed
  deCheckBrowseMode, // about to leave the record
};

// Update status of a record under cached updates.
KV_ENUM(TUpdateStatus, usUnmodified, usModified, usInserted, usDeleted)

using TDataSetNotifyEvent = TEvent<void(TDataSet* DataSet)>;
using TFieldNotifyEvent = TEvent<void(TField* Sender)>;
using TFieldGetTextEvent = TEvent<void(TField* Sender, AnsiString& Text, bool DisplayText)>;
using TFieldSetTextEvent = TEvent<void(TField* Sender, const AnsiString& Text)>;
using TDataChangeEvent = TEvent<void(TObject* Sender, TField* Field)>;

// One stored value: a number, a date (days as a double), or text kept by the dataset (offset
// and length into its text store). A null cell has no value.
struct TFieldCell {
  union {
    int64_t I;
    double D;
    struct {
      uint32_t Off;
      uint32_t Len;
    } S;
  };
  bool Null = true;

  TFieldCell() : I(0) {}
};

// ---- field definitions ---------------------------------------------------------------------

// Definition of one field: name, type, size (characters of a string field), required.
class TFieldDef : public TCollectionItem {
  KV_CLASS(TFieldDef, TCollectionItem)
 public:
  explicit TFieldDef(TCollection* collection) : TCollectionItem(collection) {}

  const AnsiString& Name() const { return FName; }
  void SetName(const AnsiString& value) { FName = value; }
  TFieldType DataType() const { return FDataType; }
  void SetDataType(TFieldType value) { FDataType = value; }
  int Size() const { return FSize; }
  void SetSize(int value) { FSize = value; }
  bool Required() const { return FRequired; }
  void SetRequired(bool value) { FRequired = value; }

  AnsiString DisplayName() const override { return FName.empty() ? TCollectionItem::DisplayName() : FName; }
  void Assign(TPersistent* source) override;
  static void Publish(TPublisher<TFieldDef>& p);

 private:
  AnsiString FName;
  TFieldType FDataType = ftUnknown;
  int FSize = 0;
  bool FRequired = false;
};

// The field definitions of a dataset.
class TFieldDefs : public TOwnedCollection {
  KV_CLASS(TFieldDefs, TOwnedCollection)
 public:
  explicit TFieldDefs(TPersistent* owner) : TOwnedCollection(owner, TFieldDef::StaticClass()) {}

  // Appends a definition; a name already defined (ignoring case) raises EDatabaseError
  // "Duplicate field name 'X'".
  TFieldDef* Add(const AnsiString& name, TFieldType dataType, int size = 0, bool required = false);
  // A new, empty definition at the end.
  TFieldDef* AddFieldDef() { return static_cast<TFieldDef*>(TCollection::Add()); }
  TFieldDef* Items(int index) const { return static_cast<TFieldDef*>(TCollection::Items(index)); }
  TFieldDef* operator[](int index) const { return Items(index); }
  // Index of the definition called NAME (ignoring case), or -1.
  int IndexOf(const AnsiString& name) const;
  // The definition called NAME, or null.
  TFieldDef* Find(const AnsiString& name) const;
};

// ---- fields --------------------------------------------------------------------------------

// A field of a dataset. Reading outside an open dataset raises EDatabaseError; writing needs
// the dataset in dsEdit or dsInsert ("Dataset not in edit or insert mode") and a field that is
// not ReadOnly ("Field 'X' cannot be modified"). A write runs OnValidate (raise to reject),
// stores the value, then OnChange. Text that does not convert raises EConvertError.
class TField : public TComponent {
  KV_CLASS(TField, TComponent)
 public:
  explicit TField(TComponent* owner);
  ~TField() override;

  TDataSet* DataSet() const { return FDataSet; }
  // Attaches the field to DATASET's field list (null: detaches). Not while DATASET is open.
  void SetDataSet(TDataSet* dataSet);

  const AnsiString& FieldName() const { return FFieldName; }
  void SetFieldName(const AnsiString& value);
  TFieldType DataType() const { return FDataType; }
  // Size of a string field in bytes (0 = no limit); 0 for other types.
  int Size() const { return FSize; }
  void SetSize(int value) { FSize = value; }
  // Position in the dataset's fields (0-based); setting it moves the field.
  int Index() const;
  void SetIndex(int value);
  // 1-based position in the record, 0 when the field has no dataset.
  int FieldNo() const { return FFieldNo + 1; }

  bool IsNull() const;
  // Sets the value to null (through OnValidate/OnChange).
  void Clear();

  // The value as text (empty for null): numbers in the regional format, dates as short date.
  AnsiString AsString() const;
  void SetAsString(const AnsiString& value);
  // Text straight into the field without building an AnsiString (fast path for loaders).
  void SetAsText(std::string_view value);
  int AsInteger() const;
  void SetAsInteger(int value);
  int64_t AsLargeInt() const;
  void SetAsLargeInt(int64_t value);
  double AsFloat() const;
  void SetAsFloat(double value);
  bool AsBoolean() const;
  void SetAsBoolean(bool value);
  TDateTime AsDateTime() const;
  void SetAsDateTime(TDateTime value);
  // Null when the field is null; else a variant of the field's kind.
  Variant AsVariant() const;
  // Null or Unassigned clears the field.
  void SetAsVariant(const Variant& value);
  Variant Value() const { return AsVariant(); }
  void SetValue(const Variant& value) { SetAsVariant(value); }

  // Text for editing: OnGetText(DisplayText false) if assigned, else AsString.
  AnsiString Text() const;
  // Through OnSetText if assigned, else AsString.
  void SetText(const AnsiString& value);
  // Text for display: OnGetText(DisplayText true) if assigned, else AsString.
  AnsiString DisplayText() const;

  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value) { FReadOnly = value; }
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  bool Required() const { return FRequired; }
  void SetRequired(bool value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  // DisplayLabel falls back to FieldName when empty.
  AnsiString DisplayLabel() const { return FDisplayLabel.empty() ? FFieldName : FDisplayLabel; }
  void SetDisplayLabel(const AnsiString& value);
  // The name used in messages: DisplayLabel.
  AnsiString DisplayName() const { return DisplayLabel(); }
  // Characters shown; by default from Size for strings, 10 for numbers and dates, 5 for Booleans.
  int DisplayWidth() const;
  void SetDisplayWidth(int value);

  // Added flags (plain values, no side effects).
  bool IsKey() const { return FIsKey; }
  void SetIsKey(bool value) { FIsKey = value; }
  bool IsJoin() const { return FIsJoin; }
  void SetIsJoin(bool value) { FIsJoin = value; }
  bool NotNull() const { return FNotNull; }
  void SetNotNull(bool value) { FNotNull = value; }

  TFieldNotifyEvent OnChange;
  TFieldNotifyEvent OnValidate;
  TFieldGetTextEvent OnGetText;
  TFieldSetTextEvent OnSetText;

  // Form-resource nesting: a field block inside a dataset block belongs to that dataset.
  TComponent* GetParentComponent() const override;
  bool HasParent() const override { return true; }
  void SetParentComponent(TComponent* parent) override;

  static void Publish(TPublisher<TField>& p);

 protected:
  TField(TComponent* owner, TFieldType dataType);
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TDataSet;
  friend class TFields;
  enum class Kind : uint8_t { text, integer, floating, boolean, date };
  static Kind KindOf(TFieldType type);

  const TFieldCell* ReadCell() const;
  // Checks the state and ReadOnly, runs OnValidate with the new value in place, then OnChange.
  template <class Store>
  void Write(Store store);
  // Raises the error of a write that the dataset's state or ReadOnly refuses.
  [[noreturn]] void WriteRefused() const;
  void StoreText(TFieldCell& cell, std::string_view text);
  void StoreTextConverted(TFieldCell& cell, std::string_view text);
  AnsiString CellToString(const TFieldCell& cell) const;
  [[noreturn]] void CannotConvert(const char* to) const;
  void CheckRange(int64_t value) const;

  TDataSet* FDataSet = nullptr;
  int FFieldNo = -1;  // column in the record, -1 when not bound
  AnsiString FFieldName;
  TFieldType FDataType = ftUnknown;
  Kind FKind = Kind::text;
  int FSize = 0;
  bool FReadOnly = false;
  bool FVisible = true;
  bool FRequired = false;
  TAlignment FAlignment = taLeftJustify;
  AnsiString FDisplayLabel;
  int FDisplayWidth = 0;  // 0: derived
  bool FIsKey = false;
  bool FIsJoin = false;
  bool FNotNull = false;
};

// Text up to Size bytes (a double-byte character is never split); Size 0 means no limit.
class TStringField : public TField {
  KV_CLASS(TStringField, TField)
 public:
  explicit TStringField(TComponent* owner) : TField(owner, ftString) { SetSize(20); }
  static void Publish(TPublisher<TStringField>& p);
};
// 32-bit signed integer (text beyond that range does not convert).
class TIntegerField : public TField {
  KV_CLASS(TIntegerField, TField)
 public:
  static void Publish(TPublisher<TIntegerField>& p);
  explicit TIntegerField(TComponent* owner) : TField(owner, ftInteger) {}
};
// 16-bit signed integer.
class TSmallintField : public TField {
  KV_CLASS(TSmallintField, TField)
 public:
  static void Publish(TPublisher<TSmallintField>& p);
  explicit TSmallintField(TComponent* owner) : TField(owner, ftSmallint) {}
};
// 64-bit signed integer.
class TLargeintField : public TField {
  KV_CLASS(TLargeintField, TField)
 public:
  static void Publish(TPublisher<TLargeintField>& p);
  explicit TLargeintField(TComponent* owner) : TField(owner, ftLargeint) {}
};
// Double-precision number.
class TFloatField : public TField {
  KV_CLASS(TFloatField, TField)
 public:
  static void Publish(TPublisher<TFloatField>& p);
  explicit TFloatField(TComponent* owner) : TField(owner, ftFloat) {}
};
// A date without time of day (the time part of a stored value is dropped).
class TDateField : public TField {
  KV_CLASS(TDateField, TField)
 public:
  explicit TDateField(TComponent* owner) : TField(owner, ftDate) {}
};
// A date and time of day.
class TDateTimeField : public TField {
  KV_CLASS(TDateTimeField, TField)
 public:
  explicit TDateTimeField(TComponent* owner) : TField(owner, ftDateTime) {}
};
// True/False; text "True"/"False" (any case, or a prefix of either).
class TBooleanField : public TField {
  KV_CLASS(TBooleanField, TField)
 public:
  explicit TBooleanField(TComponent* owner) : TField(owner, ftBoolean) {}
};

// The class of field a type gets, or null for a type no field class stores (ftUnknown ...).
TClass FieldClassOf(TFieldType type);

// The fields of a dataset, in record order.
class TFields {
 public:
  int Count() const { return int(FList.size()); }
  // Field I (0-based); EListError when out of bounds.
  TField* Fields(int index) const {
    if (index < 0 || index >= Count()) [[unlikely]]
      IndexError(index);
    return FList[std::size_t(index)];
  }
  TField* operator[](int index) const { return Fields(index); }
  // The field called NAME ignoring case, or null.
  TField* FindField(const AnsiString& name) const;
  // Index of FIELD, or -1.
  int IndexOf(const TField* field) const;

 private:
  friend class TDataSet;
  friend class TField;
  [[noreturn]] static void IndexError(int index);
  std::vector<TField*> FList;
};

// ---- the dataset ---------------------------------------------------------------------------

// A dataset: state machine, cursor, events and notifications. Storage is the descendant's.
class TDataSet : public TComponent {
  KV_CLASS(TDataSet, TComponent)
 public:
  explicit TDataSet(TComponent* owner);
  ~TDataSet() override;

  // Opens: BeforeOpen, open (dsBrowse, first record), AfterOpen. Open when open does nothing.
  void Open();
  // Closes: BeforeClose, pending edits dropped, dsInactive, AfterClose.
  void Close();
  bool Active() const { return FState != dsInactive; }
  void SetActive(bool value);
  TDataSetState State() const { return FState; }

  // Cursor moves; each posts a pending edit first and fires BeforeScroll / AfterScroll.
  void First();
  void Last();
  void Next();
  void Prior();
  // Moves up to DISTANCE records (negative: backwards); returns how far it moved.
  int MoveBy(int distance);
  bool Eof() const { return FEof; }
  bool Bof() const { return FBof; }
  // 1-based number of the current record; -1 while inserting or without records.
  int RecNo() const;
  // Moves to record VALUE (clamped to 1 .. RecordCount).
  void SetRecNo(int value);
  int RecordCount() const;
  bool IsEmpty() const { return RecordCount() == 0 && FState != dsInsert; }

  // A new record before the current one (Insert) or at the end (Append): posts pending
  // edits, BeforeInsert, BeforeScroll, dsInsert, OnNewRecord, AfterInsert, AfterScroll.
  void Insert();
  void Append();
  // Edits the current record: BeforeEdit, dsEdit, AfterEdit (an empty dataset inserts).
  void Edit();
  // Writes the edit buffer: UpdateData to links, BeforePost, Required check, write, dsBrowse,
  // AfterPost. Outside dsEdit/dsInsert raises EDatabaseError ("Dataset not in edit or insert
  // mode") without BeforePost. A failure leaves the state unchanged (still editing).
  void Post();
  // Drops the edit buffer: BeforeCancel, dsBrowse, AfterCancel. Nothing outside edit states.
  void Cancel();
  // Deletes the current record (cancels an insert): BeforeDelete, BeforeScroll, delete,
  // dsBrowse, AfterDelete, AfterScroll. An empty dataset raises EDatabaseError.
  void Delete();
  // Leaves a pending edit: posts it when a field was written, else cancels it.
  void CheckBrowseMode() {
    CheckActive();
    if (FState == dsEdit || FState == dsInsert) LeaveEditing();
  }

  TFieldDefs* FieldDefs() const { return FFieldDefs; }
  // Copies VALUE's definitions (null is ignored).
  void SetFieldDefs(TFieldDefs* value) {
    if (value) FFieldDefs->Assign(value);
  }
  const TFields& Fields() const { return FFields; }
  int FieldCount() const { return FFields.Count(); }
  // The field called NAME (ignoring case); EDatabaseError "Field 'X' not found" otherwise.
  TField* FieldByName(const AnsiString& name) const;
  // The field called NAME (ignoring case), or null.
  TField* FindField(const AnsiString& name) const { return FFields.FindField(name); }

  // Nestable: while disabled no data event reaches the data sources; the last
  // EnableControls sends one deDataSetChange (and the state, when it changed).
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return FDisableCount > 0; }

  // Update status of the current record (cached updates); usUnmodified by default.
  virtual TUpdateStatus UpdateStatus() const { return usUnmodified; }
  // A read-only dataset refuses Insert, Append, Edit and Delete.
  bool CanModify() const { return !FReadOnly; }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value) { FReadOnly = value; }

  // Raises EDatabaseError "Cannot perform this operation on a closed dataset" when closed.
  void CheckActive() const {
    if (FState == dsInactive) [[unlikely]]
      ClosedError();
  }
  // Raises EDatabaseError "Cannot modify a read-only dataset" when ReadOnly.
  void CheckCanModify() const {
    if (FReadOnly) [[unlikely]]
      ReadOnlyError();
  }

  // The data sources attached to this dataset.
  int DataSourceCount() const { return int(FDataSources.size()); }

  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll, OnNewRecord;

  // True once a field of the record being edited was written (OnNewRecord's values aside).
  bool Modified() const { return FModified; }

  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) override;
  void Loaded() override;
  void BeforeDestruction() override;
  static void Publish(TPublisher<TDataSet>& p);

  // Storage interface for fields (used by TField; descendants implement the primitives).
  // The cell of column COL of the current record or edit buffer; null without a record.
  const TFieldCell* ActiveCell(int col) const;
  // Text of a string cell.
  virtual std::string_view CellText(const TFieldCell& cell) const = 0;
  // Stores TEXT for a string cell (the old text is left to the store).
  virtual void StoreCellText(TFieldCell& cell, std::string_view text) = 0;

 protected:
  // Storage primitives.
  virtual void InternalOpen() = 0;   // build storage for the current fields
  virtual void InternalClose() = 0;  // drop storage
  virtual int InternalRecordCount() const = 0;
  // Cells of record ROW (0-based), FieldCount() of them.
  virtual const TFieldCell* InternalRecord(int row) const = 0;
  // Writes CELLS as a new record at ROW (0 .. count) / over record ROW / removes record ROW.
  virtual void InternalInsertRecord(int row, const TFieldCell* cells) = 0;
  virtual void InternalUpdateRecord(int row, const TFieldCell* cells) = 0;
  virtual void InternalDeleteRecord(int row) = 0;
  // Creates the fields from FieldDefs (default: one field of FieldClassOf per definition).
  virtual void CreateFields();
  void DestroyFields();
  // Attach/detach a field (the field list's only doors).
  void AddField(TField* field);
  void RemoveField(TField* field);
  // Sends EVENT to the data sources unless controls are disabled (inline: nothing to do is
  // the common case in bulk loads).
  void DataEvent(TDataEvent event, intptr_t info = 0) {
    if (FDisableCount == 0 && !FDataSources.empty()) DispatchDataEvent(event, info);
  }
  void SetState(TDataSetState value);
  // Rebinds every field to its column (after the field list changed).
  void BindFields();
  // Current record index (0-based), -1 when empty.
  int CurrentRow() const { return FCurrent; }
  // Puts the cursor on ROW (no events); -1 with no records.
  void SetCurrentRow(int row) { FCurrent = row; }
  // After a bulk change: cursor on the first record, state browse, links told.
  void Resync();
  // Streamed Active (applied in Loaded).
  bool FStreamedActive = false;

 private:
  friend class TField;
  friend class TDataSource;
  void DispatchDataEvent(TDataEvent event, intptr_t info);
  // The errors of CheckActive and CheckCanModify.
  [[noreturn]] void ClosedError() const;
  [[noreturn]] void ReadOnlyError() const;
  // CheckBrowseMode's part for a pending edit: links told, then Post or Cancel.
  void LeaveEditing();
  void OpenCursor();
  void BeginEditBuffer(bool fromCurrent);
  void CheckRequiredFields();
  void DoInsert(bool append);
  int MoveCursor(int distance);
  TFieldCell& EditCell(int col) { return FEditBuffer[std::size_t(col)]; }
  void AttachDataSource(TDataSource* source);
  void DetachDataSource(TDataSource* source);

  TFieldDefs* FFieldDefs;
  TFields FFields;
  TDataSetState FState = dsInactive;
  int FCurrent = -1;   // 0-based current record, -1 when there is none
  int FInsertRow = -1; // where an insert goes
  int FBeforeInsert = -1;
  bool FBof = true;
  bool FEof = true;
  bool FReadOnly = false;
  bool FModified = false;
  bool FAnyRequired = false;  // some field is Required (worked out when opening)
  int FDisableCount = 0;
  TDataSetState FDisableState = dsInactive;
  std::vector<TFieldCell> FEditBuffer;
  std::vector<TDataSource*> FDataSources;
};

// ---- data sources and links ----------------------------------------------------------------

// Connects data-aware controls (through their links) to a dataset.
class TDataSource : public TComponent {
  KV_CLASS(TDataSource, TComponent)
 public:
  explicit TDataSource(TComponent* owner);
  ~TDataSource() override;

  TDataSet* DataSet() const { return FDataSet; }
  // Attaches to DATASET (null detaches); freeing the dataset detaches automatically.
  void SetDataSet(TDataSet* value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  bool AutoEdit() const { return FAutoEdit; }
  void SetAutoEdit(bool value) { FAutoEdit = value; }
  // The dataset's state, or dsInactive without a dataset or when disabled.
  TDataSetState State() const { return FState; }
  int LinkCount() const { return int(FLinks.size()); }

  // Field null: the whole record.
  TDataChangeEvent OnDataChange;
  TNotifyEvent OnStateChange;
  TNotifyEvent OnUpdateData;

  static void Publish(TPublisher<TDataSource>& p);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TDataSet;
  friend class TDataLink;
  void DataEvent(TDataEvent event, intptr_t info);
  void NotifyStateChange();
  void AddLink(TDataLink* link);
  void RemoveLink(TDataLink* link);

  TDataSet* FDataSet = nullptr;
  bool FEnabled = true;
  bool FAutoEdit = true;
  TDataSetState FState = dsInactive;
  std::vector<TDataLink*> FLinks;
};

// What a data-aware control holds to learn about its dataset's changes.
class TDataLink {
 public:
  TDataLink() = default;
  virtual ~TDataLink();
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;

  TDataSource* DataSource() const { return FDataSource; }
  // Links to SOURCE (null unlinks); ActiveChanged follows when the active state differs.
  void SetDataSource(TDataSource* source);
  TDataSet* DataSet() const;
  // The data source has an open dataset and is enabled.
  bool Active() const { return FActive; }
  // The dataset is in dsEdit or dsInsert.
  bool Editing() const { return FEditing; }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value);
  // Puts the dataset in edit mode if the source allows it (AutoEdit); true when editing.
  bool Edit();
  // Asks the control for its pending text (UpdateData) now.
  void UpdateRecord();

 protected:
  friend class TDataSource;
  virtual void ActiveChanged() {}
  virtual void CheckBrowseMode() {}
  // Content changed; the default calls RecordChanged(nullptr).
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  // The cursor moved DISTANCE records; the default calls DataSetChanged.
  virtual void DataSetScrolled(int distance) {
    (void)distance;
    DataSetChanged();
  }
  virtual void EditingChanged() {}
  // Fields changed; the default calls DataSetChanged.
  virtual void LayoutChanged() { DataSetChanged(); }
  // FIELD (null: the whole record) changed.
  virtual void RecordChanged(TField* field) { (void)field; }
  virtual void UpdateData() {}

 private:
  void DataEvent(TDataEvent event, intptr_t info);
  void UpdateState();

  TDataSource* FDataSource = nullptr;
  bool FActive = false;
  bool FEditing = false;
  bool FReadOnly = false;
  bool FUpdating = false;
};

// A link to one field by name, turning link calls into events.
class TFieldDataLink : public TDataLink {
 public:
  const AnsiString& FieldName() const { return FFieldName; }
  void SetFieldName(const AnsiString& value);
  // The linked field of the open dataset, or null.
  TField* Field() const { return FField; }

  TNotifyEvent OnActiveChange;
  TNotifyEvent OnDataChange;
  TNotifyEvent OnEditingChange;
  TNotifyEvent OnUpdateData;

 protected:
  void ActiveChanged() override;
  void EditingChanged() override;
  void LayoutChanged() override;
  void RecordChanged(TField* field) override;
  void UpdateData() override;

 private:
  void UpdateField();
  AnsiString FFieldName;
  TField* FField = nullptr;
};
