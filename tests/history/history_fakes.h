// Fakes of the history recorder's seams, and a compact description of an
// XML file for assertions.
#pragma once

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <string>
#include <utility>
#include <vector>

#include "history/history_seams.h"
#include "support/fake_history_seams.h"

namespace sentrova::test {

// 5 January 2010 (a Tuesday), 09:08:07.
inline LocalDateTime Jan5() { return {2010, 1, 5, 9, 8, 7, 2}; }
// 12 October 2009 (a Monday), 13:06:00.
inline LocalDateTime Oct12() { return {2009, 10, 12, 13, 6, 0, 1}; }

// One line per node in document order, white space between elements left
// out: "name(a=1,b=2)" for elements, "?target data" for processing
// instructions, "\"text\"" for other text, indented by depth.
inline void DescribeNode(const xmlNode* node, int depth, std::string& out) {
  for (; node != nullptr; node = node->next) {
    const std::string pad(static_cast<std::size_t>(depth) * 2, ' ');
    if (node->type == XML_ELEMENT_NODE) {
      out += pad + reinterpret_cast<const char*>(node->name) + "(";
      bool first = true;
      for (const xmlAttr* a = node->properties; a != nullptr; a = a->next) {
        xmlChar* v = xmlNodeGetContent(reinterpret_cast<const xmlNode*>(a));
        out += (first ? "" : ",") + std::string(reinterpret_cast<const char*>(a->name)) + "=" +
               (v ? reinterpret_cast<const char*>(v) : "");
        xmlFree(v);
        first = false;
      }
      out += ")\n";
      DescribeNode(node->children, depth + 1, out);
    } else if (node->type == XML_PI_NODE) {
      out += pad + "?" + reinterpret_cast<const char*>(node->name) + " " +
             (node->content ? reinterpret_cast<const char*>(node->content) : "") + "\n";
    } else if (node->type == XML_TEXT_NODE && !xmlIsBlankNode(node)) {
      out += pad + "\"" + reinterpret_cast<const char*>(node->content) + "\"\n";
    }
  }
}

// The description of a file as libxml2 reads it, with its declared
// encoding first; "unreadable" when it is not well-formed.
inline std::string DescribeXmlFile(const std::string& path) {
  xmlDoc* doc = xmlReadFile(path.c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (!doc) return "unreadable";
  std::string out = std::string("encoding=") + (doc->encoding ? reinterpret_cast<const char*>(doc->encoding) : "") + "\n";
  DescribeNode(doc->children, 0, out);
  xmlFreeDoc(doc);
  return out;
}

}  // namespace sentrova::test
