// Form resources: reading, writing back, inherited levels, errors and malformed texts.
#include <gtest/gtest.h>

#include "platform/classlib/FormReader.h"
#include "platform/classlib/FormWriter.h"
#include "platform/classlib/Resources.h"
#include "tests/platform/classlib/core_test_classes.h"

void RegisterResources_test_classlib();

namespace {

using kvtest::Log;

// The writer ends lines with CR LF; the texts below use LF.
AnsiString Unix(AnsiString s) {
  AnsiString out;
  for (char c : s)
    if (c != '\r') out += c;
  return out;
}

// A text in the writer's own layout, using every kind of value.
const char* const kMainText =
    "object frmMain: TTestForm\n"
    "  Width = 320\n"
    "  Caption = 'Main'\n"
    "  OnCreate = FormCreate\n"
    "  object pnlMain: TTestWidget\n"
    "    Tag = 5\n"
    "    Left = 0\n"
    "    Width = 300\n"
    "    Caption = 'It''s'#13#10'two lines'\n"
    "    Align = taClient\n"
    "    Options = []\n"
    "    Ratio = 1.5\n"
    "    Big = -9000000000\n"
    "    Color = clTestRed\n"
    "    Font.Height = -12\n"
    "    Font.Name = 'Tahoma'\n"
    "    Font.Style = [toBold, toItalic]\n"
    "    Items = <\n"
    "      item\n"
    "        Caption = 'first'\n"
    "        Target = btnOk\n"
    "        OnExecute = btnOkClick\n"
    "      end\n"
    "      item\n"
    "        Caption = 'second'\n"
    "        Width = 80\n"
    "      end>\n"
    "    object btnOk: TTestWidget\n"
    "      Left = 10\n"
    "      Caption = '采购单'\n"
    "      Visible = False\n"
    "      Key = 'Z'\n"
    "      Flag = True\n"
    "      Lines.Strings = (\n"
    "        'a'\n"
    "        'b')\n"
    "      Data = {\n"
    "        0A54FF}\n"
    "      Buddy = pnlMain\n"
    "      OnClick = btnOkClick\n"
    "    end\n"
    "  end\n"
    "  object tmrLonely: TTestWidget\n"
    "    Left = 1\n"
    "  end\n"
    "end\n";

class StreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kvtest::RegisterTestClasses();
    Log().clear();
  }
  TTestWidget* Widget(TComponent& root, const char* name) {
    return dynamic_cast<TTestWidget*>(root.FindComponent(name));
  }
};

TEST_F(StreamTest, ReadingThenWritingGivesTheSameText) {
  TTestForm form(nullptr);
  ReadComponentFromText(&form, kMainText, "main.dfm");
  EXPECT_EQ(Unix(WriteComponentToText(&form)), kMainText);

  TTestForm again(nullptr);
  ReadComponentFromText(&again, WriteComponentToText(&form), "written.dfm");
  EXPECT_EQ(WriteComponentToText(&again), WriteComponentToText(&form));
}

