// The memory table: cached-update status, emptying, loading from another dataset, bulk append.
#include <gtest/gtest.h>

#include "Fixtures.h"
#include "platform/classlib/FormReader.h"

#include <climits>
#include <cstdint>
#include <string>

TEST(MemTable, UpdateStatusUnderCachedUpdates) {
  TestOwner owner;
  TMemTableEh* t = MakeTable(owner.get(), {1, 2});  // loaded with cached updates off
  t->SetCachedUpdates(true);
  EXPECT_EQ(t->UpdateStatus(), usUnmodified);
  t->Edit();
  t->FieldByName("NAME")->SetAsString("x");
  t->Post();
  EXPECT_EQ(t->UpdateStatus(), usModified);
  t->Append();
  EXPECT_EQ(t->UpdateStatus(), usInserted);
  t->FieldByName("ID")->SetAsInteger(3);
  t->Post();
  EXPECT_EQ(t->UpdateStatus(), usInserted);
  t->Edit();  // editing an inserted record keeps it inserted
  t->FieldByName("NAME")->SetAsString("y");
  t->Post();
  EXPECT_EQ(t->UpdateStatus(), usInserted);

  t->Delete();  // inserted: no change record
  EXPECT_EQ(t->DeletedCount(), 0);
  t->First();
  t->Delete();
  EXPECT_EQ(t->DeletedCount(), 1);
  t->CommitUpdates();
  EXPECT_EQ(t->DeletedCount(), 0);
  EXPECT_EQ(t->UpdateStatus(), usUnmodified);

  t->SetCachedUpdates(false);
  t->Append();
  t->Post();
  EXPECT_EQ(t->UpdateStatus(), usUnmodified);
}

TEST(MemTable, BeforeDeleteSeesTheRecordAndItsStatus) {
  // The delta-table pattern: copy a record by position before it goes, unless it was inserted.
  TestOwner owner;
  TMemTableEh* t = MakeTable(owner.get(), {1, 2});
  t->SetCachedUpdates(true);
  TMemTableEh* delta = MakeTable(owner.get(), {}, "delta");
  t->BeforeDelete = TDataSetNotifyEvent([&](TDataSet* ds) {
    if (static_cast<TMemTableEh*>(ds)->UpdateStatus() == usInserted) return;
    delta->Append();
    for (int i = 0; i < ds->FieldCount(); ++i) delta->Fields()[i]->SetAsVariant(ds->Fields()[i]->AsVariant());
    delta->Post();
  });
  t->Edit();
  t->FieldByName("NAME")->Clear();
  t->Post();
  t->Delete();
  t->Append();
  t->FieldByName("ID")->SetAsInteger(7);
  t->Post();
  t->Delete();
  ASSERT_EQ(delta->RecordCount(), 1);
  delta->First();
  EXPECT_EQ(delta->FieldByName("ID")->AsInteger(), 1);
  EXPECT_TRUE(delta->FieldByName("NAME")->IsNull());  // a null stays null
}

TEST(MemTable, EmptyTableRemovesEverythingAndStaysOpen) {
  TestOwner owner;
  TMemTableEh* t = MakeTable(owner.get(), {1, 2, 3});
  t->Edit();
  t->EmptyTable();
  EXPECT_TRUE(t->Active());
  EXPECT_EQ(t->State(), dsBrowse);
  EXPECT_EQ(t->RecordCount(), 0);
  EXPECT_TRUE(t->Eof() && t->Bof());
  t->AppendRecord({5, "five"});
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "five");
}

TEST(MemTable, LoadFromDataSetMatchesFieldsByName) {
  TestOwner owner;
  auto* source = new TMemTableEh(owner.get());
  source->FieldDefs()->Add("NAME", ftString, 20);
  source->FieldDefs()->Add("EXTRA", ftFloat);
  source->FieldDefs()->Add("id", ftLargeint);
  source->FieldDefs()->Add("WHEN", ftString, 10);
  source->CreateDataSet();
  source->AppendRecord({"abcdefghijklmno", 1.5, int64_t{10}, "2009-08-05"});
  source->AppendRecord({Null(), 2.5, int64_t{20}, Null()});
  source->AppendRecord({"\xD6\xD0\xCE\xC4", 3.5, int64_t{30}, "2010-01-02"});

  auto* target = new TMemTableEh(owner.get());
  target->SetCachedUpdates(true);
  target->FieldDefs()->Add("ID", ftInteger);
  target->FieldDefs()->Add("NAME", ftString, 10);
  target->FieldDefs()->Add("WHEN", ftDate);
  target->FieldDefs()->Add("ONLYHERE", ftString, 5);
  // Closed: the load opens it with its own structure.
  source->First();
  EXPECT_EQ(target->LoadFromDataSet(source, -1, lmAppend, false), 3);
  EXPECT_TRUE(source->Eof());
  EXPECT_EQ(target->RecordCount(), 3);
  EXPECT_EQ(target->RecNo(), 1);  // left on the first record
  struct Row {
    int id;
    const char* name;  // null: field is null
    const char* when;
  } expect[] = {{10, "abcdefghij", "2009-08-05"}, {20, nullptr, nullptr}, {30, "\xD6\xD0\xCE\xC4", "2010-01-02"}};
  for (const Row& r : expect) {
    EXPECT_EQ(target->FieldByName("ID")->AsInteger(), r.id);
    if (r.name) EXPECT_EQ(target->FieldByName("NAME")->AsString(), r.name);
    else EXPECT_TRUE(target->FieldByName("NAME")->IsNull());
    if (r.when) EXPECT_EQ(target->FieldByName("WHEN")->AsString(), r.when);
    else EXPECT_TRUE(target->FieldByName("WHEN")->IsNull());
    EXPECT_TRUE(target->FieldByName("ONLYHERE")->IsNull());
    EXPECT_EQ(target->UpdateStatus(), usUnmodified);  // loaded without the change log
    target->Next();
  }

  // Appending again, from the second record on, with the change log: marked inserted.
  source->First();
  source->Next();
  EXPECT_EQ(target->LoadFromDataSet(source, 1, lmAppend, true), 1);
  target->Last();
  EXPECT_EQ(target->FieldByName("ID")->AsInteger(), 20);
  EXPECT_EQ(target->UpdateStatus(), usInserted);

  // lmCopy replaces the records.
  source->First();
  EXPECT_EQ(target->LoadFromDataSet(source, -1, lmCopy, false), 3);
  EXPECT_EQ(target->RecordCount(), 3);
}

