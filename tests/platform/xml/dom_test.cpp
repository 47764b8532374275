// The response DOM: names, order, missing nodes, entities, encodings, both load paths.
#include "platform/xml/XmlDom.h"

#include "platform/win/CodePage.h"

#include <gtest/gtest.h>

#include <string>

using namespace kvxml;

namespace {

std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

// CP936 bytes of 中文 (D6 D0 CE C4) and 采购单.
const std::string kZhongWen = "\xD6\xD0\xCE\xC4";

std::u16string Wide(const char16_t* s) { return s; }

}  // namespace

TEST(XmlDom, LoadFailuresGiveStatusAndOffsetNeverThrow) {
  struct Case {
    const char* text;
    XmlParseResult::Status status;
  } cases[] = {
      {"", XmlParseResult::noDocumentElement},
      {"   ", XmlParseResult::noDocumentElement},
      {"<a>", XmlParseResult::endElementMismatch},
      {"<a></b>", XmlParseResult::endElementMismatch},
      {"<a x='1></a>", XmlParseResult::badAttribute},
      {"<a><!-- open", XmlParseResult::badMarkup},
      {"<<", XmlParseResult::badMarkup},
      {"\xD6", XmlParseResult::noDocumentElement},
  };
  for (const auto& c : cases) {
    XmlDomDocument doc;
    const XmlParseResult r = doc.LoadAnsi(c.text);
    EXPECT_EQ(r.status, c.status) << c.text;
    EXPECT_FALSE(r) << c.text;
    EXPECT_TRUE(doc.documentElement().isNull()) << c.text;
    EXPECT_NE(std::string(r.description()), "") << c.text;
  }
  XmlDomDocument doc;
  const XmlParseResult r = doc.LoadAnsi("<a><b></c></a>");
  EXPECT_EQ(r.status, XmlParseResult::endElementMismatch);
  EXPECT_GE(r.offset, 6);  // inside the stray "</c>"
  EXPECT_LE(r.offset, 9);
}

TEST(XmlDom, EmptyHandlesAnswerEmpty) {
  XmlDomNode none;
  EXPECT_TRUE(none.isNull());
  EXPECT_EQ(none.nodeType(), XmlNodeType::none);
  EXPECT_EQ(none.nodeName(), "");
  EXPECT_EQ(none.text(), "");
  EXPECT_TRUE(none.selectSingleNode("a").isNull());
  EXPECT_EQ(none.getElementsByTagName("a").length(), 0);
  EXPECT_EQ(none.childNodes().length(), 0);
  EXPECT_FALSE(none.hasAttribute("a"));
  EXPECT_EQ(none.getAttribute("a"), "");
  std::string out = "kept";
  EXPECT_FALSE(none.getAttribute("a", out));
  EXPECT_EQ(out, "kept");
  EXPECT_TRUE(none.firstChild().isNull());
  EXPECT_TRUE(none.nextSiblingElement().isNull());
  EXPECT_TRUE(XmlDomNodeList().item(0).isNull());

  XmlDomDocument never;
  EXPECT_EQ(never.parseError().status, XmlParseResult::notLoaded);
  EXPECT_TRUE(never.documentElement().isNull());
}

TEST(XmlDom, NamesAreCaseSensitiveAndDirectChildrenOnly) {
  XmlDomDocument doc;
  ASSERT_TRUE(doc.LoadAnsi("<kovrane><status><code>-1</code><Info>x</Info></status>"
                           "<wrap><status>deep</status></wrap></kovrane>"));
  XmlDomNode root = doc.documentElement();
  EXPECT_EQ(root.nodeName(), "kovrane");
  EXPECT_TRUE(doc.selectSingleNode("kovrane") == root);
  EXPECT_TRUE(doc.selectSingleNode("Kovrane").isNull());
  XmlDomNode status = root.selectSingleNode("status");
  EXPECT_EQ(status.selectSingleNode("code").text(), "-1");
  EXPECT_TRUE(status.selectSingleNode("info").isNull());
  EXPECT_EQ(status.selectSingleNode("Info").text(), "x");
  EXPECT_TRUE(root.selectSingleNode("code").isNull());  // grandchild, not child
}

