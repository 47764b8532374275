// Small tables for the dataset tests.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/db/MemTableEh.h"

// An owner for the components of one test (frees them at the end).
struct TestOwner {
  std::unique_ptr<TComponent> root = std::make_unique<TComponent>(nullptr);
  TComponent* get() const { return root.get(); }
};

// A table ID (integer), NAME (string 10), opened, with the IDs given, names "n<ID>".
inline TMemTableEh* MakeTable(TComponent* owner, const std::vector<int>& ids, const char* name = "mtbl") {
  auto* t = new TMemTableEh(owner);
  t->SetName(name);
  t->FieldDefs()->Add("ID", ftInteger);
  t->FieldDefs()->Add("NAME", ftString, 10);
  t->CreateDataSet();
  for (int id : ids) {
    t->Append();
    t->FieldByName("ID")->SetAsInteger(id);
    t->FieldByName("NAME")->SetAsString("n" + std::to_string(id));
    t->Post();
  }
  if (!ids.empty()) t->First();
  return t;
}

// Records dataset events by name, in order.
struct EventLog {
  std::vector<std::string> names;
  void Attach(TDataSet* ds) {
    auto hook = [this](TDataSetNotifyEvent& e, const char* name) {
      e = TDataSetNotifyEvent([this, name](TDataSet*) { names.push_back(name); });
    };
    hook(ds->BeforeOpen, "BeforeOpen");
    hook(ds->AfterOpen, "AfterOpen");
    hook(ds->BeforeClose, "BeforeClose");
    hook(ds->AfterClose, "AfterClose");
    hook(ds->BeforeInsert, "BeforeInsert");
    hook(ds->AfterInsert, "AfterInsert");
    hook(ds->BeforeEdit, "BeforeEdit");
    hook(ds->AfterEdit, "AfterEdit");
    hook(ds->BeforePost, "BeforePost");
    hook(ds->AfterPost, "AfterPost");
    hook(ds->BeforeCancel, "BeforeCancel");
    hook(ds->AfterCancel, "AfterCancel");
    hook(ds->BeforeDelete, "BeforeDelete");
    hook(ds->AfterDelete, "AfterDelete");
    hook(ds->BeforeScroll, "BeforeScroll");
    hook(ds->AfterScroll, "AfterScroll");
    hook(ds->OnNewRecord, "OnNewRecord");
  }
  std::string Take() {
    std::string s;
    for (const auto& n : names) s += (s.empty() ? "" : " ") + n;
    names.clear();
    return s;
  }
};