TEST_F(StreamTest, ReadingBuildsOwnedNestedComponentsAndFixesReferences) {
  TTestForm form(nullptr);
  ReadComponentFromText(&form, kMainText, "main.dfm");
  EXPECT_EQ(form.Name(), "frmMain");
  ASSERT_EQ(form.ComponentCount(), 3);  // every component is owned by the root, in text order
  EXPECT_EQ(form.Components(0), form.pnlMain);
  EXPECT_EQ(form.Components(1), form.btnOk);
  EXPECT_EQ(form.btnOk->Parent, form.pnlMain);
  EXPECT_EQ(Widget(form, "tmrLonely")->Parent, nullptr);
  EXPECT_EQ(form.btnOk->Buddy, form.pnlMain);

  auto* first = static_cast<TTestItem*>(form.pnlMain->Items()->Items(0));
  EXPECT_EQ(first->Target, form.btnOk);  // a reference to a component read later
  first->OnExecute(first);
  form.btnOk->OnClick(form.btnOk);
  EXPECT_EQ(form.Clicks, 2);
  EXPECT_EQ(form.LastSender, form.btnOk);
  EXPECT_EQ(form.pnlMain->Caption, "It's\r\ntwo lines");
  EXPECT_EQ(form.btnOk->Caption, "采购单");
  EXPECT_EQ(form.btnOk->Data, (TBytes{0x0A, 0x54, 0xFF}));
  EXPECT_EQ(form.pnlMain->Font()->Style, (TTestOptions{toBold, toItalic}));
  EXPECT_EQ(form.pnlMain->Big, -9000000000);

  // Loaded runs after the whole text, root first, with references already in place.
  EXPECT_EQ(Log(), (std::vector<std::string>{"Loaded frmMain", "Loaded pnlMain", "Loaded btnOk", "Loaded tmrLonely"}));
  EXPECT_TRUE(form.btnOk->BuddyValidInLoaded);
  TComponentState during = form.btnOk->StateWhileReadingCaption;
  EXPECT_TRUE(during.Contains(csLoading));
  EXPECT_TRUE(during.Contains(csReading));
  EXPECT_FALSE(form.btnOk->ComponentState().Contains(csLoading));
  EXPECT_FALSE(form.ComponentState().Contains(csLoading));
}

TEST_F(StreamTest, ValuesEqualToTheirDefaultAreNotWritten) {
  TTestForm form(nullptr);
  ReadComponentFromText(&form,
                        "object f: TTestForm\n"
                        "  Width = 0\n"
                        "  object w: TTestWidget\n"
                        "    Left = 0\n"
                        "    Width = 100\n"
                        "    Visible = True\n"
                        "    Options = [toBold]\n"
                        "    Key = 'A'\n"
                        "    Flag = False\n"
                        "    Hidden = 3\n"
                        "    Special = 4\n"
                        "    Font.Height = -11\n"
                        "    Caption = ''\n"
                        "    Buddy = nil\n"
                        "    Items = <>\n"
                        "  end\n"
                        "end\n",
                        "defaults.dfm");
  EXPECT_EQ(Widget(form, "w")->Hidden, 3);  // read, but never written
  EXPECT_EQ(Unix(WriteComponentToText(&form)),
            "object f: TTestForm\n"
            "  Width = 0\n"
            "  object w: TTestWidget\n"
            "    Left = 0\n"
            "  end\n"
            "end\n");
}

TEST_F(StreamTest, ValueSyntax) {
  struct Case {
    const char* line;
    const char* prop;
    const char* readBack;
  } cases[] = {
      {"Width = $FF", "Width", "255"},
      {"Left = -2147483648", "Left", "-2147483648"},
      {"Caption = 'It''s'", "Caption", "'It''s'"},
      {"Caption = 'a'#13#10'b'", "Caption", "'a'#13#10'b'"},
      {"Caption = 'abc' +\n      'def' +\n  'g'", "Caption", "'abcdefg'"},
      {"Caption = #$41#66", "Caption", "'AB'"},
      {"Options = []", "Options", "[]"},
      {"Options = [ toItalic , toUnderline ]", "Options", "[toItalic, toUnderline]"},
      {"Ratio = 2.5E-1", "Ratio", "0.25"},
      {"Ratio = 1.5d", "Ratio", "1.5"},
      {"Ratio = -3", "Ratio", "-3"},
      {"Color = -16777201", "Color", "clTestFace"},
      {"Color = $000000FF", "Color", "clTestRed"},
      {"Align = alClient", "Align", nullptr},  // not a name of this enumeration
      {"Lines.Strings = (\n  'x'\n  'y' + 'z')", "Lines.Strings", "( 'x' 'yz' )"},
      {"Lines.Strings = ()", "Lines.Strings", "( )"},
      {"Data = {\n  0A\n  1b}", "Data", "{0A1B}"},
      {"Items = <\n  item [0]\n    Caption = 'q'\n  end>", "Items", "(TTestItems)"},
      {"Font.Style = [toUnderline]", "Font.Style", "[toUnderline]"},
  };
  for (const Case& c : cases) {
    AnsiString text = AnsiString("object f: TTestForm\n  object w: TTestWidget\n    ") + c.line + "\n  end\nend\n";
    TTestForm form(nullptr);
    if (!c.readBack) {
      EXPECT_THROW(ReadComponentFromText(&form, text, "value.dfm"), EReadError) << c.line;
      continue;
    }
    ReadComponentFromText(&form, text, "value.dfm");
    EXPECT_EQ(GetPropAsText(Widget(form, "w"), c.prop), c.readBack) << c.line;
  }
}

