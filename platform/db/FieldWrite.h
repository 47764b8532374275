// TField's write step, shared by the units that store into fields (internal to platform/db):
// the state and ReadOnly checks, validation with the old value restored on failure, the
// modified flag, OnChange and the data event. Defined here so that each setter's store step
// inlines into it.
#pragma once

#include "platform/db/DB.h"

template <class Store>
void TField::Write(Store store) {
  TDataSet* ds = FDataSet;
  if (!ds || (ds->FState != dsEdit && ds->FState != dsInsert) || FReadOnly) [[unlikely]]
    WriteRefused();
  TFieldCell& cell = ds->EditCell(FFieldNo);
  if (OnValidate) [[unlikely]] {
    const TFieldCell saved = cell;
    store(cell);
    try {
      OnValidate(this);
    } catch (...) {
      cell = saved;
      throw;
    }
  } else {
    store(cell);
  }
  ds->FModified = true;
  if (OnChange) [[unlikely]]
    OnChange(this);
  ds->DataEvent(deFieldChange, reinterpret_cast<intptr_t>(this));
}
