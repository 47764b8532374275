#include "src/data/TbField.h"

#include <charconv>

#include "platform/xml/SimpleXml.h"

namespace {

// TEXT as a decimal integer (blanks around allowed); 0 when absent or not a number.
int DecimalOrZero(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  if (text.size() > 1 && text.front() == '+' && text[1] != '-') text.remove_prefix(1);
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
  if (ec != std::errc() || end != text.data() + text.size()) return 0;
  return value;
}

// A flag of the field list: false only for a value that is "0" once trimmed.
bool FlagOf(const kvxml::TSimpleXmlNode& node, std::string_view name) {
  return Trim(node.Attribute(name)) != "0";
}

}  // namespace

// ---- TTbField ------------------------------------------------------------------------------

TTbField::TTbField(TCollection* collection) : TCollectionItem(collection) {
  if (auto* fields = dynamic_cast<TTbFields*>(collection)) FFieldName = fields->FreeFieldName(this);
}

void TTbField::Assign(TPersistent* source) {
  auto* other = dynamic_cast<TTbField*>(source);
  if (!other) {
    TCollectionItem::Assign(source);
    return;
  }
  FAlignment = other->FAlignment;
  FDisplayLabel = other->FDisplayLabel;
  FDisplayWidth = other->FDisplayWidth;
  FFieldName = other->FFieldName;
  FDataType = other->FDataType;
  FHint = other->FHint;
  FFieldWidth = other->FFieldWidth;
  FIsKey = other->FIsKey;
  FReadOnly = other->FReadOnly;
  FVisible = other->FVisible;
  FNotNull = other->FNotNull;
  FNumPrec = other->FNumPrec;
  FButtonStyle = other->FButtonStyle;
  FIsJoin = other->FIsJoin;
  FIsFK = other->FIsFK;
  FFKTable = other->FFKTable;
  FDropDownTag = other->FDropDownTag;
  OnButtonClick = other->OnButtonClick;
  OnChange = other->OnChange;
  OnGetText = other->OnGetText;
  OnSetText = other->OnSetText;
  OnValidate = other->OnValidate;
  OnUpdateData = other->OnUpdateData;
}

AnsiString TTbField::DisplayName() const {
  return FFieldName.empty() ? TCollectionItem::DisplayName() : FFieldName;
}

void TTbField::Publish(TPublisher<TTbField>& p) {
  p.Property("Alignment", &TTbField::Alignment, &TTbField::SetAlignment);
  p.Property("DisplayLabel", &TTbField::DisplayLabel, &TTbField::SetDisplayLabel);
  p.Property("DisplayWidth", &TTbField::DisplayWidth, &TTbField::SetDisplayWidth);
  p.Property("FieldName", &TTbField::FieldName, &TTbField::SetFieldName);
  p.Property("DataType", &TTbField::DataType, &TTbField::SetDataType);
  p.Property("Hint", &TTbField::Hint, &TTbField::SetHint);
  p.Property("FieldWidth", &TTbField::FieldWidth, &TTbField::SetFieldWidth);
  p.Property("IsKey", &TTbField::IsKey, &TTbField::SetIsKey);
  p.Property("ReadOnly", &TTbField::ReadOnly, &TTbField::SetReadOnly);
  p.Property("Visible", &TTbField::Visible, &TTbField::SetVisible);
  p.Property("NotNull", &TTbField::NotNull, &TTbField::SetNotNull);
  p.Property("NumPrec", &TTbField::NumPrec, &TTbField::SetNumPrec);
  p.Property("ButtonStyle", &TTbField::ButtonStyle, &TTbField::SetButtonStyle);
  p.Property("IsJoin", &TTbField::IsJoin, &TTbField::SetIsJoin).Default(false);
  p.Property("IsFK", &TTbField::IsFK, &TTbField::SetIsFK).Default(false);
  p.Property("FKTable", &TTbField::FKTable, &TTbField::SetFKTable);
  p.Property("OnButtonClick", &TTbField::OnButtonClick);
  p.Property("OnChange", &TTbField::OnChange);
  p.Property("OnGetText", &TTbField::OnGetText);
  p.Property("OnSetText", &TTbField::OnSetText);
  p.Property("OnValidate", &TTbField::OnValidate);
  p.Property("OnUpdateData", &TTbField::OnUpdateData);
  p.Property("DropDownTag", &TTbField::DropDownTag, &TTbField::SetDropDownTag).Default(0);
}

// ---- TTbFields -----------------------------------------------------------------------------

TTbFields::TTbFields(TKvTbField* owner) : TOwnedCollection(owner, TTbField::StaticClass()) {}