TEST_F(StreamTest, ErrorsNameTheResourceAndTheLine) {
  struct Case {
    const char* body;  // inside "object frmMain: TTestForm" (line 1) ... "end"
    int line;
    const char* message;
  } cases[] = {
      {"  object x: TNoSuchClass\n  end\n", 2, "Class TNoSuchClass not found"},
      {"  object x: TTestWidget\n    Colour = 1\n  end\n", 3, "Error reading x.Colour: Property Colour does not exist"},
      {"  object x: TTestWidget\n    Font.Size = 1\n  end\n", 3, "Property Font.Size does not exist"},
      {"  object x: TTestWidget\n    Align = taLeft\n  end\n", 3, "Invalid property value 'taLeft'"},
      {"  object x: TTestWidget\n    OnClick = NoHandler\n  end\n", 3, "Method NoHandler not found in TTestForm"},
      {"  object x: TTestWidget\n    OnClick = WrongSig\n  end\n", 3, "does not match"},
      {"  object x: TTestWidget\n    Buddy = ghost\n  end\n", 3, "Component ghost not found"},
      {"  object x: TTestWidget\n    Buddy = frmMain\n  end\n", 3, "frmMain is a TTestForm, not a TTestWidget"},
      {"  object x: TTestWidget\n    Width 5\n  end\n", 3, "'=' expected"},
      {"  object x: TTestWidget\n    Width = 'five'\n  end\n", 3, "Error reading x.Width: Invalid property value"},
      {"  object x: TTestWidget\n  end\n  object X: TTestWidget\n  end\n", 4, "A component named X already exists"},
      {"  inherited nothing: TTestWidget\n  end\n", 2, "Ancestor for 'nothing' not found"},
      {"  object pnlMain: TTestForm\n  end\n", 2, "Field pnlMain of TTestForm is a TTestWidget"},
      {"  object x: TTestWidget\n    Items = <\n      item\n        Caption = 'a'\n        Size = 3\n      end>\n  end\n",
       6, "Error reading x.Items[0].Size: Property Size does not exist"},
      {"  object x: TTestWidget\n    Name = '1bad'\n  end\n", 3, "'1bad' is not a valid component name"},
      {"  object x: TTestWidget\n    Caption = 'a' +\n  end\n", 4, "String expected after '+'"},
      {"  Width = 1\n  object x: TTestWidget\n  end\n  Width = 2\n", 5, "'end' expected"},
  };
  for (const Case& c : cases) {
    AnsiString text = AnsiString("object frmMain: TTestForm\n") + c.body + "end\n";
    TTestForm form(nullptr);
    try {
      ReadComponentFromText(&form, text, "test.dfm");
      ADD_FAILURE() << "accepted:\n" << text;
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Resource(), "test.dfm");
      EXPECT_EQ(e.Line(), c.line) << e.Message();
      EXPECT_NE(e.Detail().find(c.message), AnsiString::npos) << e.Message();
      EXPECT_EQ(e.Message().rfind("test.dfm: line " + std::to_string(c.line) + ": ", 0), 0u) << e.Message();
    }
    // A failed read frees what it created and leaves no loading flags behind.
    EXPECT_EQ(form.ComponentCount(), 0) << text;
    EXPECT_EQ(form.pnlMain, nullptr);
    EXPECT_FALSE(form.ComponentState().Contains(csLoading));
  }

  TTestForm form(nullptr);
  try {
    ReadComponentFromText(&form, "object w: TTestWidget\nend\n", "root.dfm");
    ADD_FAILURE();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Line(), 1);
    EXPECT_NE(e.Detail().find("cannot be read into a TTestForm"), AnsiString::npos);
  }
}

