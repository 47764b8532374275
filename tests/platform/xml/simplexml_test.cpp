// The field-list reader: names without regard to case, values in CP936, absent means empty.
#include "platform/xml/SimpleXml.h"

#include <gtest/gtest.h>

#include <string>

using namespace kvxml;

namespace {
std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }
const std::string kZhongWen = "\xD6\xD0\xCE\xC4";  // 中文 in CP936
}  // namespace

TEST(SimpleXml, FieldListShapeWithMixedCase) {
  TSimpleXmlDocument doc;
  ASSERT_TRUE(doc.LoadFromString("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                                 "<Table TableName='PO_HEAD'>\r\n"
                                 "  <FIELDS>\r\n"
                                 "    <filed dw='80' Fn='BILLNO' DL='a&amp;b'/>\r\n"
                                 "    <other FN='skip'/>\r\n"
                                 "    <Filed FN='AMOUNT'/>\r\n"
                                 "  </FIELDS>\r\n"
                                 "  <fields><filed FN='second list'/></fields>\r\n"
                                 "</Table>"));
  TSimpleXmlNode root = doc.Root();
  EXPECT_EQ(root.Name(), "Table");
  EXPECT_EQ(root.Attribute("tablename"), "PO_HEAD");
  TSimpleXmlNode fields = root.FindChild("fields");
  ASSERT_FALSE(fields.IsNull());
  const auto filed = fields.FindChildren("filed");
  ASSERT_EQ(filed.size(), 2u);
  EXPECT_EQ(filed[0].Attribute("DW"), "80");
  EXPECT_EQ(filed[0].Attribute("fn"), "BILLNO");
  EXPECT_EQ(filed[0].Attribute("dl"), "a&b");
  EXPECT_EQ(filed[0].Attribute("HT"), "");
  EXPECT_FALSE(filed[0].HasAttribute("HT"));
  EXPECT_EQ(filed[1].Attribute("FN"), "AMOUNT");
  EXPECT_EQ(fields.Children().size(), 3u);
}

TEST(SimpleXml, EncodingOfTheEightBitText) {
  struct Case {
    const char* what;
    std::string text;
    bool utf8;
  } cases[] = {
      {"declared utf-8 and well-formed", U8(u8"<?xml version='1.0' encoding='utf-8'?><t v='中文'/>"), true},
      {"no declaration, well-formed UTF-8", U8(u8"<t v='中文'/>"), true},
      {"byte-order mark", "\xEF\xBB\xBF" + U8(u8"<t v='中文'/>"), true},
      {"declared utf-8 but CP936 bytes", "<?xml version='1.0' encoding='utf-8'?><t v='" + kZhongWen + "'/>",
       false},
      {"declared gb2312", "<?xml version='1.0' encoding='GB2312'?><t v='" + kZhongWen + "'/>", false},
  };
  for (const auto& c : cases) {
    TSimpleXmlDocument doc;
    ASSERT_TRUE(doc.LoadFromString(c.text)) << c.what;
    EXPECT_EQ(doc.WasUtf8(), c.utf8) << c.what;
    EXPECT_EQ(doc.Root().Attribute("V"), kZhongWen) << c.what;
  }
}

TEST(SimpleXml, MissingNodesAndBadTextAreEmptyNotFatal) {
  const char* texts[] = {"", "   ", "<a>", "<a><b></a>", "not xml", "<a x=1/>", "\xFF\xFE<"};
  for (const char* t : texts) {
    TSimpleXmlDocument doc;
    EXPECT_FALSE(doc.LoadFromString(t)) << t;
    TSimpleXmlNode root = doc.Root();
    EXPECT_TRUE(root.IsNull()) << t;
    EXPECT_TRUE(root.FindChild("fields").IsNull()) << t;
    EXPECT_TRUE(root.FindChildren("filed").empty()) << t;
    EXPECT_EQ(root.Attribute("tablename"), "") << t;
    EXPECT_EQ(root.Text(), "") << t;
  }
}

TEST(SimpleXml, CaseFoldingLeavesDoubleByteNamesAlone) {
  // 0xB0 0x41 and 0xB0 0x61 are two different characters: folding trail bytes would merge them.
  TSimpleXmlDocument doc;
  ASSERT_TRUE(doc.LoadFromString("<r><\xB0\x41 v='1'/><\xB0\x61 v='2'/></r>"));
  EXPECT_EQ(doc.Root().FindChild("\xB0\x61").Attribute("v"), "2");
  EXPECT_EQ(doc.Root().FindChildren("\xB0\x41").size(), 1u);
}

TEST(SimpleXml, TextOfAnElement) {
  TSimpleXmlDocument doc;
  ASSERT_TRUE(doc.LoadFromString("<r>a<b>" + kZhongWen + "</b>&lt;</r>"));
  EXPECT_EQ(doc.Root().Text(), "a" + kZhongWen + "<");
}
