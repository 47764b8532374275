// Field metadata: the XML field list, naming, the foreign-key list, Assign and streaming.
#include "src/data/TbField.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classlib/FormReader.h"
#include "platform/classlib/FormWriter.h"

namespace {

std::string TypeName(TFieldType t) { return GetEnumName(EnumTypeOf<TFieldType>(), t); }
std::string AlignName(TAlignment a) { return GetEnumName(EnumTypeOf<TAlignment>(), a); }

// "NAME label dw type fw align np flags" with flags as K R V N (key, read-only, visible,
// not null) or '-'.
std::string DescribeItem(const TTbField* f) {
  std::string flags;
  flags += f->IsKey() ? 'K' : '-';
  flags += f->ReadOnly() ? 'R' : '-';
  flags += f->Visible() ? 'V' : '-';
  flags += f->NotNull() ? 'N' : '-';
  return f->FieldName() + " '" + f->DisplayLabel() + "' '" + f->Hint() + "' " + std::to_string(f->DisplayWidth()) +
         " " + TypeName(f->DataType()) + " " + std::to_string(f->FieldWidth()) + " " + AlignName(f->Alignment()) +
         " " + std::to_string(f->NumPrec()) + " " + flags;
}

std::vector<std::string> DescribeItems(const TKvTbField& c) {
  std::vector<std::string> out;
  for (int i = 0; i < c.TbFields()->Count(); ++i) out.push_back(DescribeItem(c.TbFields()->Items(i)));
  return out;
}

void SetXml(TKvTbField& c, const std::string& text) { c.XML()->SetText(text); }

std::string FieldList(const std::string& fileds, const std::string& root = "Table tablename=\"PO_LINE\"") {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<" + root + ">\n  <Fields>\n" + fileds + "  </Fields>\n</" +
         root.substr(0, root.find(' ')) + ">\n";
}

struct ItemCase {
  const char* name;
  std::string filed;     // one "filed" element
  std::string expected;  // DescribeItem of the item it gives
};

class FieldListItems : public ::testing::TestWithParam<ItemCase> {};

TEST_P(FieldListItems, ConvertOneElement) {
  TKvTbField c(nullptr);
  SetXml(c, FieldList(GetParam().filed));
  ASSERT_TRUE(c.XmlToFields());
  ASSERT_EQ(c.TbFields()->Count(), 1);
  EXPECT_EQ(DescribeItem(c.TbFields()->Items(0)), GetParam().expected);
}

const ItemCase kItemCases[] = {
    {"AllAttributes",
     "<filed DW=\"80\" FN=\"BILLNO\" DL=\"单号\" HT=\"采购单号\" DT=\"VARCHAR2\" FW=\"20\" KEY=\"1\" RO=\"0\" VS=\"1\" "
     "NN=\"1\"/>",
     "BILLNO '单号' '采购单号' 80 ftString 20 taLeftJustify 0 K-VN"},
    {"NoFlagsMeansAllSet", "<filed FN=\"A\"/>", "A '' '' 0 ftString 0 taLeftJustify 0 KRVN"},
    // The flag rule: false only for "0" once trimmed.
    {"FlagValues", "<filed FN=\"A\" KEY=\" 0 \" RO=\"\" VS=\"00\" NN=\"false\"/>",
     "A '' '' 0 ftString 0 taLeftJustify 0 -RVN"},
    {"FlagsZeroWithTab", "<filed FN=\"A\" KEY=\"0\" RO=\"0\" VS=\"&#9;0\" NN=\"0\"/>",
     "A '' '' 0 ftString 0 taLeftJustify 0 ----"},
    // The type table.
    {"NumberWithDecimals", "<filed FN=\"Q\" DT=\"NUMBER\" NP=\"2\" FW=\"9\"/>",
     "Q '' '' 0 ftFloat 0 taRightJustify 2 KRVN"},
    {"NumberWithoutDecimals", "<filed FN=\"Q\" DT=\"NUMBER\" NP=\"0\" FW=\"9\"/>",
     "Q '' '' 0 ftInteger 0 taRightJustify 0 KRVN"},
    {"NumberNoNP", "<filed FN=\"Q\" DT=\"number\"/>", "Q '' '' 0 ftInteger 0 taRightJustify 0 KRVN"},
    {"IntegerWithNP", "<filed FN=\"Q\" DT=\"INTEGER\" NP=\"3\"/>", "Q '' '' 0 ftInteger 0 taRightJustify 3 KRVN"},
    {"DateAnyCase", "<filed FN=\"D\" DT=\"Date\" FW=\"10\"/>", "D '' '' 0 ftDate 0 taLeftJustify 0 KRVN"},
    {"VarcharLowerCase", "<filed FN=\"S\" DT=\"varchar2\" FW=\"12\"/>", "S '' '' 0 ftString 12 taLeftJustify 0 KRVN"},
    {"UnknownType", "<filed FN=\"S\" DT=\"CLOB\" FW=\"12\"/>", "S '' '' 0 ftString 0 taLeftJustify 0 KRVN"},
    {"TypeNeedsExactWord", "<filed FN=\"S\" DT=\" DATE\"/>", "S '' '' 0 ftString 0 taLeftJustify 0 KRVN"},
    {"NumbersThatAreNot", "<filed FN=\"S\" DW=\"8x\" NP=\"\" DT=\"VARCHAR2\" FW=\"abc\"/>",
     "S '' '' 0 ftString 0 taLeftJustify 0 KRVN"},
    {"NumbersWithBlanks", "<filed FN=\"S\" DW=\" 60 \" DT=\"VARCHAR2\" FW=\"-4\"/>",
     "S '' '' 60 ftString -4 taLeftJustify 0 KRVN"},
    // Names of elements and attributes ignore case.
    {"NamesIgnoreCase", "<FILED dw=\"5\" Fn=\"X\" dl=\"x\" dt=\"Number\" np=\"1\" key=\"0\"/>",
     "X 'x' '' 5 ftFloat 0 taRightJustify 1 -RVN"},
    {"NoFieldNameStaysEmpty", "<filed DL=\"label\"/>", " 'label' '' 0 ftString 0 taLeftJustify 0 KRVN"},
};

INSTANTIATE_TEST_SUITE_P(TbField, FieldListItems, ::testing::ValuesIn(kItemCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(XmlToFields, ReadsTheListInOrderAndNamesTheTable) {
  TKvTbField c(nullptr);
  c.SetPKName("OLD");
  SetXml(c, FieldList("    <filed FN=\"A\" KEY=\"1\"/>\n    <other FN=\"skipped\"/>\n    <filed FN=\"B\" KEY=\"1\"/>\n"
                      "    <filed FN=\"C\" KEY=\"0\"/>\n"));
  ASSERT_TRUE(c.XmlToFields());
  EXPECT_EQ(c.TableName(), "PO_LINE");
  EXPECT_EQ(c.PKName(), "B");  // the last key field
  ASSERT_EQ(c.TbFields()->Count(), 3);
  EXPECT_EQ(c.TbFields()->Items(2)->FieldName(), "C");
  EXPECT_EQ(c.XML()->Count(), 0);
}

TEST(XmlToFields, ReplacesEarlierItemsAndKeepsPKNameWithoutKeys) {
  TKvTbField c(nullptr);
  c.SetPKName("ID");
  c.SetTableName("OLD");
  c.TbFields()->Add();
  c.TbFields()->Add();
  SetXml(c, "<fields><filed FN=\"A\" KEY=\"0\"/></fields>");  // the document element is no child
  EXPECT_FALSE(c.XmlToFields());  // no "fields" child below it
  EXPECT_EQ(c.TbFields()->Count(), 2);

  SetXml(c, "<T><fields><filed FN=\"A\" KEY=\"0\"/></fields></T>");
  ASSERT_TRUE(c.XmlToFields());
  EXPECT_EQ(c.TableName(), "");  // no "tablename" attribute
  EXPECT_EQ(c.PKName(), "ID");
  EXPECT_EQ(DescribeItems(c), std::vector<std::string>{"A '' '' 0 ftString 0 taLeftJustify 0 -RVN"});
}

TEST(XmlToFields, FailuresAndWhatTheyLeave) {
  TKvTbField c(nullptr);
  c.TbFields()->Add()->SetFieldName("KEEP");
  c.SetTableName("T0");

  SetXml(c, " \r\n\t");
  EXPECT_FALSE(c.XmlToFields());  // blank text: nothing changes, the text stays
  EXPECT_EQ(c.XML()->Count(), 2);

  SetXml(c, "<Table tablename=\"X\"><Other/></Table>");
  EXPECT_FALSE(c.XmlToFields());  // no field list: the text is used up, nothing else changes
  EXPECT_EQ(c.XML()->Count(), 0);
  EXPECT_EQ(c.TableName(), "T0");

  SetXml(c, "<Table><Fields><filed FN=\"A\"></Fields>");
  EXPECT_THROW(c.XmlToFields(), EKvFieldListError);
  EXPECT_EQ(c.XML()->Count(), 0);
  ASSERT_EQ(c.TbFields()->Count(), 1);
  EXPECT_EQ(c.TbFields()->Items(0)->FieldName(), "KEEP");
}

TEST(XmlToFields, ReadsUtf8AndCodePageText) {
  TKvTbField c(nullptr);
  // As a form resource holds it: already in code page 936 although the declaration says utf-8.
  SetXml(c, FieldList("<filed FN=\"A\" DL=\"数量\"/>"));
  ASSERT_TRUE(c.XmlToFields());
  EXPECT_EQ(c.TbFields()->Items(0)->DisplayLabel(), "数量");

  const std::u8string utf8 = u8"<T><Fields><filed FN=\"B\" DL=\"单价\"/></Fields></T>";
  SetXml(c, std::string(reinterpret_cast<const char*>(utf8.data()), utf8.size()));
  ASSERT_TRUE(c.XmlToFields());
  EXPECT_EQ(c.TbFields()->Items(0)->DisplayLabel(), "单价");
}

TEST(ActiveXml2Fields, ConvertsOnlyWhenSwitchedOn) {
  TKvTbField c(nullptr);
  SetXml(c, FieldList("<filed FN=\"A\"/>"));
  c.SetActiveXml2Fields(true);
  ASSERT_EQ(c.TbFields()->Count(), 1);

  SetXml(c, FieldList("<filed FN=\"B\"/><filed FN=\"C\"/>"));
  c.SetActiveXml2Fields(true);  // already on: nothing happens
  EXPECT_EQ(c.TbFields()->Count(), 1);
  EXPECT_EQ(c.XML()->Count(), 5);

  c.SetActiveXml2Fields(false);  // only recorded
  EXPECT_EQ(c.TbFields()->Count(), 1);
  c.SetActiveXml2Fields(true);
  EXPECT_EQ(c.TbFields()->Count(), 2);

  c.SetActiveXml2Fields(false);
  SetXml(c, "<broken");
  EXPECT_THROW(c.SetActiveXml2Fields(true), EKvFieldListError);
}

TEST(TbFields, NamesNewItemsWithTheFirstFreeFieldN) {
  TKvTbField c(nullptr);
  TTbFields* items = c.TbFields();
  EXPECT_EQ(items->Add()->FieldName(), "Field1");
  EXPECT_EQ(items->Add()->FieldName(), "Field2");
  EXPECT_EQ(items->Add()->FieldName(), "Field3");

  items->Clear();
  items->Add()->SetFieldName("FIELD2");
  EXPECT_EQ(items->Add()->FieldName(), "Field1");
  EXPECT_EQ(items->Add()->FieldName(), "Field3");
  items->Items(0)->SetFieldName("");
  EXPECT_EQ(items->Add()->FieldName(), "Field2");
  EXPECT_EQ(items->GetOwner(), &c);
}

TEST(TbFields, DisplayNameIsTheFieldName) {
  TKvTbField c(nullptr);
  TTbField* item = c.TbFields()->Add();
  EXPECT_EQ(item->DisplayName(), "Field1");
  item->SetFieldName("");
  EXPECT_EQ(item->DisplayName(), "TTbField");  // the class library's default
}

TEST(GetFKList, JoinsTheForeignKeysInOrder) {
  TKvTbField c(nullptr);
  EXPECT_EQ(c.GetFKList(), "");
  auto add = [&](const char* name, bool fk, const char* table) {
    TTbField* f = c.TbFields()->Add();
    f->SetFieldName(name);
    f->SetIsFK(fk);
    f->SetFKTable(table);
  };
  add("A", true, "T1");
  add("B", false, "IGNORED");
  add("C", true, "T2");
  EXPECT_EQ(c.GetFKList(), "T1:A;T2:C");
}

TEST(TbFieldAssign, CopiesEveryPropertyAndHandler) {
  TKvTbField c(nullptr);
  TTbField* from = c.TbFields()->Add();
  from->SetAlignment(taCenter);
  from->SetDisplayLabel("L");
  from->SetDisplayWidth(7);
  from->SetFieldName("F");
  from->SetDataType(ftDate);
  from->SetHint("H");
  from->SetFieldWidth(3);
  from->SetIsKey(true);
  from->SetReadOnly(true);
  from->SetVisible(false);
  from->SetNotNull(true);
  from->SetNumPrec(2);
  from->SetButtonStyle(gbsDropDown);
  from->SetIsJoin(true);
  from->SetIsFK(true);
  from->SetFKTable("T");
  from->SetDropDownTag(9);
  int clicks = 0;
  from->OnButtonClick = TButtonClickEvent([&](TObject*, bool& handled) { handled = ++clicks > 0; });
  from->OnValidate = TFieldNotifyEvent([&](TField*) { clicks += 10; });

  TTbField* to = c.TbFields()->Add();
  to->Assign(from);
  EXPECT_EQ(DescribeItem(to), DescribeItem(from));
  EXPECT_EQ(to->ButtonStyle(), gbsDropDown);
  EXPECT_TRUE(to->IsJoin());
  EXPECT_TRUE(to->IsFK());
  EXPECT_EQ(to->FKTable(), "T");
  EXPECT_EQ(to->DropDownTag(), 9);
  bool handled = false;
  to->OnButtonClick(nullptr, handled);
  to->OnValidate(nullptr);
  EXPECT_TRUE(handled);
  EXPECT_EQ(clicks, 11);

  TStringList notAField;
  EXPECT_THROW(to->Assign(&notAField), EConvertError);
}

TEST(KvTbFieldStreaming, WritesDefaultsOnlyWhereDeclaredAndReadsBack) {
  TComponent root(nullptr);
  root.SetName("dm");
  auto* c = new TKvTbField(&root);
  c->SetName("tbfld");
  TTbField* f = c->TbFields()->Add();
  f->SetFieldName("A");
  const std::string text = WriteComponentToText(c);
  // Stored only when set: IsJoin, IsFK, DropDownTag, ActiveXml2Fields.
  for (const char* absent : {"IsJoin", "IsFK", "DropDownTag", "ActiveXml2Fields"})
    EXPECT_EQ(text.find(absent), std::string::npos) << absent << " in\n" << text;
  // No declared default: always stored.
  for (const char* present : {"Alignment = taLeftJustify", "DisplayWidth = 0", "IsKey = False", "Visible = True",
                              "ButtonStyle = gbsNone", "DataType = ftUnknown"})
    EXPECT_NE(text.find(present), std::string::npos) << present << " not in\n" << text;

  f->SetIsFK(true);
  f->SetDropDownTag(3);
  const std::string changed = WriteComponentToText(c);
  EXPECT_NE(changed.find("IsFK = True"), std::string::npos) << changed;
  EXPECT_NE(changed.find("DropDownTag = 3"), std::string::npos) << changed;
}

TEST(KvTbFieldStreaming, AResourceConvertsItsListAndStoredNamesWin) {
  RegisterClass(TKvTbField::StaticClass());
  TComponent root(nullptr);
  root.SetName("dm");
  ReadComponentFromText(&root,
                        "object dm: TComponent\n"
                        "  object tbfld: TKvTbField\n"
                        "    XML.Strings = (\n"
                        "      '<Table tablename=\"FROM_XML\"><Fields>'\n"
                        "      '<filed FN=\"ID\" KEY=\"1\"/><filed FN=\"NAME\" KEY=\"0\"/>'\n"
                        "      '</Fields></Table>')\n"
                        "    ActiveXml2Fields = True\n"
                        "    TableName = 'STORED'\n"
                        "  end\n"
                        "end\n",
                        "test.dfm");
  auto* c = dynamic_cast<TKvTbField*>(root.FindComponent("tbfld"));
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->TbFields()->Count(), 2);
  EXPECT_EQ(c->TableName(), "STORED");
  EXPECT_EQ(c->PKName(), "ID");
  EXPECT_EQ(c->XML()->Count(), 0);
}

}  // namespace
