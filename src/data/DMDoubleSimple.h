// The data module of a header-and-detail layout: the single-table module plus the detail
// table with its metadata, data source and delta table.
#pragma once

#include "src/data/DMSingleMuliCol.h"

class TDoubleSimpleDm : public TSingleMuliColDm {
  KV_CLASS(TDoubleSimpleDm, TSingleMuliColDm)
 public:
  explicit TDoubleSimpleDm(TComponent* owner) : TSingleMuliColDm(owner) {}

  TKvTbField* tbfldSub = nullptr;
  TMemTableEh* mtblSub = nullptr;
  TDataSource* dsSub = nullptr;
  TMemTableEh* mtblSubDelta = nullptr;

  // After mtblSub opened: the delta table is opened when closed.
  void mtblSubAfterOpen(TDataSet* DataSet);
  // Before a row of mtblSub goes: a row loaded earlier is copied into the delta table.
  void mtblSubBeforeDelete(TDataSet* DataSet);

  static void Publish(TPublisher<TDoubleSimpleDm>& p);
};
