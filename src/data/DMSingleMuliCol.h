// The data module of a single-table layout: the main table, its metadata, its data source and
// the delta table that collects the rows the user deletes.
#pragma once

#include "platform/db/MemTableEh.h"
#include "src/data/DMBase.h"
#include "src/data/TbField.h"

class TSingleMuliColDm : public TBaseDm {
  KV_CLASS(TSingleMuliColDm, TBaseDm)
 public:
  explicit TSingleMuliColDm(TComponent* owner) : TBaseDm(owner) {}

  // Components of the resource (set by name when it is read).
  TKvTbField* tbfldMain = nullptr;
  TMemTableEh* mtblMain = nullptr;
  TDataSource* dsMain = nullptr;
  TMemTableEh* mtblMainDelta = nullptr;

  // After mtblMain opened: a closed delta table with definitions gets its storage.
  void mtblMainAfterOpen(TDataSet* DataSet);
  // Before a row of mtblMain goes: a row loaded earlier is copied into the delta table.
  void mtblMainBeforeDelete(TDataSet* DataSet);

  static void Publish(TPublisher<TSingleMuliColDm>& p);
};

// Appends a copy of TABLE's current row to DELTA, field by position (nulls stay null), opening
// DELTA if needed; rows inserted since loading are not copied. With CHECKFIELDS, a delta table
// without fields records nothing.
void KvCopyRowToDelta(TMemTableEh* table, TMemTableEh* delta, bool checkFields);