TEST(MemTable, LoadFromDataSetReportsValuesThatDoNotFit) {
  TestOwner owner;
  auto* source = new TMemTableEh(owner.get());
  source->FieldDefs()->Add("ID", ftString, 10);
  source->CreateDataSet();
  source->AppendRecord({"12"});
  source->AppendRecord({"x"});
  auto* target = new TMemTableEh(owner.get());
  target->FieldDefs()->Add("ID", ftInteger);
  target->CreateDataSet();
  source->First();
  EXPECT_THROW(target->LoadFromDataSet(source, -1, lmAppend, false), EConvertError);
  EXPECT_EQ(target->RecordCount(), 1);  // what came before the bad value stays
  EXPECT_THROW(target->LoadFromDataSet(nullptr, -1, lmAppend, false), EDatabaseError);
  EXPECT_THROW(target->LoadFromDataSet(target, -1, lmAppend, false), EDatabaseError);
}

TEST(MemTable, AppendRecordConvertsAndChecks) {
  TestOwner owner;
  auto* t = new TMemTableEh(owner.get());
  t->FieldDefs()->Add("I", ftInteger, 0, true);
  t->FieldDefs()->Add("D", ftDate);
  t->FieldDefs()->Add("B", ftBoolean);
  t->CreateDataSet();
  t->AppendRecord({"7", "2009-08-05", true});
  EXPECT_EQ(t->Fields()[0]->AsInteger(), 7);
  EXPECT_EQ(t->Fields()[1]->AsString(), "2009-08-05");
  EXPECT_TRUE(t->Fields()[2]->AsBoolean());
  EXPECT_THROW(t->AppendRecord({Null()}), EDatabaseError);  // required
  EXPECT_THROW(t->AppendRecord({int64_t{1} << 40}), EDatabaseError);  // out of range
  EXPECT_THROW(t->AppendRecord({"x"}), EConvertError);
  EXPECT_EQ(t->RecordCount(), 1);
}

TEST(MemTable, AddedPropertiesArePlainPublishedValues) {
  TestOwner owner;
  auto* t = new TMemTableEh(owner.get());
  EXPECT_EQ(t->KvTableName(), "");
  EXPECT_EQ(t->PKName(), "");
  EXPECT_EQ(t->FKName(), "");
  SetPropByName(t, "KvTableName", "'PO_HEAD'");
  SetPropByName(t, "PKName", "'ID'");
  SetPropByName(t, "FKName", "'T1:A;T2:C'");
  EXPECT_EQ(t->KvTableName(), "PO_HEAD");
  EXPECT_EQ(t->PKName(), "ID");
  EXPECT_EQ(t->FKName(), "T1:A;T2:C");
  // Declared after the table's own properties, in this order.
  std::vector<AnsiString> names;
  for (const TPropInfo* p : GetPropList(TMemTableEh::StaticClass())) names.push_back(p->Name);
  ASSERT_GE(names.size(), 3u);
  EXPECT_EQ((std::vector<AnsiString>(names.end() - 3, names.end())),
            (std::vector<AnsiString>{"KvTableName", "FKName", "PKName"}));

  std::vector<AnsiString> fieldProps;
  for (const TPropInfo* p : GetPropList(TIntegerField::StaticClass())) fieldProps.push_back(p->Name);
  ASSERT_GE(fieldProps.size(), 3u);
  EXPECT_EQ(fieldProps[fieldProps.size() - 3], "IsKey");
  EXPECT_EQ(fieldProps[fieldProps.size() - 1], "NotNull");
}