TEST(XmlDom, GetElementsByTagNameIsDocumentOrderAtAnyDepth) {
  XmlDomDocument doc;
  ASSERT_TRUE(doc.LoadAnsi("<r><rs n='1'><rs n='2'/></rs><x><y><rs n='3'/></y></x><RS n='no'/>"
                           "<rs n='4'/></r>"));
  const XmlDomNodeList list = doc.getElementsByTagName("rs");
  ASSERT_EQ(list.length(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(list.item(i).getAttribute("n"), std::to_string(i + 1));
  EXPECT_TRUE(list.item(4).isNull());
  EXPECT_TRUE(list.item(-1).isNull());
  // Below a node only its descendants count, not the node itself.
  EXPECT_EQ(list.item(0).getElementsByTagName("rs").length(), 1);
}

TEST(XmlDom, TextJoinsDescendantsAndReplacesEntities) {
  struct Case {
    const char* xml;
    const char* text;
  } cases[] = {
      {"<a>plain</a>", "plain"},
      {"<a> padded </a>", " padded "},
      {"<a>x<b>y<c>z</c></b>w</a>", "xyzw"},
      {"<a>&lt;&amp;&gt;&quot;&apos;</a>", "<&>\"'"},
      {"<a>&#65;&#x42;</a>", "AB"},
      {"<a><![CDATA[<raw>]]></a>", "<raw>"},
      {"<a><!-- note -->t</a>", "t"},
      {"<a/>", ""},
      {"<a>line1\r\nline2</a>", "line1\nline2"},
  };
  for (const auto& c : cases) {
    XmlDomDocument doc;
    ASSERT_TRUE(doc.LoadAnsi(c.xml)) << c.xml;
    EXPECT_EQ(doc.documentElement().text(), c.text) << c.xml;
  }
}

TEST(XmlDom, AttributesByExactName) {
  XmlDomDocument doc;
  ASSERT_TRUE(doc.LoadAnsi("<row Amount='1' AMOUNT='2' empty='' esc='a&amp;b' ws='x\ty'/>"));
  XmlDomNode row = doc.documentElement();
  EXPECT_EQ(row.attributeCount(), 5);
  EXPECT_EQ(row.getAttribute("Amount"), "1");
  EXPECT_EQ(row.getAttribute("AMOUNT"), "2");
  EXPECT_FALSE(row.hasAttribute("amount"));
  EXPECT_EQ(row.getAttribute("amount"), "");
  EXPECT_TRUE(row.hasAttribute("empty"));
  std::string out = "old";
  EXPECT_TRUE(row.getAttribute("empty", out));
  EXPECT_EQ(out, "");
  EXPECT_EQ(row.getAttribute("esc"), "a&b");
  EXPECT_EQ(row.getAttribute("ws"), "x y");  // attribute whitespace becomes blanks
}

TEST(XmlDom, ChildNodesInOrderWithTypes) {
  XmlDomDocument doc;
  ASSERT_TRUE(doc.LoadAnsi("<rs>\n  <row a='1'/>\n  text<!--c--><?pi data?><![CDATA[cd]]><row2/>\n</rs>"));
  const XmlDomNodeList kids = doc.documentElement().childNodes();
  struct Expect {
    XmlNodeType type;
    const char* name;
  } expect[] = {{XmlNodeType::element, "row"},      {XmlNodeType::text, "#text"},
                {XmlNodeType::comment, "#comment"}, {XmlNodeType::processingInstruction, "pi"},
                {XmlNodeType::cdata, "#cdata-section"}, {XmlNodeType::element, "row2"}};
  ASSERT_EQ(kids.length(), 6);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(kids.item(i).nodeType(), expect[i].type) << i;
    EXPECT_EQ(kids.item(i).nodeName(), expect[i].name) << i;
  }
  // The same walk through sibling handles.
  int n = 0;
  for (XmlDomNode c = doc.documentElement().firstChild(); c; c = c.nextSibling()) ++n;
  EXPECT_EQ(n, 6);
  n = 0;
  for (XmlDomNode c = doc.documentElement().firstChildElement(); c; c = c.nextSiblingElement()) ++n;
  EXPECT_EQ(n, 2);
}

TEST(XmlDom, DoctypeIsNotProcessed) {
  // An internal entity must not be expanded, and nothing outside the text is read.
  XmlDomDocument doc;
  const auto r = doc.LoadAnsi("<!DOCTYPE r [<!ENTITY e SYSTEM 'file:///etc/passwd'>]><r>&e;</r>");
  ASSERT_TRUE(r);
  EXPECT_EQ(doc.documentElement().text(), "&e;");
}

// Chinese text must come out as CP936 whichever way the document came in.
TEST(XmlDom, ChineseTextThroughEveryLoadPath) {
  const std::string utf8 = U8(u8"<r 名='中文'><t>中文</t></r>");
  XmlDomDocument viaUtf8, viaAnsi, viaWide;
  ASSERT_TRUE(viaUtf8.LoadUtf8(utf8));
  ASSERT_TRUE(viaWide.LoadXML(u"<r 名='中文'><t>中文</t></r>"));
  ASSERT_TRUE(viaAnsi.LoadAnsi("<r \xC3\xFB='" + kZhongWen + "'><t>" + kZhongWen + "</t></r>"));
  for (XmlDomDocument* d : {&viaUtf8, &viaAnsi, &viaWide}) {
    XmlDomNode r = d->documentElement();
    EXPECT_EQ(r.selectSingleNode("t").text(), kZhongWen);
    EXPECT_EQ(r.getAttribute("\xC3\xFB"), kZhongWen);  // 名 in CP936
  }
}

// Read as CP936 bytes or through the wide form, a document gives the same values: broken
// bytes read as '?', references beyond ASCII come out in CP936, a trail byte that looks like
// markup (']', '@') stays part of its character.
TEST(XmlDom, AnsiAndWideReadsAgree) {
  const std::string texts[] = {
      "<r a='" + kZhongWen + "' b='x&lt;y'>" + kZhongWen + "<c>&#65;</c></r>",
      "<r a='\x81\x40\xA1\xA1'>\x80</r>",
      "<r>\xD6<c/></r>",          // broken lead byte before markup
      "<r a='\xD6'>\xFFz</r>",
      "<r>&#x4E2D;" + kZhongWen + "</r>",
      "<r a='&#x4E2D;&#20013;&#x1F600;&#0;&#xD800;'/>",  // beyond CP936, not characters
      "<r><![CDATA[" + kZhongWen + "\xB0]]]></r>",       // 0xB0 0x5D is one character
      "<!DOCTYPE r [<!ENTITY e '\xB0]'>]><r>" + kZhongWen + "</r>",
      "\xEF\xBB\xBF<r/>",
      "<r a='\xD6\xFF\x81'>\xD6</r>",
      "<r>a\r\nb\rc</r>",
  };
  for (const auto& t : texts) {
    XmlDomDocument direct, reference;
    const auto r1 = direct.LoadAnsi(t);
    // Reference: through UTF-16, as the home platform's callers did.
    const auto r2 = reference.LoadXML(AnsiToWide(t));
    ASSERT_EQ(bool(r1), bool(r2)) << t;
    if (!r1) continue;
    XmlDomNode a = direct.documentElement(), b = reference.documentElement();
    EXPECT_EQ(a.text(), b.text()) << t;
    EXPECT_EQ(a.getAttribute("a"), b.getAttribute("a")) << t;
    EXPECT_EQ(a.getAttribute("b"), b.getAttribute("b")) << t;
  }
}

// What a value reads as, read from CP936 bytes: the rules the wide path agrees with above.
TEST(XmlDom, ValuesReadFromCp936Bytes) {
  struct Case {
    std::string attribute;  // the text between the quotes of a="..."
    std::string value;
  } cases[] = {
      {kZhongWen, kZhongWen},
      {"&#x4E2D;&#25991;", kZhongWen},             // references beyond ASCII come out in CP936
      {"&#x1F600;|&#0;|&#xD800;|&#x110000;", "?|?|?|?"},  // not characters of CP936 or at all
      {"&#65|&#;|&#xZ;|&bogus;|&", "&#65|&#;|&#xZ;|&bogus;|&"},  // not references: as written
      {"\xD6 \xFF \x80", "? ? \x80"},             // a lone lead byte, 0xFF; the euro sign
      {"\xB0\x5D\xB0\x40", "\xB0\x5D\xB0\x40"},  // trail bytes ']' and '@'
      {"a\tb\nc\r\nd", "a b c d"},
      {"&#9;&#10;", "\t\n"},                         // referenced white space stays
  };
  for (const auto& c : cases) {
    XmlDomDocument doc;
    ASSERT_TRUE(doc.LoadAnsi("<r a=\"" + c.attribute + "\"/>")) << c.attribute;
    EXPECT_EQ(doc.documentElement().getAttribute("a"), c.value) << c.attribute;
    XmlDomAttributes attrs;
    attrs.read(doc.documentElement());
    std::string scratch;
    std::string_view view;
    ASSERT_TRUE(attrs.view("a", view, scratch)) << c.attribute;
    EXPECT_EQ(view, c.value) << c.attribute;
  }
}

// Markup the reader refuses, with the status it gives.
TEST(XmlDom, MalformedMarkupIsRefused) {
  struct Case {
    const char* text;
    XmlParseResult::Status status;
  } cases[] = {
      {"<a x='1'y='2'/>", XmlParseResult::badAttribute},  // no blank between attributes
      {"<a x/>", XmlParseResult::badAttribute},
      {"<a x=1/>", XmlParseResult::badAttribute},
      {"<a%/>", XmlParseResult::badMarkup},
      {"<a><![CDATA[x]></a>", XmlParseResult::badMarkup},
      {"<a><?p x</a>", XmlParseResult::badMarkup},
      {"<a></a  x>", XmlParseResult::badMarkup},
      {"</a>", XmlParseResult::endElementMismatch},
      {"<a><!DOCTYPE a></a>", XmlParseResult::badMarkup},  // only before the document element
      {"<\xFF" "a/>", XmlParseResult::badMarkup},            // a broken byte never reads as markup
      {"<!DOCTYPE a [<!ENTITY e 'x'>", XmlParseResult::badMarkup},
  };
  for (const auto& c : cases) {
    XmlDomDocument doc;
    EXPECT_EQ(doc.LoadAnsi(c.text).status, c.status) << c.text;
  }
}

TEST(XmlDom, NameWhoseTrailByteLooksLikePunctuationIsOneCharacter) {
  // 0xB0 0x40: the trail byte is '@', which is no name character on its own.
  XmlDomDocument doc;
  ASSERT_TRUE(doc.LoadAnsi("<r><\xB0\x40 v='1'/></r>"));
  EXPECT_EQ(doc.documentElement().firstChild().nodeName(), "\xB0\x40");
  EXPECT_EQ(doc.documentElement().selectSingleNode("\xB0\x40").getAttribute("v"), "1");
}

TEST(XmlDom, AttributeSnapshotForRowLoops) {
  XmlDomDocument doc;
  ASSERT_TRUE(doc.LoadAnsi("<rs><r ID='1' NAME='" + kZhongWen + "' amount=''/><r ID='2'/></rs>"));
  XmlDomAttributes attrs;
  std::string v = "old";
  XmlDomNode row = doc.documentElement().firstChildElement();
  attrs.read(row);
  EXPECT_EQ(attrs.count(), 3);
  // Out of order, repeated and missing names all answer correctly.
  EXPECT_TRUE(attrs.get("amount", v));
  EXPECT_EQ(v, "");
  EXPECT_TRUE(attrs.get("NAME", v));
  EXPECT_EQ(v, kZhongWen);
  EXPECT_TRUE(attrs.get("ID", v));
  EXPECT_EQ(v, "1");
  EXPECT_TRUE(attrs.get("ID", v));
  EXPECT_FALSE(attrs.get("AMOUNT", v));
  EXPECT_EQ(v, "1");
  attrs.read(row.nextSiblingElement());
  EXPECT_FALSE(attrs.has("NAME"));
  attrs.read(XmlDomNode());
  EXPECT_EQ(attrs.count(), 0);
  EXPECT_FALSE(attrs.has("ID"));
}

TEST(XmlDom, BorrowedTextCanBeTakenOverMidway) {
  std::string text = "<r a='" + kZhongWen + "'><t>x&amp;y</t></r>";
  XmlDomDocument doc;
  ASSERT_TRUE(doc.LoadAnsiBorrowed(text));
  XmlDomNode t = doc.documentElement().selectSingleNode("t");
  doc.OwnText();
  doc.OwnText();  // a second time changes nothing
  text.assign(text.size(), '#');
  EXPECT_EQ(doc.documentElement().getAttribute("a"), kZhongWen);
  EXPECT_EQ(t.text(), "x&y");  // handles made before stay valid
  EXPECT_FALSE(doc.LoadAnsiBorrowed("<a>"));
  EXPECT_TRUE(doc.documentElement().isNull());
}

TEST(XmlDom, ReloadDropsTheOldDocument) {
  XmlDomDocument doc;
  ASSERT_TRUE(doc.LoadAnsi("<a/>"));
  EXPECT_FALSE(doc.LoadAnsi("<broken"));
  EXPECT_TRUE(doc.documentElement().isNull());
  ASSERT_TRUE(doc.LoadXML(Wide(u"<b x='1'/>")));
  EXPECT_EQ(doc.documentElement().nodeName(), "b");
}

TEST(XmlDom, DeepNestingDoesNotExhaustTheStack) {
  std::string t;
  for (int i = 0; i < 20000; ++i) t += "<d>";
  t += "x";
  for (int i = 0; i < 20000; ++i) t += "</d>";
  XmlDomDocument doc;
  ASSERT_TRUE(doc.LoadAnsi(t));
  EXPECT_EQ(doc.getElementsByTagName("d").length(), 20000);
}
