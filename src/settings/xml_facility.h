// Whether the XML document facility (libxml2) that writes history files works.
#pragma once

namespace sentrova {

// Switches the facility on and off once: checks the library's version against
// the one built against, builds a document, parses a small one and releases
// both. False when any of it fails.
bool XmlFacilityWorks();

}  // namespace sentrova
