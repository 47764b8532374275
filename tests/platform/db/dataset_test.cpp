// Dataset states, cursor, event order, field lookup, creating storage.
#include <gtest/gtest.h>

#include "Fixtures.h"

namespace {

// Current ID or -1 without a record.
int CurrentId(TDataSet* t) { return t->RecNo() < 0 ? -1 : t->FieldByName("ID")->AsInteger(); }

}  // namespace

TEST(DataSetCursor, OperationsGiveEofBofAndRecord) {
  struct Case {
    std::vector<int> ids;
    std::string ops;  // F first, L last, N next, P prior, +n / -n MoveBy
    bool eof, bof;
    int id;
  } cases[] = {
      {{}, "", true, true, -1},
      {{}, "N", true, true, -1},
      {{}, "PL", true, true, -1},
      {{1}, "", false, true, 1},
      {{1}, "N", true, false, 1},
      {{1, 2, 3}, "", false, true, 1},
      {{1, 2, 3}, "N", false, false, 2},
      {{1, 2, 3}, "NN", false, false, 3},  // reaching the last record is not Eof
      {{1, 2, 3}, "NNN", true, false, 3},  // moving past it is
      {{1, 2, 3}, "L", true, false, 3},
      {{1, 2, 3}, "LP", false, false, 2},
      {{1, 2, 3}, "P", false, true, 1},
      {{1, 2, 3}, "NP", false, false, 1},
      {{1, 2, 3}, "NPP", false, true, 1},
      {{1, 2, 3}, "+5", true, false, 3},
      {{1, 2, 3}, "L-9", false, true, 1},
      {{1, 2, 3}, "LF", false, true, 1},
  };
  for (const auto& c : cases) {
    TestOwner owner;
    TMemTableEh* t = MakeTable(owner.get(), c.ids);
    for (std::size_t i = 0; i < c.ops.size(); ++i) {
      switch (c.ops[i]) {
        case 'F': t->First(); break;
        case 'L': t->Last(); break;
        case 'N': t->Next(); break;
        case 'P': t->Prior(); break;
        case '+':
        case '-': t->MoveBy((c.ops[i] == '-' ? -1 : 1) * (c.ops[i + 1] - '0')), ++i; break;
      }
    }
    SCOPED_TRACE(::testing::Message() << c.ids.size() << " records, ops '" << c.ops << "'");
    EXPECT_EQ(t->Eof(), c.eof);
    EXPECT_EQ(t->Bof(), c.bof);
    EXPECT_EQ(CurrentId(t), c.id);
    EXPECT_EQ(t->IsEmpty(), c.ids.empty());
  }
}

TEST(DataSetCursor, WhileNotEofVisitsEveryRecordOnce) {
  TestOwner owner;
  TMemTableEh* t = MakeTable(owner.get(), {1, 2, 3, 4});
  std::vector<int> seen;
  for (t->First(); !t->Eof(); t->Next()) seen.push_back(t->FieldByName("ID")->AsInteger());
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4}));
  t->SetRecNo(3);
  EXPECT_EQ(CurrentId(t), 3);
  t->SetRecNo(99);
  EXPECT_EQ(t->RecNo(), 4);
  EXPECT_EQ(t->MoveBy(-2), -2);
  EXPECT_EQ(t->RecNo(), 2);
}

TEST(DataSetEvents, OrderOfEachOperation) {
  TestOwner owner;
  auto* t = new TMemTableEh(owner.get());
  t->FieldDefs()->Add("ID", ftInteger);
  EventLog log;
  log.Attach(t);
  t->CreateDataSet();
  EXPECT_EQ(log.Take(), "BeforeOpen AfterOpen");
  t->Append();
  EXPECT_EQ(log.Take(), "BeforeInsert BeforeScroll OnNewRecord AfterInsert AfterScroll");
  EXPECT_EQ(t->State(), dsInsert);
  EXPECT_EQ(t->RecNo(), -1);
  t->Fields()[0]->SetAsInteger(1);
  t->Post();
  EXPECT_EQ(log.Take(), "BeforePost AfterPost");
  t->Edit();
  EXPECT_EQ(log.Take(), "BeforeEdit AfterEdit");
  t->Cancel();
  EXPECT_EQ(log.Take(), "BeforeCancel AfterCancel");
  t->Next();
  EXPECT_EQ(log.Take(), "BeforeScroll AfterScroll");
  t->Delete();
  EXPECT_EQ(log.Take(), "BeforeDelete BeforeScroll AfterDelete AfterScroll");
  t->Close();
  EXPECT_EQ(log.Take(), "BeforeClose AfterClose");
}

TEST(DataSetEvents, FailingPostLeavesTheRecordBeingEdited) {
  TestOwner owner;
  auto* t = new TMemTableEh(owner.get());
  t->FieldDefs()->Add("ID", ftInteger, 0, true);  // required
  t->FieldDefs()->Add("N", ftString, 5);
  t->CreateDataSet();
  EventLog log;
  log.Attach(t);

  t->Append();
  log.Take();
  EXPECT_THROW(t->Post(), EDatabaseError);  // required field missing: after BeforePost
  EXPECT_EQ(log.Take(), "BeforePost");
  EXPECT_EQ(t->State(), dsInsert);
  EXPECT_EQ(t->RecordCount(), 0);

  t->BeforePost = TDataSetNotifyEvent([](TDataSet*) { throw EDatabaseError("refused"); });
  t->Fields()[0]->SetAsInteger(1);
  EXPECT_THROW(t->Post(), EDatabaseError);
  EXPECT_EQ(t->State(), dsInsert);
  EXPECT_EQ(t->RecordCount(), 0);
  t->BeforePost.Clear();
  t->Post();
  EXPECT_EQ(t->RecordCount(), 1);

  // Post outside an edit state is an error and fires nothing.
  log.Take();
  EXPECT_THROW(t->Post(), EDatabaseError);
  EXPECT_EQ(log.Take(), "");
}

