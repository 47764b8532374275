// The memory table: records kept in memory, built from field definitions, with cached-update
// status per record, emptying, and loading from another dataset.
//
// Storage: one array of cells, record after record (FieldCount cells each), and one text
// store for the string cells. Appending a record costs one copy of its cells; text is never
// moved once stored (an edit stores the new text and leaves the old bytes until EmptyTable
// or Close).
#pragma once

#include <algorithm>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "platform/db/DB.h"
#include "platform/db/PlainArray.h"

// How LoadFromDataSet treats the rows already in the table.
KV_ENUM(TLoadMode, lmCopy, lmAppend)

class TMemTableEh : public TDataSet {
  KV_CLASS(TMemTableEh, TDataSet)
 public:
  explicit TMemTableEh(TComponent* owner);
  ~TMemTableEh() override;

  // Builds the fields and the (empty) storage from FieldDefs and opens the table (AfterOpen
  // fires). A definition of ftUnknown or another type no field stores raises EDatabaseError
  // "Field 'X' is of an unknown type"; no definitions raise EDatabaseError too. An open
  // table is closed first.
  void CreateDataSet();
  // Removes every record at once (and every change record); the table stays open.
  void EmptyTable();

  // With cached updates on, every record keeps its update status (and deleted ones are
  // remembered); with them off, records count as unmodified.
  bool CachedUpdates() const { return FCachedUpdates; }
  void SetCachedUpdates(bool value) { FCachedUpdates = value; }
  TUpdateStatus UpdateStatus() const override;
  // Records deleted under cached updates since the last CommitUpdates / EmptyTable.
  int DeletedCount() const { return int(FDeleted.size() / std::max<std::size_t>(1, FieldCount())); }
  // Forgets every change record: all records become unmodified.
  void CommitUpdates();

  // Appends the records of SOURCE from its current record on (COUNT of them, -1: all) and
  // leaves this table on its first record; each field takes the value of SOURCE's field of
  // the same name (ignoring case), fields without a namesake stay null. lmCopy empties the
  // table first. This table is opened (CreateDataSet from its definitions) if closed.
  // USECACHEDUPDATES false loads the records as unmodified even with cached updates on.
  // Returns the number of records loaded. SOURCE ends after the last record read.
  int LoadFromDataSet(TDataSet* source, int count, TLoadMode mode, bool useCachedUpdates);

  // Fast append of one complete record: VALUES in field order (fewer values leave the rest
  // null, extra ones are ignored), converted like AsVariant assignment; no events, no links told per record (one
  // deDataSetChange per call). The table must be open and browsing.
  void AppendRecord(std::initializer_list<Variant> values);
  void AppendRecord(const std::vector<Variant>& values);

  // Capacity hints for a load of about COUNT records in all / BYTES of text in all: storage
  // is set aside so the load does not grow it step by step. Nothing else changes; a count
  // at or below what is held does nothing, a huge one is capped, and a reservation that
  // cannot be had is dropped (never an error). On a closed table the hint lasts until it opens.
  void ReserveRecords(int count);
  void ReserveText(std::size_t bytes);

  bool StoreDefs() const { return FStoreDefs; }
  void SetStoreDefs(bool value) { FStoreDefs = value; }

  // Added plain values: no side effects, not used by the table itself.
  const AnsiString& KvTableName() const { return FKvTableName; }
  void SetKvTableName(const AnsiString& value) { FKvTableName = value; }
  const AnsiString& PKName() const { return FPKName; }
  void SetPKName(const AnsiString& value) { FPKName = value; }
  const AnsiString& FKName() const { return FFKName; }
  void SetFKName(const AnsiString& value) { FFKName = value; }

  std::string_view CellText(const TFieldCell& cell) const override {
    return std::string_view(FText.data() + cell.S.Off, cell.S.Len);
  }
  void StoreCellText(TFieldCell& cell, std::string_view text) override;

  static void Publish(TPublisher<TMemTableEh>& p);

 protected:
  void InternalOpen() override;
  void InternalClose() override;
  int InternalRecordCount() const override { return FRecordCount; }
  const TFieldCell* InternalRecord(int row) const override {
    return FCells.data() + std::size_t(row) * std::size_t(FWidth);
  }
  void InternalInsertRecord(int row, const TFieldCell* cells) override;
  void InternalUpdateRecord(int row, const TFieldCell* cells) override;
  void InternalDeleteRecord(int row) override;

 private:
  void AppendVariants(const Variant* values, std::size_t count);
  void LoadFromMemTable(TMemTableEh* source, int count, bool markInserted, int& loaded);
  void ClearStorage();

  TPlainArray<TFieldCell> FCells;     // FRecordCount * FWidth cells
  std::vector<uint8_t> FStatus;       // TUpdateStatus per record
  std::vector<TFieldCell> FDeleted;   // cells of records deleted under cached updates
  TPlainArray<char> FText;            // the text store
  int FWidth = 0;
  int FRecordCount = 0;
  bool FCachedUpdates = false;
  bool FStoreDefs = false;
  bool FLoading = false;  // LoadFromDataSet without its cached-update path
  AnsiString FKvTableName, FPKName, FFKName;
};

// Registers the dataset, field and data-source classes with the class registry (done once
// on first use of the memory table, and harmless to call again).
void RegisterDBClasses();
