// Data sources and links: what data-aware controls are told, and lifetime.
#include <gtest/gtest.h>

#include "Fixtures.h"

namespace {

// A link that writes down every call it gets.
class RecordingLink : public TDataLink {
 public:
  std::vector<std::string> calls;
  std::string Take() {
    std::string s;
    for (const auto& c : calls) s += (s.empty() ? "" : " ") + c;
    calls.clear();
    return s;
  }

 protected:
  void ActiveChanged() override { calls.push_back(Active() ? "active" : "inactive"); }
  void DataSetChanged() override { calls.push_back("changed"); }
  void DataSetScrolled(int distance) override { calls.push_back("scrolled " + std::to_string(distance)); }
  void EditingChanged() override { calls.push_back(Editing() ? "editing" : "not-editing"); }
  void RecordChanged(TField* field) override { calls.push_back("record " + (field ? field->FieldName() : "*")); }
  void UpdateData() override { calls.push_back("update"); }
};

}  // namespace

TEST(DataSource, LinksLearnWhatChanged) {
  TestOwner owner;
  TMemTableEh* t = MakeTable(owner.get(), {1, 2, 3});
  auto* ds = new TDataSource(owner.get());
  RecordingLink link;
  link.SetDataSource(ds);
  EXPECT_EQ(link.Take(), "");
  ds->SetDataSet(t);
  EXPECT_EQ(link.Take(), "active");
  EXPECT_EQ(ds->State(), dsBrowse);

  t->Next();
  EXPECT_EQ(link.Take(), "scrolled 1");
  t->Edit();
  EXPECT_EQ(link.Take(), "editing record *");
  t->FieldByName("NAME")->SetAsString("x");
  EXPECT_EQ(link.Take(), "record NAME");
  t->Post();
  EXPECT_EQ(link.Take(), "update not-editing changed");
  t->Close();
  EXPECT_EQ(link.Take(), "inactive");
}

TEST(DataSource, DataSourceEventsAndEnabled) {
  TestOwner owner;
  TMemTableEh* t = MakeTable(owner.get(), {1, 2});
  auto* ds = new TDataSource(owner.get());
  std::vector<std::string> log;
  ds->OnStateChange = TNotifyEvent([&](TObject*) { log.push_back("state"); });
  ds->OnDataChange = TDataChangeEvent([&](TObject*, TField* f) { log.push_back(f ? "data " + f->FieldName() : "data"); });
  ds->SetDataSet(t);
  t->Edit();
  t->FieldByName("ID")->SetAsInteger(5);
  EXPECT_EQ(log, (std::vector<std::string>{"state", "data", "state", "data", "data ID"}));
  t->Cancel();
  log.clear();
  ds->SetEnabled(false);
  EXPECT_EQ(ds->State(), dsInactive);
  t->Next();
  EXPECT_EQ(log, (std::vector<std::string>{"state"}));
}

TEST(DataSource, DisableControlsHoldsEventsUntilTheLastEnable) {
  TestOwner owner;
  TMemTableEh* t = MakeTable(owner.get(), {1, 2, 3});
  auto* ds = new TDataSource(owner.get());
  ds->SetDataSet(t);
  RecordingLink link;
  link.SetDataSource(ds);
  link.Take();
  t->DisableControls();
  t->DisableControls();
  EXPECT_TRUE(t->ControlsDisabled());
  t->Next();
  t->Edit();
  t->FieldByName("ID")->SetAsInteger(7);
  t->Post();
  t->EnableControls();
  EXPECT_EQ(link.Take(), "");
  t->EnableControls();
  EXPECT_FALSE(t->ControlsDisabled());
  EXPECT_EQ(link.Take(), "changed");  // one notification, the state is the same as before
  t->EnableControls();                // unbalanced: ignored
  EXPECT_EQ(link.Take(), "");
}

TEST(DataSource, FreeingTheDataSetLetsGo) {
  TestOwner owner;
  TestOwner elsewhere;  // a dataset owned by another owner
  TMemTableEh* t = MakeTable(elsewhere.get(), {1});
  auto* ds = new TDataSource(owner.get());
  ds->SetDataSet(t);
  RecordingLink link;
  link.SetDataSource(ds);
  link.Take();
  delete t;
  EXPECT_EQ(ds->DataSet(), nullptr);
  EXPECT_EQ(ds->State(), dsInactive);
  EXPECT_EQ(link.Take(), "inactive");
  EXPECT_FALSE(link.Active());
}

TEST(DataSource, ADataSetThatGoesOutOfScopeLetsGoToo) {
  TestOwner owner;
  auto* ds = new TDataSource(owner.get());
  {
    TMemTableEh table(nullptr);
    table.FieldDefs()->Add("ID", ftInteger);
    table.CreateDataSet();
    ds->SetDataSet(&table);
    EXPECT_EQ(ds->State(), dsBrowse);
  }
  EXPECT_EQ(ds->DataSet(), nullptr);
  ds->SetDataSet(nullptr);  // nothing dangling to detach from
}

TEST(DataSource, FreeingTheSourceOrTheLinkLetsGo) {
  TestOwner owner;
  TMemTableEh* t = MakeTable(owner.get(), {1});
  auto* ds = new TDataSource(owner.get());
  ds->SetDataSet(t);
  EXPECT_EQ(t->DataSourceCount(), 1);
  {
    RecordingLink shortLived;
    shortLived.SetDataSource(ds);
    EXPECT_EQ(ds->LinkCount(), 1);
  }
  EXPECT_EQ(ds->LinkCount(), 0);
  RecordingLink link;
  link.SetDataSource(ds);
  delete ds;
  EXPECT_EQ(link.DataSource(), nullptr);
  EXPECT_EQ(t->DataSourceCount(), 0);
  t->Next();  // nothing left to notify
}

TEST(DataSource, FieldDataLinkFollowsItsField) {
  TestOwner owner;
  TMemTableEh* t = MakeTable(owner.get(), {1, 2});
  auto* ds = new TDataSource(owner.get());
  ds->SetDataSet(t);
  TFieldDataLink link;
  int changes = 0;
  link.OnDataChange = TNotifyEvent([&](TObject*) { ++changes; });
  link.SetFieldName("NAME");
  link.SetDataSource(ds);
  ASSERT_EQ(link.Field(), t->FieldByName("NAME"));
  changes = 0;
  t->Edit();
  t->FieldByName("ID")->SetAsInteger(3);  // another field: not this link's business
  EXPECT_EQ(changes, 1);                  // (the record-level change of Edit only)
  t->FieldByName("NAME")->SetAsString("z");
  EXPECT_EQ(changes, 2);
  t->Close();
  EXPECT_EQ(link.Field(), nullptr);
}