AnsiString TTbFields::FreeFieldName(const TTbField* except) const {
  for (int n = 1;; ++n) {
    const AnsiString name = "Field" + IntToStr(n);
    bool taken = false;
    for (int i = 0; i < Count() && !taken; ++i) {
      const TTbField* item = Items(i);
      taken = item != except && SameText(item->FieldName(), name);
    }
    if (!taken) return name;
  }
}

// ---- TKvTbField ----------------------------------------------------------------------------

TKvTbField::TKvTbField(TComponent* owner)
    : TComponent(owner), FTbFields(new TTbFields(this)), FXML(new TStringList) {}

TKvTbField::~TKvTbField() = default;

void TKvTbField::SetTbFields(TTbFields* value) {
  if (value) FTbFields->Assign(value);
}

void TKvTbField::SetXML(TStrings* value) {
  if (value) FXML->Assign(value);
}

void TKvTbField::SetActiveXml2Fields(bool value) {
  const bool switchedOn = value && !FActiveXml2Fields;
  FActiveXml2Fields = value;
  if (switchedOn) XmlToFields();
}

bool TKvTbField::XmlToFields() {
  const AnsiString text = FXML->Text();
  if (Trim(text).empty()) return false;

  // The text is used up by the conversion, whichever way it ends.
  struct ClearOnExit {
    TStringList& Lines;
    ~ClearOnExit() { Lines.Clear(); }
  } clearXml{*FXML};

  kvxml::TSimpleXmlDocument doc;
  const kvxml::XmlParseResult result = doc.LoadFromString(text);
  if (!result)
    throw EKvFieldListError(Format("Field list is not well-formed XML: %s at offset %d",
                                   {result.description(), int64_t(result.offset)}));

  const kvxml::TSimpleXmlNode root = doc.Root();
  const kvxml::TSimpleXmlNode fields = root.FindChild("fields");
  if (!fields) return false;

  FTableName = root.Attribute("tablename");
  FTbFields->Clear();
  for (const kvxml::TSimpleXmlNode& filed : fields.FindChildren("filed")) AddItemFrom(filed);
  return true;
}

void TKvTbField::AddItemFrom(const kvxml::TSimpleXmlNode& filed) {
  TTbField* item = FTbFields->Add();
  item->SetDisplayWidth(DecimalOrZero(filed.Attribute("DW")));
  item->SetFieldName(filed.Attribute("FN"));
  item->SetDisplayLabel(filed.Attribute("DL"));
  item->SetHint(filed.Attribute("HT"));
  item->SetAlignment(taLeftJustify);
  item->SetNumPrec(DecimalOrZero(filed.Attribute("NP")));

  const AnsiString type = UpperCase(filed.Attribute("DT"));
  if (type == "VARCHAR2") {
    item->SetDataType(ftString);
    item->SetFieldWidth(DecimalOrZero(filed.Attribute("FW")));
  } else if (type == "DATE") {
    item->SetDataType(ftDate);
  } else if (type == "NUMBER" || type == "INTEGER") {
    item->SetDataType(type == "NUMBER" && item->NumPrec() != 0 ? ftFloat : ftInteger);
    item->SetAlignment(taRightJustify);
  } else {
    item->SetDataType(ftString);
  }
  // FieldWidth only ever comes from a VARCHAR2 field's "FW".
  if (type != "VARCHAR2") item->SetFieldWidth(0);

  item->SetIsKey(FlagOf(filed, "KEY"));
  item->SetReadOnly(FlagOf(filed, "RO"));
  item->SetVisible(FlagOf(filed, "VS"));
  item->SetNotNull(FlagOf(filed, "NN"));
  if (item->IsKey()) FPKName = item->FieldName();
}

AnsiString TKvTbField::GetFKList() const {
  AnsiString list;
  for (int i = 0; i < FTbFields->Count(); ++i) {
    const TTbField* item = FTbFields->Items(i);
    if (!item->IsFK()) continue;
    if (!list.empty()) list += ';';
    list += item->FKTable() + ":" + item->FieldName();
  }
  return list;
}

void TKvTbField::Publish(TPublisher<TKvTbField>& p) {
  p.Property("TbFields", &TKvTbField::TbFields, &TKvTbField::SetTbFields);
  p.Property("XML", &TKvTbField::XML, &TKvTbField::SetXML);
  p.Property("ActiveXml2Fields", &TKvTbField::ActiveXml2Fields, &TKvTbField::SetActiveXml2Fields).Default(false);
  p.Property("TableName", &TKvTbField::TableName, &TKvTbField::SetTableName);
  p.Property("PKName", &TKvTbField::PKName, &TKvTbField::SetPKName);
}