namespace {
// A data module stand-in that publishes a handler for its table's event.
class TTestDm : public TComponent {
  KV_CLASS(TTestDm, TComponent)
 public:
  explicit TTestDm(TComponent* owner) : TComponent(owner) {}
  int opened = 0;
  void mtblAfterOpen(TDataSet*) { ++opened; }
  static void Publish(TPublisher<TTestDm>& p) { KV_PUBLISHED_METHOD(p, TTestDm, mtblAfterOpen); }
};
}  // namespace

TEST(MemTable, ReadFromAFormResource) {
  RegisterDBClasses();
  TTestDm dm(nullptr);
  ReadComponentFromText(&dm,
                        "object TestDm: TTestDm\n"
                        "  object mtbl: TMemTableEh\n"
                        "    CachedUpdates = True\n"
                        "    FieldDefs = <\n"
                        "      item\n"
                        "        Name = 'ID'\n"
                        "        DataType = ftInteger\n"
                        "      end>\n"
                        "    StoreDefs = True\n"
                        "    AfterOpen = mtblAfterOpen\n"
                        "    KvTableName = 'PO_HEAD'\n"
                        "    Tag = 255\n"
                        "  end\n"
                        "  object ds: TDataSource\n"
                        "    DataSet = mtbl\n"
                        "  end\n"
                        "end\n",
                        "TestDm");
  auto* t = dynamic_cast<TMemTableEh*>(dm.FindComponent("mtbl"));
  auto* ds = dynamic_cast<TDataSource*>(dm.FindComponent("ds"));
  ASSERT_TRUE(t && ds);
  EXPECT_TRUE(t->CachedUpdates());
  EXPECT_EQ(t->KvTableName(), "PO_HEAD");
  EXPECT_EQ(t->Tag(), 255);
  EXPECT_EQ(ds->DataSet(), t);
  ASSERT_EQ(t->FieldDefs()->Count(), 1);
  t->CreateDataSet();
  EXPECT_EQ(dm.opened, 1);
  EXPECT_EQ(t->FieldByName("ID")->DataType(), ftInteger);
}

namespace {

// The table's records as text, "ID:NAME" each, in order; the cursor is left on the first.
std::string Contents(TMemTableEh* t) {
  std::string s;
  for (t->First(); !t->Eof(); t->Next())
    s += t->FieldByName("ID")->AsString() + ":" + t->FieldByName("NAME")->AsString() + " ";
  t->First();
  return s;
}

// Inserts in the middle, deletes, and appends enough records to grow the storage a few times.
void Churn(TMemTableEh* t) {
  t->First();
  t->Next();
  t->Insert();
  t->FieldByName("ID")->SetAsInteger(100);
  t->FieldByName("NAME")->SetAsString("mid");
  t->Post();
  t->Last();
  t->Delete();
  for (int i = 0; i < 3000; ++i) {
    t->Append();
    t->FieldByName("ID")->SetAsInteger(1000 + i);
    t->FieldByName("NAME")->SetAsString("r" + std::to_string(i));
    t->Post();
  }
}

}  // namespace

TEST(MemTable, CapacityHintsChangeNothingVisible) {
  TestOwner owner;
  TMemTableEh* plain = MakeTable(owner.get(), {1, 2, 3}, "plain");
  Churn(plain);
  const std::string expected = Contents(plain);

  const int recordHints[] = {INT_MIN, -1, 0, 1, 3, 5000, INT_MAX};
  const std::size_t textHints[] = {0, 1 << 20, SIZE_MAX};
  for (int records : recordHints)
    for (std::size_t text : textHints) {
      SCOPED_TRACE(std::to_string(records) + " records, " + std::to_string(text) + " bytes");
      TMemTableEh* t = MakeTable(owner.get(), {1, 2, 3}, "hinted");
      t->Next();
      t->Edit();
      t->FieldByName("NAME")->SetAsString("edited");
      EventLog log;
      log.Attach(t);
      t->ReserveRecords(records);
      t->ReserveText(text);
      EXPECT_EQ(log.Take(), "");
      EXPECT_EQ(t->State(), dsEdit);
      EXPECT_EQ(t->RecNo(), 2);
      EXPECT_EQ(t->FieldByName("NAME")->AsString(), "edited");  // the edit buffer is untouched
      t->Cancel();
      EXPECT_EQ(t->RecordCount(), 3);
      EXPECT_EQ(Contents(t), "1:n1 2:n2 3:n3 ");
      Churn(t);
      EXPECT_EQ(Contents(t), expected);
      delete t;
    }
}

TEST(MemTable, CapacityHintsOnAClosedTable) {
  TestOwner owner;
  auto* t = new TMemTableEh(owner.get());
  t->ReserveRecords(100);  // no fields, no definitions: nothing to size
  t->FieldDefs()->Add("ID", ftInteger);
  t->FieldDefs()->Add("NAME", ftString, 10);
  t->ReserveRecords(100);
  t->ReserveText(1000);
  EXPECT_FALSE(t->Active());
  t->CreateDataSet();
  EXPECT_EQ(t->RecordCount(), 0);
  t->AppendRecord({7, "seven"});
  EXPECT_EQ(Contents(t), "7:seven ");
}
