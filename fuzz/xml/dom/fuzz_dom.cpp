// Any bytes, read by the response DOM as UTF-8 and as CP936: never a crash, leak or hang, and
// wherever both our reader and pugixml accept the text, the same nodes, names, attribute
// counts and values. Left out of the comparison, where we differ on purpose:
//   - DOCTYPEs (we pass over them with fewer checks: nothing inside is used);
//   - character references (a reference to a non-character reads as '?');
//   - XML declarations (ours must be well formed);
//   - NUL bytes (pugixml stops at them) and, as CP936, bytes that do not form characters
//     (the converting path would turn them into '?', which can then read as markup).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <pugixml.hpp>

#include "platform/win/CodePage.h"
#include "platform/xml/XmlDom.h"

using namespace kvxml;

namespace {

void Describe(const XmlDomNode& n, std::string& out) {
  for (XmlDomNode c = n.firstChild(); c; c = c.nextSibling()) {
    switch (c.nodeType()) {
      case XmlNodeType::element:
        out += "<" + c.nodeName() + " " + std::to_string(c.attributeCount()) + ">";
        Describe(c, out);
        out += "</>";
        break;
      case XmlNodeType::text: out += "T[" + c.text() + "]"; break;
      case XmlNodeType::cdata: out += "C[" + c.text() + "]"; break;
      case XmlNodeType::comment: out += "M[" + c.text() + "]"; break;
      case XmlNodeType::processingInstruction: out += "P[" + c.nodeName() + "|" + c.text() + "]"; break;
      default: out += "?"; break;
    }
  }
}

std::string Ansi(const char* utf8) { return Utf8ToAnsi(utf8 ? utf8 : ""); }

void Describe(const pugi::xml_node& n, std::string& out) {
  for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) {
    switch (c.type()) {
      case pugi::node_element: {
        int count = 0;
        for (pugi::xml_attribute a = c.first_attribute(); a; a = a.next_attribute()) ++count;
        out += "<" + Ansi(c.name()) + " " + std::to_string(count) + ">";
        Describe(c, out);
        out += "</>";
        break;
      }
      case pugi::node_pcdata: out += "T[" + Ansi(c.value()) + "]"; break;
      case pugi::node_cdata: out += "C[" + Ansi(c.value()) + "]"; break;
      case pugi::node_comment: out += "M[" + Ansi(c.value()) + "]"; break;
      case pugi::node_pi: out += "P[" + Ansi(c.name()) + "|" + Ansi(c.value()) + "]"; break;
      default: break;
    }
  }
}

bool Comparable(const std::string& text) {
  return text.find('\0') == std::string::npos && text.find("DOCTYPE") == std::string::npos &&
         text.find("&#") == std::string::npos && text.find("<?xml") == std::string::npos;
}

// Attribute values of pugixml's tree against ours, element by element in document order.
void CompareAttributes(const XmlDomNode& ours, const pugi::xml_node& reference) {
  XmlDomNode o = ours.firstChildElement();
  pugi::xml_node r = reference.first_child();
  while (r && r.type() != pugi::node_element) r = r.next_sibling();
  while (o && r) {
    for (pugi::xml_attribute a = r.first_attribute(); a; a = a.next_attribute()) {
      // Names are asked for in CP936: only those that survive the round trip can be.
      const std::string name = Ansi(a.name());
      if (AnsiToUtf8(name) != a.name()) continue;
      std::string value;
      // The first attribute of that name is the one both readers return.
      pugi::xml_attribute first = r.attribute(a.name());
      if (!o.getAttribute(name, value) || value != Ansi(first.value())) {
        std::fprintf(stderr, "attribute %s: ours %s, pugixml %s\n", name.c_str(), value.c_str(), Ansi(first.value()).c_str());
        std::abort();
      }
    }
    CompareAttributes(o, r);
    o = o.nextSiblingElement();
    do r = r.next_sibling(); while (r && r.type() != pugi::node_element);
  }
  if (bool(o) != bool(r)) std::abort();
}

void Check(const XmlDomDocument& ours, bool loaded, const std::string& utf8) {
  if (!loaded) return;
  pugi::xml_document reference;
  const unsigned options = pugi::parse_default | pugi::parse_comments | pugi::parse_pi;
  if (!reference.load_buffer(utf8.data(), utf8.size(), options, pugi::encoding_utf8)) return;
  std::string a, b;
  Describe(ours.document(), a);
  Describe(reference, b);
  if (a != b) {
    std::fprintf(stderr, "ours:    %s\npugixml: %s\n", a.c_str(), b.c_str());
    std::abort();
  }
  CompareAttributes(ours.document(), reference);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  XmlDomDocument doc;
  const bool asUtf8 = bool(doc.LoadUtf8(text));
  if (Comparable(text)) Check(doc, asUtf8, text);
  const bool asAnsi = bool(doc.LoadAnsi(text));
  if (Comparable(text) && Utf8ToAnsi(AnsiToUtf8(text)) == text) Check(doc, asAnsi, AnsiToUtf8(text));
  return 0;
}
