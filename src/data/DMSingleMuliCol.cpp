#include "src/data/DMSingleMuliCol.h"

void KvCopyRowToDelta(TMemTableEh* table, TMemTableEh* delta, bool checkFields) {
  if (table->UpdateStatus() == usInserted) return;
  if (checkFields && delta->FieldCount() == 0) return;
  if (!delta->Active()) delta->Open();
  delta->Append();
  try {
    // A copy by position: the delta table is built with the table's layout.
    for (int i = 0; i < table->FieldCount(); ++i) delta->Fields()[i]->SetAsVariant(table->Fields()[i]->AsVariant());
    delta->Post();
  } catch (...) {
    // Leave no half-copied row behind for the next append to post.
    delta->Cancel();
    throw;
  }
}

void TSingleMuliColDm::mtblMainAfterOpen(TDataSet* DataSet) {
  (void)DataSet;
  if (!mtblMainDelta->Active() && mtblMainDelta->FieldDefs()->Count() > 0) mtblMainDelta->CreateDataSet();
}

void TSingleMuliColDm::mtblMainBeforeDelete(TDataSet* DataSet) {
  (void)DataSet;
  KvCopyRowToDelta(mtblMain, mtblMainDelta, true);
}

void TSingleMuliColDm::Publish(TPublisher<TSingleMuliColDm>& p) {
  KV_PUBLISHED_FIELD(p, TSingleMuliColDm, tbfldMain);
  KV_PUBLISHED_FIELD(p, TSingleMuliColDm, mtblMain);
  KV_PUBLISHED_FIELD(p, TSingleMuliColDm, dsMain);
  KV_PUBLISHED_FIELD(p, TSingleMuliColDm, mtblMainDelta);
  KV_PUBLISHED_METHOD(p, TSingleMuliColDm, mtblMainAfterOpen);
  KV_PUBLISHED_METHOD(p, TSingleMuliColDm, mtblMainBeforeDelete);
}
