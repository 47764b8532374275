// The widgets through form resources: published names and defaults read and written back,
// and values that are not names of their enumeration or colour rejected.
#include <gtest/gtest.h>

#include <string>

#include "platform/classlib/ComCtrls.h"
#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/FormReader.h"
#include "platform/classlib/FormWriter.h"
#include "platform/classlib/StdCtrls.h"

namespace {

class TWidgetsHolder : public TComponent {
  KV_CLASS(TWidgetsHolder, TComponent)
 public:
  explicit TWidgetsHolder(TComponent* owner) : TComponent(owner) {}
};

class WidgetsStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterExtCtrlsClasses();
    RegisterComCtrlsClasses();
    RegisterClass(TWidgetsHolder::StaticClass());
  }
  // Reads one component of class CLS with the property lines BODY into a fresh holder.
  TComponent* ReadOne(const std::string& cls, const std::string& body) {
    const std::string text = "object Holder: TWidgetsHolder\n  object W: " + cls + "\n" + body + "  end\nend\n";
    ReadComponentFromText(&FHolder, text, "widgets_stream_test");
    return FHolder.FindComponent("W");
  }
  TWidgetsHolder FHolder{nullptr};
};

TEST_F(WidgetsStreamTest, PropertiesAreReadByTheirPublishedNames) {
  auto* panel = dynamic_cast<TPanel*>(ReadOne("TPanel",
                                              "    BevelOuter = bvLowered\n"
                                              "    BevelInner = bvSpace\n"
                                              "    BevelWidth = 2\n"
                                              "    BorderWidth = 3\n"
                                              "    Alignment = taLeftJustify\n"
                                              "    Caption = 'Title'\n"
                                              "    Color = 10841658\n"
                                              "    ParentBackground = False\n"));
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->BevelOuter(), bvLowered);
  EXPECT_EQ(panel->BevelInner(), bvSpace);
  EXPECT_EQ(panel->BevelWidth(), 2);
  EXPECT_EQ(panel->BorderWidth(), 3);
  EXPECT_EQ(panel->Alignment(), taLeftJustify);
  EXPECT_EQ(panel->Caption(), "Title");
  EXPECT_EQ(panel->Color(), 10841658);
  EXPECT_FALSE(panel->ParentColor());
  EXPECT_FALSE(panel->ParentBackground());
}

TEST_F(WidgetsStreamTest, DefaultsAreLeftOutWhenWritten) {
  struct Case {
    const char* Class;
    const char* Body;          // what is read
    const char* Expected;      // lines that must be written
    const char* NotExpected;   // a line that must not be written
  };
  const Case cases[] = {
      {"TPanel", "", "", "BevelOuter"},
      {"TPanel", "    BevelOuter = bvNone\n", "BevelOuter = bvNone", "Color ="},
      {"TPanel", "    ParentColor = True\n", "ParentColor = True", "Color = clBtnFace"},
      {"TSplitter", "    MinSize = 20\n    AutoSnap = False\n", "MinSize = 20", "Align ="},
      {"TSplitter", "    Align = alTop\n    Cursor = crVSplit\n", "Cursor = crVSplit", "MinSize"},
      {"TLabel", "    Layout = tlCenter\n    Transparent = True\n", "Transparent = True", "AutoSize"},
      {"TLabel", "    AutoSize = False\n", "AutoSize = False", "Transparent"},
      {"TTabControl", "    TabPosition = tpLeft\n    Tabs.Strings = (\n      'A'\n      'B')\n    TabIndex = 1\n",
       "TabIndex = 1", "TabStop"},
      {"TImage", "    Stretch = True\n", "Stretch = True", "Center"},
  };
  for (const Case& c : cases) {
    TComponent* w = ReadOne(c.Class, c.Body);
    ASSERT_NE(w, nullptr) << c.Class;
    const std::string text = WriteComponentToText(w);
    EXPECT_NE(text.find(c.Expected), std::string::npos) << c.Class << ":\n" << text;
    EXPECT_EQ(text.find(c.NotExpected), std::string::npos) << c.Class << ":\n" << text;
    delete w;
  }
}

TEST_F(WidgetsStreamTest, ValuesThatAreNotNamesAreErrors) {
  struct Case {
    const char* Class;
    const char* Line;
  };
  const Case cases[] = {
      {"TPanel", "    BevelOuter = bvSunken\n"},
      {"TPanel", "    Alignment = taMiddle\n"},
      {"TPanel", "    Color = clNotAColour\n"},
      {"TPanel", "    BevelOuter = 'bvNone'\n"},
      {"TLabel", "    Layout = tlMiddle\n"},
      {"TSplitter", "    ResizeStyle = rsLive\n"},
      {"TSplitter", "    Color = clWhiteish\n"},
      {"TTabControl", "    TabPosition = tpNowhere\n"},
      {"TTabControl", "    Style = tsClassic\n"},
      {"TImage", "    Stretch = Maybe\n"},
  };
  for (const Case& c : cases) {
    EXPECT_THROW(ReadOne(c.Class, c.Line), EReadError) << c.Class << " " << c.Line;
    EXPECT_EQ(FHolder.ComponentCount(), 0) << "a failed read leaves nothing behind";
  }
}

}  // namespace
