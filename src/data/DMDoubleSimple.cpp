#include "src/data/DMDoubleSimple.h"

void TDoubleSimpleDm::mtblSubAfterOpen(TDataSet* DataSet) {
  (void)DataSet;
  if (!mtblSubDelta->Active()) mtblSubDelta->Open();
}

void TDoubleSimpleDm::mtblSubBeforeDelete(TDataSet* DataSet) {
  (void)DataSet;
  KvCopyRowToDelta(mtblSub, mtblSubDelta, false);
}

void TDoubleSimpleDm::Publish(TPublisher<TDoubleSimpleDm>& p) {
  KV_PUBLISHED_FIELD(p, TDoubleSimpleDm, tbfldSub);
  KV_PUBLISHED_FIELD(p, TDoubleSimpleDm, mtblSub);
  KV_PUBLISHED_FIELD(p, TDoubleSimpleDm, dsSub);
  KV_PUBLISHED_FIELD(p, TDoubleSimpleDm, mtblSubDelta);
  KV_PUBLISHED_METHOD(p, TDoubleSimpleDm, mtblSubAfterOpen);
  KV_PUBLISHED_METHOD(p, TDoubleSimpleDm, mtblSubBeforeDelete);
}