TEST_F(StreamTest, EveryTruncationOfAResourceFailsCleanly) {
  const AnsiString full = kMainText;
  const size_t complete = full.rfind("end") + 3;
  for (size_t length = 0; length < complete; ++length) {
    TTestForm form(nullptr);
    EXPECT_THROW(ReadComponentFromText(&form, std::string_view(full).substr(0, length), "cut.dfm"), EReadError)
        << "length " << length;
    EXPECT_EQ(form.ComponentCount(), 0) << "length " << length;
  }
  TTestForm form(nullptr);
  EXPECT_NO_THROW(ReadComponentFromText(&form, std::string_view(full).substr(0, complete), "cut.dfm"));
}

TEST_F(StreamTest, MalformedTextsAreRejected) {
  AnsiString deep;
  for (int i = 0; i < 300; ++i) deep += "object w" + std::to_string(i) + ": TTestWidget\n";
  const AnsiString cases[] = {
      "",
      "\xEF\xBB\xBF",
      "end",
      "object",
      "object frm: TTestForm",
      "object frm: TTestForm\n  Width = ",
      "object frm: TTestForm\n  Width = -",
      "object frm: TTestForm\n  Width = $",
      "object frm: TTestForm\n  Width = 99999999999999999999999\nend",
      "object frm: TTestForm\n  Caption = #99999\nend",
      "object frm: TTestForm\n  Caption = #\nend",
      "object frm: TTestForm\n  Caption = 'no end\nend",
      "object frm: TTestForm\n  object w: TTestWidget\n    Data = {0A\nend",
      "object frm: TTestForm\n  object w: TTestWidget\n    Data = {0G}\n  end\nend",
      "object frm: TTestForm\n  object w: TTestWidget\n    Items = <\n      item\n  end\nend",
      "object frm: TTestForm\n  object w: TTestWidget\n    Options = [toBold,]\n  end\nend",
      "object frm: TTestForm\n  object w: TTestWidget\n    Lines.Strings = ('a' 1)\n  end\nend",
      "object frm: TTestForm\n  object w: TTestWidget\n    Ratio = 1.5e\n  end\nend",
      "object frm: TTestForm\n  @\nend",
      AnsiString("object frm: TTestForm\n\0\nend", 25),
      "object frm: TTestForm\nend\nobject",
      "object frm: TTestForm\n" + deep,
  };
  for (const AnsiString& text : cases) {
    TTestForm form(nullptr);
    EXPECT_THROW(ReadComponentFromText(&form, text, "bad.dfm"), EReadError) << text.substr(0, 80);
    EXPECT_EQ(form.ComponentCount(), 0);
  }
  try {
    TTestForm form(nullptr);
    ReadComponentFromText(&form, "object frm: TTestForm\n" + deep, "deep.dfm");
  } catch (const EReadError& e) {
    EXPECT_NE(e.Detail().find("Nesting too deep"), AnsiString::npos);
  }
}

const char* const kBaseText =
    "object frmMain: TTestForm\n"
    "  Width = 320\n"
    "  Caption = 'Base'\n"
    "  object pnlMain: TTestWidget\n"
    "    Width = 300\n"
    "    object btnOk: TTestWidget\n"
    "      Left = 10\n"
    "      Caption = 'OK'\n"
    "    end\n"
    "  end\n"
    "end\n";

const char* const kDerivedText =
    "inherited frmMain: TTestDerivedForm\n"
    "  Caption = 'Derived'\n"
    "  inherited pnlMain: TTestWidget\n"
    "    inherited btnOk: TTestWidget\n"
    "      Caption = 'Changed'\n"
    "    end\n"
    "    object lblNew: TTestWidget\n"
    "      OnClick = lblNewClick\n"
    "    end\n"
    "  end\n"
    "end\n";

