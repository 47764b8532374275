// The data modules: components from their resources, and the delta tables on delete.
#include "src/data/DMDoubleSimple.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "src/protocol/KvProtocol.h"

namespace {

struct DmDeleter {
  void operator()(TComponent* c) const { delete c; }
};
template <class T>
using DmPtr = std::unique_ptr<T, DmDeleter>;

std::string Rows(TMemTableEh* t) {
  std::string out;
  if (!t->Active()) return "closed";
  for (t->First(); !t->Eof(); t->Next()) {
    out += "(";
    for (int i = 0; i < t->FieldCount(); ++i)
      out += (i ? "|" : "") + (t->Fields()[i]->IsNull() ? std::string("null") : t->Fields()[i]->AsString());
    out += ")";
  }
  return out;
}

// Gives TABLE and DELTA the same layout, delta first, as the field binding does.
void DefineLayout(TMemTableEh* table, TMemTableEh* delta) {
  for (TMemTableEh* t : {delta, table}) {
    t->FieldDefs()->Add("ID", ftLargeint);
    t->FieldDefs()->Add("NAME", ftString, 20);
    t->FieldDefs()->Add("DAY", ftDate);
  }
}

// Loads rows the way a search does: parsed, then copied in (so they count as unchanged).
void LoadRows(TMemTableEh* table, const std::string& rows) {
  TKvProtocol p;
  ASSERT_TRUE(p.Parse("<kovrane><status/><rs typ=\"recordset\" fields=\"ID:NUMBER NAME:VARCHAR2:20 DAY:DATE\">" +
                      rows + "</rs></kovrane>"));
  table->EmptyTable();
  p.GetTable(0)->CopyRowsTo(table);
}

const char* const kThreeRows = "<r ID=\"1\" NAME=\"甲\" DAY=\"2009-08-05\"/><r ID=\"2\"/><r ID=\"3\" NAME=\"丙\"/>";

TEST(DataModules, ComponentsComeFromTheResources) {
  DmPtr<TDoubleSimpleDm> dm(Create<TDoubleSimpleDm>(nullptr));
  ASSERT_NE(dm->mtblMain, nullptr);
  ASSERT_NE(dm->mtblSub, nullptr);
  ASSERT_NE(dm->mtblMainDelta, nullptr);
  ASSERT_NE(dm->mtblSubDelta, nullptr);
  for (TKvTbField* meta : {dm->tbfldMain, dm->tbfldSub}) {
    ASSERT_NE(meta, nullptr);
    EXPECT_EQ(meta->TbFields()->Count(), 0);
    EXPECT_FALSE(meta->ActiveXml2Fields());
    EXPECT_EQ(meta->XML()->Text(),
              "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<Table>\r\n  <Fields/>\r\n</Table>\r\n");
  }
  for (TMemTableEh* t : {dm->mtblMain, dm->mtblSub}) {
    EXPECT_TRUE(t->CachedUpdates());
    EXPECT_TRUE(t->StoreDefs());
    EXPECT_EQ(t->FieldDefs()->Count(), 0);
    EXPECT_EQ(t->Tag(), 0);
  }
  for (TMemTableEh* t : {dm->mtblMainDelta, dm->mtblSubDelta}) {
    EXPECT_FALSE(t->CachedUpdates());
    EXPECT_FALSE(t->AfterOpen);
    EXPECT_FALSE(t->BeforeDelete);
  }
  EXPECT_EQ(dm->dsMain->DataSet(), dm->mtblMain);
  EXPECT_EQ(dm->dsSub->DataSet(), dm->mtblSub);
  EXPECT_EQ(dm->mtblMain->AfterOpen.HandlerName(), "mtblMainAfterOpen");
  EXPECT_EQ(dm->mtblSub->BeforeDelete.HandlerName(), "mtblSubBeforeDelete");
  EXPECT_EQ(dm->mtblMain->KvTableName(), "");
  EXPECT_EQ(dm->mtblMain->PKName(), "");
  EXPECT_EQ(dm->mtblMain->FKName(), "");

  DmPtr<TSingleMuliColDm> single(Create<TSingleMuliColDm>(nullptr));
  EXPECT_NE(single->mtblMainDelta, nullptr);
  EXPECT_EQ(single->FindComponent("mtblSub"), nullptr);
}

class DeltaTables : public ::testing::Test {
 protected:
  void SetUp() override {
    DefineLayout(dm->mtblMain, dm->mtblMainDelta);
    DefineLayout(dm->mtblSub, dm->mtblSubDelta);
    dm->mtblMain->CreateDataSet();  // AfterOpen builds the delta table's storage
    dm->mtblSub->CreateDataSet();
  }
  DmPtr<TDoubleSimpleDm> dm{Create<TDoubleSimpleDm>(nullptr)};
};

TEST_F(DeltaTables, DeletingALoadedRowCopiesItNullsIncluded) {
  ASSERT_TRUE(dm->mtblMainDelta->Active());
  LoadRows(dm->mtblMain, kThreeRows);
  dm->mtblMain->SetRecNo(2);
  dm->mtblMain->Delete();
  dm->mtblMain->First();
  dm->mtblMain->Delete();
  EXPECT_EQ(Rows(dm->mtblMainDelta), "(2|null|null)(1|甲|2009-08-05)");
  EXPECT_EQ(Rows(dm->mtblMain), "(3|丙|null)");
}

TEST_F(DeltaTables, DeletingARowAddedSinceLoadingRecordsNothing) {
  LoadRows(dm->mtblMain, kThreeRows);
  dm->mtblMain->Append();
  dm->mtblMain->Fields()[0]->SetAsInteger(9);
  dm->mtblMain->Post();
  ASSERT_EQ(dm->mtblMain->UpdateStatus(), usInserted);
  dm->mtblMain->Delete();
  EXPECT_EQ(Rows(dm->mtblMainDelta), "");
  EXPECT_EQ(dm->mtblMain->RecordCount(), 3);
}

TEST_F(DeltaTables, SubDeltaKeepsDeletionOrder) {
  LoadRows(dm->mtblSub, kThreeRows);
  dm->mtblSub->Last();
  while (!dm->mtblSub->IsEmpty()) dm->mtblSub->Delete();
  EXPECT_EQ(Rows(dm->mtblSubDelta), "(3|丙|null)(2|null|null)(1|甲|2009-08-05)");
}

TEST_F(DeltaTables, ReopeningRecreatesOrOpensTheDeltaTables) {
  for (TMemTableEh* t : {dm->mtblMain, dm->mtblMainDelta, dm->mtblSub, dm->mtblSubDelta}) t->Close();
  dm->mtblMain->Open();
  EXPECT_TRUE(dm->mtblMainDelta->Active());
  dm->mtblSub->Open();
  EXPECT_TRUE(dm->mtblSubDelta->Active());
}

TEST(DeltaTablesWithoutFields, MainRecordsNothingAndSubRefusesTheDelete) {
  DmPtr<TDoubleSimpleDm> dm(Create<TDoubleSimpleDm>(nullptr));
  for (TMemTableEh* t : {dm->mtblMain, dm->mtblSub}) {
    t->FieldDefs()->Add("ID", ftLargeint);
    t->CreateDataSet();
    LoadRows(t, "<r ID=\"1\"/><r ID=\"2\"/>");
  }
  EXPECT_FALSE(dm->mtblMainDelta->Active());  // no definitions: no storage made
  dm->mtblMain->Delete();
  EXPECT_EQ(dm->mtblMain->RecordCount(), 1);
  EXPECT_EQ(dm->mtblMainDelta->FieldCount(), 0);

  // The detail table does not check: the copy fails, the row stays and the delta table is
  // left without a half-made row.
  EXPECT_THROW(dm->mtblSub->Delete(), EListError);
  EXPECT_EQ(dm->mtblSub->RecordCount(), 2);
  EXPECT_EQ(dm->mtblSubDelta->State(), dsBrowse);
  EXPECT_EQ(dm->mtblSubDelta->RecordCount(), 0);
}

}  // namespace
