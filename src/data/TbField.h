// Field metadata: one TTbField per column of a table (name, caption, widths, type, flags,
// foreign key, cell button, events), held by the TKvTbField component, which can also fill its
// items from an XML field list.
#pragma once

#include <memory>

#include "platform/classlib/Classes.h"
#include "platform/db/DB.h"

class TKvTbField;
namespace kvxml {
class TSimpleXmlNode;
}

// The field list in XML could not be read: "<reader's description> at offset N".
KV_EXCEPTION(EKvFieldListError, Exception)

// Cell editor of a grid column built from the item.
KV_ENUM(TKvGridButtonStyle, gbsNone, gbsButton, gbsDropDown, gbsCheckbox)

// Click on a column's ellipsis button; set Handled to stop the default handling.
using TButtonClickEvent = TEvent<void(TObject* Sender, bool& Handled)>;

#ifndef KV_HAS_TCOLCELLUPDATEDATAEVENTEH
#define KV_HAS_TCOLCELLUPDATEDATAEVENTEH
// A grid column's update-data event: the text typed and the value about to be stored.
using TColCellUpdateDataEventEh =
    TEvent<void(TObject* Sender, AnsiString& Text, Variant& Value, bool& UseText, bool& Handled)>;
#endif

// The metadata of one column.
class TTbField : public TCollectionItem {
  KV_CLASS(TTbField, TCollectionItem)
 public:
  // Appends the item to COLLECTION; in a TTbFields it gets the first free name "FieldN".
  explicit TTbField(TCollection* collection);

  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value) { FAlignment = value; }
  const AnsiString& DisplayLabel() const { return FDisplayLabel; }
  void SetDisplayLabel(const AnsiString& value) { FDisplayLabel = value; }
  int DisplayWidth() const { return FDisplayWidth; }
  void SetDisplayWidth(int value) { FDisplayWidth = value; }
  const AnsiString& FieldName() const { return FFieldName; }
  void SetFieldName(const AnsiString& value) { FFieldName = value; }
  TFieldType DataType() const { return FDataType; }
  void SetDataType(TFieldType value) { FDataType = value; }
  const AnsiString& Hint() const { return FHint; }
  void SetHint(const AnsiString& value) { FHint = value; }
  int FieldWidth() const { return FFieldWidth; }
  void SetFieldWidth(int value) { FFieldWidth = value; }
  bool IsKey() const { return FIsKey; }
  void SetIsKey(bool value) { FIsKey = value; }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value) { FReadOnly = value; }
  bool Visible() const { return FVisible; }
  void SetVisible(bool value) { FVisible = value; }
  bool NotNull() const { return FNotNull; }
  void SetNotNull(bool value) { FNotNull = value; }
  int NumPrec() const { return FNumPrec; }
  void SetNumPrec(int value) { FNumPrec = value; }
  TKvGridButtonStyle ButtonStyle() const { return FButtonStyle; }
  void SetButtonStyle(TKvGridButtonStyle value) { FButtonStyle = value; }
  bool IsJoin() const { return FIsJoin; }
  void SetIsJoin(bool value) { FIsJoin = value; }
  bool IsFK() const { return FIsFK; }
  void SetIsFK(bool value) { FIsFK = value; }
  const AnsiString& FKTable() const { return FFKTable; }
  void SetFKTable(const AnsiString& value) { FFKTable = value; }
  int DropDownTag() const { return FDropDownTag; }
  void SetDropDownTag(int value) { FDropDownTag = value; }

  TButtonClickEvent OnButtonClick;
  TFieldNotifyEvent OnChange;
  TFieldGetTextEvent OnGetText;
  TFieldSetTextEvent OnSetText;
  TFieldNotifyEvent OnValidate;
  TColCellUpdateDataEventEh OnUpdateData;

  // From another TTbField: every property, event handlers included; else the default.
  void Assign(TPersistent* source) override;
  // FieldName, or the default display name when it is empty.
  AnsiString DisplayName() const override;

  static void Publish(TPublisher<TTbField>& p);

 private:
  TAlignment FAlignment = taLeftJustify;
  AnsiString FDisplayLabel;
  int FDisplayWidth = 0;
  AnsiString FFieldName;
  TFieldType FDataType = ftUnknown;
  AnsiString FHint;
  int FFieldWidth = 0;
  bool FIsKey = false;
  bool FReadOnly = false;
  bool FVisible = true;
  bool FNotNull = false;
  int FNumPrec = 0;
  TKvGridButtonStyle FButtonStyle = gbsNone;
  bool FIsJoin = false;
  bool FIsFK = false;
  AnsiString FFKTable;
  int FDropDownTag = 0;
};

// The items of a TKvTbField, reporting it as their owner.
class TTbFields : public TOwnedCollection {
  KV_CLASS(TTbFields, TOwnedCollection)
 public:
  explicit TTbFields(TKvTbField* owner);

  // A new item at the end, named "FieldN" (the smallest free N).
  TTbField* Add() { return static_cast<TTbField*>(TCollection::Add()); }
  // Item INDEX (0-based); EListError when out of bounds.
  TTbField* Items(int index) const { return static_cast<TTbField*>(TCollection::Items(index)); }
  TTbField* operator[](int index) const { return Items(index); }

  // "FieldN" with the smallest N from 1 that no item other than EXCEPT is called (ignoring case).
  AnsiString FreeFieldName(const TTbField* except) const;
};

// Field metadata of one table, placed on a data module next to its memory table.
class TKvTbField : public TComponent {
  KV_CLASS(TKvTbField, TComponent)
 public:
  explicit TKvTbField(TComponent* owner);
  ~TKvTbField() override;

  TTbFields* TbFields() const { return FTbFields.get(); }
  // Copies the items of VALUE; null is ignored.
  void SetTbFields(TTbFields* value);
  TStrings* XML() const { return FXML.get(); }
  // Copies the lines; nothing else happens.
  void SetXML(TStrings* value);
  bool ActiveXml2Fields() const { return FActiveXml2Fields; }
  // Switching from false to true runs XmlToFields (its result is not reported); errors of
  // the conversion propagate.
  void SetActiveXml2Fields(bool value);
  const AnsiString& TableName() const { return FTableName; }
  void SetTableName(const AnsiString& value) { FTableName = value; }
  const AnsiString& PKName() const { return FPKName; }
  void SetPKName(const AnsiString& value) { FPKName = value; }

  // Replaces the items with the field list in XML. False (and nothing changed) when XML is
  // blank; false when the document has no "fields" element. XML is cleared afterwards in
  // every case but the blank one, also when the text is not XML, which raises
  // EKvFieldListError.
  bool XmlToFields();
  // "FKTable:FieldName" of every foreign-key item, in order, joined with ";".
  AnsiString GetFKList() const;

  static void Publish(TPublisher<TKvTbField>& p);

 private:
  void AddItemFrom(const kvxml::TSimpleXmlNode& filed);

  std::unique_ptr<TTbFields> FTbFields;
  std::unique_ptr<TStringList> FXML;
  bool FActiveXml2Fields = false;
  AnsiString FTableName;
  AnsiString FPKName;
};
