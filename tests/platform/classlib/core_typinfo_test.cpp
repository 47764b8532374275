// Published-property registry: declaration order, streaming defaults, access by name.
#include <gtest/gtest.h>

#include "tests/platform/classlib/core_test_classes.h"

namespace {

std::vector<AnsiString> PropNames(TClass cls) {
  std::vector<AnsiString> names;
  for (const TPropInfo* p : GetPropList(cls)) names.push_back(p->Name);
  return names;
}

TEST(CoreTypInfo, PropertiesListInheritedFirstAndARedeclarationKeepsItsPlace) {
  std::vector<AnsiString> widget = PropNames(TTestWidget::StaticClass());
  ASSERT_GE(widget.size(), 4u);
  EXPECT_EQ(widget[0], "Name");
  EXPECT_EQ(widget[1], "Tag");
  EXPECT_EQ(widget[2], "Left");
  EXPECT_EQ(widget[3], "Width");
  EXPECT_EQ(PropNames(TTestWideWidget::StaticClass()), widget);
  EXPECT_EQ(GetPropInfo(TTestWideWidget::StaticClass(), "width")->DefaultOrd, 200);
  EXPECT_EQ(GetPropInfo(TTestWidget::StaticClass(), "Width")->DefaultOrd, 100);
  EXPECT_EQ(GetPropInfo(TTestWidget::StaticClass(), "NoSuch"), nullptr);

  struct KindCase {
    const char* name;
    TTypeKind kind;
  } kinds[] = {
      {"Tag", TTypeKind::tkInt64},         {"Left", TTypeKind::tkInteger},  {"Caption", TTypeKind::tkString},
      {"Visible", TTypeKind::tkBool},      {"Align", TTypeKind::tkEnumeration}, {"Options", TTypeKind::tkSet},
      {"Ratio", TTypeKind::tkFloat},       {"Key", TTypeKind::tkChar},      {"Font", TTypeKind::tkClass},
      {"Items", TTypeKind::tkClass},       {"Data", TTypeKind::tkBinary},   {"Buddy", TTypeKind::tkComponent},
      {"OnClick", TTypeKind::tkMethod},
  };
  for (const KindCase& k : kinds) EXPECT_EQ(GetPropInfo(TTestWidget::StaticClass(), k.name)->Kind, k.kind) << k.name;
  EXPECT_EQ(GetPropInfo(TStrings::StaticClass(), "Strings")->Kind, TTypeKind::tkStringList);
}

TEST(CoreTypInfo, StoredRulesDecideWhatTheWriterWrites) {
  struct Case {
    const char* prop;
    std::function<void(TTestWidget&)> change;
    bool stored;
  } cases[] = {
      {"Name", [](TTestWidget& w) { w.SetName("abc"); }, false},  // written in the header instead
      {"Tag", [](TTestWidget&) {}, false},
      {"Tag", [](TTestWidget& w) { w.SetTag(3); }, true},
      {"Left", [](TTestWidget&) {}, true},  // no default: always written
      {"Width", [](TTestWidget&) {}, false},
      {"Width", [](TTestWidget& w) { w.Width = 101; }, true},
      {"Visible", [](TTestWidget&) {}, false},
      {"Visible", [](TTestWidget& w) { w.Visible = false; }, true},
      {"Flag", [](TTestWidget&) {}, false},
      {"Flag", [](TTestWidget& w) { w.Flag = true; }, true},
      {"Options", [](TTestWidget&) {}, false},
      {"Options", [](TTestWidget& w) { w.Options = {}; }, true},
      {"Hidden", [](TTestWidget& w) { w.Hidden = 99; }, false},
      {"Special", [](TTestWidget& w) { w.Special = 5; }, false},
      {"Special", [](TTestWidget& w) { w.Special = 11; }, true},
      {"Caption", [](TTestWidget&) {}, false},
      {"Caption", [](TTestWidget& w) { w.Caption = "x"; }, true},
      {"Ratio", [](TTestWidget& w) { w.Ratio = 0.5; }, true},
      {"Buddy", [](TTestWidget&) {}, false},
      {"OnClick", [](TTestWidget& w) { w.OnClick = [](TObject*) {}; }, false},  // bound in code: no name
      {"Data", [](TTestWidget& w) { w.Data = {1}; }, true},
      {"Items", [](TTestWidget&) {}, false},
      {"Items", [](TTestWidget& w) { w.Items()->Add(); }, true},
  };
  for (const Case& c : cases) {
    TTestWidget w(nullptr);
    c.change(w);
    EXPECT_EQ(IsStoredProp(&w, GetPropInfo(w.ClassType(), c.prop)), c.stored) << c.prop;
  }
}

TEST(CoreTypInfo, SetAndGetByNameUseTheResourceSyntax) {
  struct Case {
    const char* path;
    const char* value;
    const char* readBack;
  } cases[] = {
      {"Width", "250", "250"},
      {"Left", "-3", "-3"},
      {"Width", "$10", "16"},
      {"Font.Height", "-12", "-12"},
      {"Font.Style", "[toUnderline, toBold]", "[toBold, toUnderline]"},
      {"Options", "[]", "[]"},
      {"Align", "TACLIENT", "taClient"},
      {"Visible", "false", "False"},
      {"Caption", "'It''s'#13#10'ok'", "'It''s'#13#10'ok'"},
      {"Caption", "'a' + 'b'", "'ab'"},
      {"Caption", "''", "''"},
      {"Color", "clTestRed", "clTestRed"},
      {"Color", "$FF00000F", "clTestFace"},
      {"Color", "123", "123"},
      {"Ratio", "1.5E3", "1500"},
      {"Ratio", "-0.25", "-0.25"},
      {"Big", "-9223372036854775808", "-9223372036854775808"},
      {"Key", "'x'", "'x'"},
      {"Key", "#9", "#9"},
      {"Lines.Strings", "( 'a' 'b' )", "( 'a' 'b' )"},
      {"Data", "{0A1B ff}", "{0A1BFF}"},
      {"Tag", "7", "7"},
  };
  for (const Case& c : cases) {
    TTestWidget w(nullptr);
    SetPropByName(&w, c.path, c.value);
    EXPECT_EQ(GetPropAsText(&w, c.path), c.readBack) << c.path << " = " << c.value;
  }
}

TEST(CoreTypInfo, BadValuesByNameAreReportedAndChangeNothing) {
  struct Case {
    const char* path;
    const char* value;
    const char* message;
  } cases[] = {
      {"Nope", "1", "Property Nope does not exist"},
      {"Font.Nope", "1", "Property Font.Nope does not exist"},
      {"Width.X", "1", "Property Width.X does not exist"},
      {"Width", "'a'", "Invalid property value"},
      {"Width", "99999999999", "Invalid property value"},
      {"Align", "taFoo", "Invalid property value 'taFoo'"},
      {"Options", "[toBold, toFoo]", "Invalid property value 'toFoo'"},
      {"Visible", "yes", "Invalid property value 'yes'"},
      {"Color", "clPink", "Invalid property value 'clPink'"},
      {"Key", "'ab'", "Invalid property value"},
      {"Caption", "'open", "Unterminated string"},
      {"Width", "1 2", "Text after the value"},
      {"Data", "{ABC}", "Odd number of hexadecimal digits"},
  };
  for (const Case& c : cases) {
    TTestWidget w(nullptr);
    try {
      SetPropByName(&w, c.path, c.value);
      ADD_FAILURE() << c.path << " = " << c.value;
    } catch (const EReadError& e) {
      EXPECT_NE(e.Message().find(c.message), AnsiString::npos) << e.Message();
    }
    EXPECT_EQ(w.Width, 100);
    EXPECT_EQ(w.Align, taNone);
  }
  TTestWidget w(nullptr);
  EXPECT_THROW(GetPropAsText(&w, "Nope"), EPropertyError);
}

TEST(CoreTypInfo, EventsBindToPublishedMethodsOfTheRoot) {
  TTestForm form(nullptr);
  auto* button = new TTestWidget(&form);
  SetPropByName(button, "OnClick", "btnOkClick");
  ASSERT_TRUE(static_cast<bool>(button->OnClick));
  button->OnClick(button);
  EXPECT_EQ(form.Clicks, 1);
  EXPECT_EQ(form.LastSender, button);
  EXPECT_EQ(GetPropAsText(button, "OnClick"), "btnOkClick");

  EXPECT_THROW(SetPropByName(button, "OnClick", "NoSuchHandler"), EReadError);
  EXPECT_THROW(SetPropByName(button, "OnClick", "WrongSig"), EReadError);
  SetPropByName(button, "OnClick", "nil");
  EXPECT_FALSE(static_cast<bool>(button->OnClick));
  button->OnClick(button);  // an empty event does nothing
  EXPECT_EQ(form.Clicks, 1);
}

TEST(CoreTypInfo, EnumerationNames) {
  const TEnumType* type = EnumTypeOf<TTestAlign>();
  EXPECT_EQ(type->Name, "TTestAlign");
  EXPECT_EQ(GetEnumName(type, 3), "taClient");
  EXPECT_EQ(GetEnumName(type, 4), "");
  EXPECT_EQ(GetEnumValue(type, "TATOP"), 1);
  EXPECT_EQ(GetEnumValue(type, "top"), -1);
  EXPECT_EQ(EnumTypeOf<TComponentStateItem>()->NameOf(csDestroying), "csDestroying");
}

}  // namespace