TEST(DataSetEvents, ScrollingPostsAModifiedRecordAndDropsAnUntouchedInsert) {
  TestOwner owner;
  TMemTableEh* t = MakeTable(owner.get(), {1, 2});
  t->Edit();
  t->FieldByName("NAME")->SetAsString("changed");
  t->Next();
  EXPECT_EQ(t->State(), dsBrowse);
  t->First();
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "changed");

  t->Append();  // nothing written: leaving it cancels
  t->First();
  EXPECT_EQ(t->RecordCount(), 2);

  t->OnNewRecord = TDataSetNotifyEvent([](TDataSet* ds) { ds->FieldByName("ID")->SetAsInteger(99); });
  t->Append();
  EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 99);
  EXPECT_FALSE(t->Modified());  // OnNewRecord's values are not the user's changes
}

TEST(DataSetEvents, InsertGoesBeforeTheCurrentRecordAndDeleteMovesOn) {
  TestOwner owner;
  TMemTableEh* t = MakeTable(owner.get(), {1, 2, 3});
  t->Next();
  t->Insert();
  t->FieldByName("ID")->SetAsInteger(9);
  t->Post();
  std::vector<int> ids;
  for (t->First(); !t->Eof(); t->Next()) ids.push_back(CurrentId(t));
  EXPECT_EQ(ids, (std::vector<int>{1, 9, 2, 3}));

  t->Last();
  t->Delete();  // the last record: the cursor goes to the new last one
  EXPECT_EQ(CurrentId(t), 2);
  t->First();
  t->Delete();
  EXPECT_EQ(CurrentId(t), 9);
  t->Delete();
  t->Delete();
  EXPECT_TRUE(t->IsEmpty());
  EXPECT_TRUE(t->Eof() && t->Bof());
  EXPECT_THROW(t->Delete(), EDatabaseError);
  t->Edit();  // editing an empty dataset inserts
  EXPECT_EQ(t->State(), dsInsert);
}

TEST(DataSetEvents, BeforeDeleteCanVeto) {
  TestOwner owner;
  TMemTableEh* t = MakeTable(owner.get(), {1, 2});
  t->BeforeDelete = TDataSetNotifyEvent([](TDataSet*) { throw EDatabaseError("no"); });
  EXPECT_THROW(t->Delete(), EDatabaseError);
  EXPECT_EQ(t->RecordCount(), 2);
}

TEST(DataSetFields, FieldByNameAndFindField) {
  TestOwner owner;
  TMemTableEh* t = MakeTable(owner.get(), {1});
  EXPECT_EQ(t->FieldByName("id"), t->Fields()[0]);  // ignoring case
  EXPECT_EQ(t->FindField("Name"), t->Fields()[1]);
  EXPECT_EQ(t->FindField("missing"), nullptr);
  try {
    t->FieldByName("missing");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "mtbl: Field 'missing' not found");
  }
  EXPECT_THROW(t->Fields()[5], EListError);
  EXPECT_EQ(t->Fields()[1]->Index(), 1);
  EXPECT_EQ(t->Fields()[1]->FieldNo(), 2);
}

TEST(DataSetFields, CreateDataSetChecksDefinitions) {
  TestOwner owner;
  auto* t = new TMemTableEh(owner.get());
  EXPECT_THROW(t->CreateDataSet(), EDatabaseError);  // nothing defined
  t->FieldDefs()->Add("A", ftString, 5);
  EXPECT_THROW(t->FieldDefs()->Add("a", ftInteger), EDatabaseError);  // duplicate name
  t->FieldDefs()->Add("B", ftUnknown);
  try {
    t->CreateDataSet();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Field 'B' is of an unknown type");
  }
  EXPECT_FALSE(t->Active());
  EXPECT_EQ(t->FieldCount(), 0);
  t->FieldDefs()->Delete(1);
  t->CreateDataSet();
  EXPECT_TRUE(t->Active());
  EXPECT_EQ(t->FieldCount(), 1);
  EXPECT_EQ(t->Fields()[0]->Size(), 5);

  // Re-creating rebuilds the fields from the current definitions.
  t->FieldDefs()->Add("C", ftDate);
  t->CreateDataSet();
  EXPECT_EQ(t->FieldCount(), 2);
  EXPECT_EQ(t->FieldByName("C")->DataType(), ftDate);
}

TEST(DataSetFields, OpenWithDefinitionsCreatesFieldsAndCloseKeepsThem) {
  TestOwner owner;
  auto* t = new TMemTableEh(owner.get());
  t->FieldDefs()->Add("A", ftInteger);
  t->Open();
  ASSERT_EQ(t->FieldCount(), 1);
  t->Fields()[0]->SetIsKey(true);
  t->Append();
  t->Fields()[0]->SetAsInteger(1);
  t->Post();
  t->Close();
  EXPECT_EQ(t->RecordCount(), 0);
  t->Open();
  EXPECT_TRUE(t->IsEmpty());  // closing drops the records
  EXPECT_TRUE(t->Fields()[0]->IsKey());
}

TEST(DataSetFields, ReadOnlyDatasetRefusesChanges) {
  TestOwner owner;
  TMemTableEh* t = MakeTable(owner.get(), {1});
  t->SetReadOnly(true);
  EXPECT_THROW(t->Edit(), EDatabaseError);
  EXPECT_THROW(t->Append(), EDatabaseError);
  EXPECT_THROW(t->Delete(), EDatabaseError);
}
