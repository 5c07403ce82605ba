// The XML document facility on libxml2.
#include "settings/xml_facility.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlversion.h>

#include <cstdlib>

namespace sentrova {

bool XmlFacilityWorks() {
  // The library loaded at run time must be of the major version built against.
  if (xmlParserVersion == nullptr || std::atoi(xmlParserVersion) / 10000 != LIBXML_VERSION / 10000) return false;
  xmlInitParser();

  bool ok = false;
  if (xmlDocPtr doc = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"))) {
    if (xmlNodePtr root = xmlNewDocNode(doc, nullptr, reinterpret_cast<const xmlChar*>("probe"), nullptr)) {
      xmlDocSetRootElement(doc, root);
      ok = xmlDocGetRootElement(doc) == root;
    }
    xmlFreeDoc(doc);
  }
  if (!ok) return false;

  static const char kProbe[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><probe a=\"1\"/>";
  xmlDocPtr parsed = xmlReadMemory(kProbe, static_cast<int>(sizeof kProbe - 1), "probe.xml", nullptr,
                                   XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (parsed == nullptr) return false;
  const xmlNodePtr root = xmlDocGetRootElement(parsed);
  ok = root != nullptr && xmlStrcmp(root->name, reinterpret_cast<const xmlChar*>("probe")) == 0;
  xmlFreeDoc(parsed);
  return ok;
}

}  // namespace sentrova