TEST_F(StreamTest, ADerivedResourceChangesInheritedComponentsAndAddsNewOnes) {
  RegisterResource("TTestForm", "TestForm.dfm", kBaseText);
  RegisterResource("TTestDerivedForm", "TestDerivedForm.dfm", kDerivedText);
  {
    TTestDerivedForm form(nullptr);
    ASSERT_TRUE(InitInheritedComponent(&form, TComponent::StaticClass()));
    EXPECT_EQ(form.Width, 320);
    EXPECT_EQ(form.Caption, "Derived");
    ASSERT_NE(form.btnOk, nullptr);
    EXPECT_EQ(form.btnOk->Caption, "Changed");
    EXPECT_EQ(form.btnOk->Left, 10);
    EXPECT_EQ(form.pnlMain->Width, 300);
    ASSERT_NE(form.lblNew, nullptr);
    EXPECT_EQ(form.lblNew->Parent, form.pnlMain);
    EXPECT_EQ(form.Components(2), form.lblNew);
    form.lblNew->OnClick(form.lblNew);
    EXPECT_EQ(form.NewClicks, 1);
    // Base level first, then the derived level (which sees only what it names).
    EXPECT_EQ(Log(), (std::vector<std::string>{"Loaded frmMain", "Loaded pnlMain", "Loaded btnOk", "Loaded frmMain",
                                               "Loaded pnlMain", "Loaded btnOk", "Loaded lblNew"}));

    TTestForm base(nullptr);
    ASSERT_TRUE(InitInheritedComponent(&base, TComponent::StaticClass()));
    EXPECT_EQ(base.Caption, "Base");
    EXPECT_EQ(base.ComponentCount(), 2);
    // Only the levels below the given ancestor are read.
    TTestDerivedForm onlyDerived(nullptr);
    EXPECT_THROW(InitInheritedComponent(&onlyDerived, TTestForm::StaticClass()), EReadError);
  }
  UnregisterResource("TTestForm");
  UnregisterResource("TTestDerivedForm");
  TTestForm none(nullptr);
  EXPECT_FALSE(InitInheritedComponent(&none, TComponent::StaticClass()));
}

TEST_F(StreamTest, EmbeddedResourceIsConvertedToTheCodePageAtBuildTime) {
  RegisterResources_test_classlib();
  const TResourceEntry* entry = FindResource("TTestEmbeddedForm");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->ResourceName, "stream_embedded.dfm");
  EXPECT_NE(entry->Text.find("\xB2\xC9\xB9\xBA\xB5\xA5"), std::string_view::npos);  // 采购单 in code page 936

  TTestEmbeddedForm form(nullptr);
  ASSERT_TRUE(InitInheritedComponent(&form, TTestForm::StaticClass()));
  EXPECT_EQ(form.Caption, "采购单");
  EXPECT_EQ(Widget(form, "lblTitle")->Caption, "提示：\r\n第二行");
}

TEST_F(StreamTest, CreateComponentFromTextBuildsTheRootThroughTheRegistry) {
  TTestForm owner(nullptr);
  TComponent* made = CreateComponentFromText(kBaseText, &owner, "base.dfm");
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->ClassType(), TTestForm::StaticClass());
  EXPECT_EQ(made->Owner(), &owner);
  EXPECT_EQ(made->ComponentCount(), 2);
  // A second root of the same name under the same owner gets a unique name.
  TComponent* second = CreateComponentFromText(kBaseText, &owner, "base.dfm");
  EXPECT_EQ(second->Name(), "frmMain_1");

  EXPECT_THROW(CreateComponentFromText("object x: TNoSuchForm\nend\n", &owner, "x.dfm"), EReadError);
  EXPECT_THROW(CreateComponentFromText("object x: TTestForm\n  Nope = 1\nend\n", &owner, "x.dfm"), EReadError);
  EXPECT_EQ(owner.ComponentCount(), 2);  // the failed root was freed again
}

}  // namespace
