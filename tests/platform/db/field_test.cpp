// Field values, text conversions under the regional settings, field events and errors.
#include <gtest/gtest.h>

#include "Fixtures.h"

namespace {

// A one-field table of TYPE (string SIZE), open and in insert mode.
struct OneField {
  TestOwner owner;
  TMemTableEh* table;
  TField* field;
  OneField(TFieldType type, int size = 0) {
    table = new TMemTableEh(owner.get());
    table->FieldDefs()->Add("F", type, size);
    table->CreateDataSet();
    table->Append();
    field = table->Fields()[0];
  }
};

enum class Outcome { ok, convertError, databaseError };

}  // namespace

TEST(FieldText, SetTextThenReadBack) {
  struct Case {
    TFieldType type;
    int size;
    std::string text;
    Outcome outcome;
    std::string asString;  // after a successful set
  } cases[] = {
      {ftInteger, 0, "42", Outcome::ok, "42"},
      {ftInteger, 0, "-007", Outcome::ok, "-7"},
      {ftInteger, 0, "$1F", Outcome::ok, "31"},  // the library's hexadecimal form
      {ftInteger, 0, "2147483648", Outcome::convertError, ""},
      {ftInteger, 0, "1.5", Outcome::convertError, ""},
      {ftInteger, 0, "abc", Outcome::convertError, ""},
      {ftSmallint, 0, "40000", Outcome::convertError, ""},
      {ftLargeint, 0, "9007199254740993", Outcome::ok, "9007199254740993"},
      {ftLargeint, 0, "123456789012345678901", Outcome::convertError, ""},
      {ftFloat, 0, "1.50", Outcome::ok, "1.5"},
      {ftFloat, 0, "-0.25e2", Outcome::ok, "-25"},
      {ftFloat, 0, " 3.75 ", Outcome::ok, "3.75"},
      {ftFloat, 0, "0.1", Outcome::ok, "0.1"},
      {ftFloat, 0, "1,5", Outcome::convertError, ""},
      {ftFloat, 0, "1e999", Outcome::convertError, ""},
      {ftFloat, 0, "nan", Outcome::convertError, ""},
      {ftDate, 0, "2009-08-05", Outcome::ok, "2009-08-05"},
      {ftDate, 0, "2000-02-29", Outcome::ok, "2000-02-29"},
      {ftDate, 0, "2009-02-30", Outcome::convertError, ""},
      {ftDate, 0, "05/08/2009", Outcome::convertError, ""},
      {ftDate, 0, "2009-08-05 10:20:30", Outcome::convertError, ""},
      {ftBoolean, 0, "True", Outcome::ok, "True"},
      {ftBoolean, 0, "f", Outcome::ok, "False"},
      {ftBoolean, 0, "yes", Outcome::convertError, ""},
      {ftString, 5, "abcdefgh", Outcome::ok, "abcde"},
      {ftString, 5, "ab\xD6\xD0\xCE\xC4", Outcome::ok, "ab\xD6\xD0"},  // never half a character
      {ftString, 0, std::string(3000, 'x'), Outcome::ok, std::string(3000, 'x')},
  };
  for (const auto& c : cases) {
    OneField t(c.type, c.size);
    SCOPED_TRACE(c.text);
    switch (c.outcome) {
      case Outcome::ok:
        t.field->SetAsString(c.text);
        EXPECT_FALSE(t.field->IsNull());
        EXPECT_EQ(t.field->AsString(), c.asString);
        t.table->Post();  // and the value survives the post
        EXPECT_EQ(t.field->AsString(), c.asString);
        break;
      case Outcome::convertError:
        EXPECT_THROW(t.field->SetAsString(c.text), EConvertError);
        EXPECT_TRUE(t.field->IsNull());  // a failed conversion leaves the value alone
        break;
      case Outcome::databaseError: EXPECT_THROW(t.field->SetAsString(c.text), EDatabaseError); break;
    }
  }
}

TEST(FieldText, EmptyTextClearsNonStringFields) {
  const std::pair<TFieldType, const char*> values[] = {
      {ftInteger, "1"}, {ftLargeint, "1"}, {ftFloat, "1.5"}, {ftDate, "2009-08-05"}, {ftBoolean, "True"}};
  for (const auto& [type, text] : values) {
    OneField t(type);
    t.field->SetAsString(text);
    ASSERT_FALSE(t.field->IsNull());
    t.field->SetAsString("");
    EXPECT_TRUE(t.field->IsNull()) << GetEnumName(EnumTypeOf<TFieldType>(), type);
  }
  OneField s(ftString, 10);
  s.field->SetAsString("");
  EXPECT_FALSE(s.field->IsNull());  // an empty string is a value
}

TEST(FieldText, TypedAccessAcrossKinds) {
  OneField f(ftFloat);
  f.field->SetAsFloat(2.5);
  EXPECT_EQ(f.field->AsInteger(), 2);
  EXPECT_EQ(f.field->AsVariant(), Variant(2.5));

  OneField d(ftDate);
  d.field->SetAsDateTime(EncodeDate(2009, 8, 5) + 0.75);  // the time of day is dropped
  EXPECT_DOUBLE_EQ(d.field->AsDateTime(), EncodeDate(2009, 8, 5));
  EXPECT_EQ(d.field->AsVariant().VarType(), varDate);

  OneField i(ftInteger);
  EXPECT_EQ(i.field->AsVariant(), Null());
  EXPECT_EQ(i.field->AsInteger(), 0);  // null reads as zero
  EXPECT_EQ(i.field->AsString(), "");
  i.field->SetAsVariant(Variant("15"));
  EXPECT_EQ(i.field->AsVariant(), Variant(15));
  i.field->SetAsVariant(Null());
  EXPECT_TRUE(i.field->IsNull());
  EXPECT_THROW(i.field->SetAsLargeInt(int64_t{1} << 40), EDatabaseError);

  OneField s(ftString, 20);
  s.field->SetAsString("12");
  EXPECT_EQ(s.field->AsInteger(), 12);
  s.field->SetAsString("x");
  EXPECT_THROW(s.field->AsInteger(), EConvertError);
  s.field->SetAsFloat(0.5);
  EXPECT_EQ(s.field->AsString(), "0.5");
}

TEST(FieldText, GetAndSetTextEvents) {
  OneField t(ftInteger);
  std::vector<bool> displayFlags;
  t.field->OnGetText = TFieldGetTextEvent([&](TField* f, AnsiString& text, bool display) {
    displayFlags.push_back(display);
    text = "#" + f->AsString();
  });
  t.field->OnSetText = TFieldSetTextEvent([](TField* f, const AnsiString& text) { f->SetAsString(text.substr(1)); });
  t.field->SetText("#9");
  EXPECT_EQ(t.field->AsInteger(), 9);
  EXPECT_EQ(t.field->Text(), "#9");
  EXPECT_EQ(t.field->DisplayText(), "#9");
  EXPECT_EQ(displayFlags, (std::vector<bool>{false, true}));
  EXPECT_EQ(t.field->AsString(), "9");  // AsString bypasses the events
}

TEST(FieldText, ValidateRejectsAndChangeFollows) {
  OneField t(ftInteger);
  std::vector<std::string> log;
  t.field->OnValidate = TFieldNotifyEvent([&](TField* f) {
    log.push_back("validate " + f->AsString());  // the new value is visible here
    if (f->AsInteger() < 0) throw EDatabaseError("negative");
  });
  t.field->OnChange = TFieldNotifyEvent([&](TField* f) { log.push_back("change " + f->AsString()); });
  t.field->SetAsInteger(5);
  EXPECT_THROW(t.field->SetAsInteger(-1), EDatabaseError);
  EXPECT_EQ(t.field->AsInteger(), 5);  // the rejected value is not kept
  EXPECT_EQ(log, (std::vector<std::string>{"validate 5", "change 5", "validate -1"}));
}

TEST(FieldText, WritingNeedsEditModeAndAWritableField) {
  TestOwner owner;
  TMemTableEh* t = MakeTable(owner.get(), {1});
  TField* id = t->FieldByName("ID");
  try {
    id->SetAsInteger(2);
    FAIL() << "wrote in browse mode";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "mtbl: Dataset not in edit or insert mode");
  }
  t->Edit();
  id->SetReadOnly(true);
  EXPECT_THROW(id->SetAsInteger(2), EDatabaseError);
  t->Cancel();
  t->Close();
  EXPECT_THROW(id->AsInteger(), EDatabaseError);  // closed
}

TEST(FieldText, DefaultsOfTheFieldClasses) {
  OneField s(ftString, 0), i(ftInteger), f(ftFloat), d(ftDate), b(ftBoolean);
  EXPECT_EQ(s.field->Alignment(), taLeftJustify);
  EXPECT_EQ(i.field->Alignment(), taRightJustify);
  EXPECT_EQ(f.field->Alignment(), taRightJustify);
  EXPECT_EQ(d.field->Alignment(), taLeftJustify);
  EXPECT_EQ(s.field->DisplayLabel(), "F");
  s.field->SetDisplayLabel("Caption");
  EXPECT_EQ(s.field->DisplayLabel(), "Caption");
  EXPECT_TRUE(s.field->Visible());
  EXPECT_FALSE(s.field->IsKey() || s.field->IsJoin() || s.field->NotNull());
  EXPECT_STREQ(s.field->ClassName().c_str(), "TStringField");
  EXPECT_STREQ(i.field->ClassName().c_str(), "TIntegerField");
  EXPECT_STREQ(d.field->ClassName().c_str(), "TDateField");
}
