#include "history/history_xml.h"

#include <libxml/encoding.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlmemory.h>
#include <libxml/xmlversion.h>

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>

#include "history/history_names.h"
#include "settings/text.h"
#include "settings/text_file.h"

namespace sentrova {
namespace {

const xmlChar* X(const char* text) { return reinterpret_cast<const xmlChar*>(text); }
const xmlChar* X(const std::string& text) { return X(text.c_str()); }

// Shift_JIS as Windows writes it is code page 932: its 0x5C is the
// backslash and it holds the NEC and IBM extensions. The strict Shift_JIS of
// iconv would turn every backslash of a file path into a yen sign on the next
// load, and fail on those extensions. Files declared in any Shift_JIS name
// are therefore read and written as CP932; the declaration keeps its name.
void InitLibxml() {
  static std::once_flag once;
  std::call_once(once, [] {
    xmlInitParser();
    for (const char* alias : {"Shift_JIS", "Shift-JIS", "SJIS", "MS_Kanji", "csShiftJIS", "x-sjis"})
      xmlAddEncodingAlias("CP932", alias);
  });
}

// Collects the errors libxml2 raises on this thread while it lives, instead
// of letting them go to standard error, and keeps the first real error.
class XmlErrorCollector {
 public:
  XmlErrorCollector() : prevContext_(xmlStructuredErrorContext), prevHandler_(xmlStructuredError) {
    xmlSetStructuredErrorFunc(this, &XmlErrorCollector::Collect);
  }
  ~XmlErrorCollector() { xmlSetStructuredErrorFunc(prevContext_, prevHandler_); }
  XmlErrorCollector(const XmlErrorCollector&) = delete;
  XmlErrorCollector& operator=(const XmlErrorCollector&) = delete;

  const std::string& First() const { return first_; }
  void Clear() { first_.clear(); }

 private:
#if LIBXML_VERSION >= 21200
  using ErrorArg = const xmlError*;
#else
  using ErrorArg = xmlErrorPtr;
#endif
  static void Collect(void* self, ErrorArg error) {
    auto* me = static_cast<XmlErrorCollector*>(self);
    if (error == nullptr || error->level < XML_ERR_ERROR || !me->first_.empty()) return;
    std::string message = error->message ? error->message : "XML error";
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
    std::string where;
    if (error->file) where = error->file;
    if (error->line > 0) where += (where.empty() ? "line " : ":") + std::to_string(error->line);
    me->first_ = where.empty() ? message : where + ": " + message;
  }

  void* prevContext_;
  xmlStructuredErrorFunc prevHandler_;
  std::string first_;
};

struct DocFree {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using DocPtr = std::unique_ptr<xmlDoc, DocFree>;

struct CtxtFree {
  void operator()(xmlParserCtxt* ctxt) const { xmlFreeParserCtxt(ctxt); }
};

// Parses bytes as a whole XML document, keeping white space. Nothing is
// fetched from outside: no network, no external DTD, entities left as they
// are.
DocPtr ParseXml(const std::string& bytes, const std::string& url, XmlErrorCollector& errors,
                std::string& errorText) {
  errors.Clear();
  std::unique_ptr<xmlParserCtxt, CtxtFree> ctxt(xmlNewParserCtxt());
  if (!ctxt) {
    errorText = "XML: out of memory";
    return nullptr;
  }
  const int size = bytes.size() > static_cast<std::size_t>(INT32_MAX) ? -1 : static_cast<int>(bytes.size());
  if (size < 0) {
    errorText = url + ": file too large";
    return nullptr;
  }
  DocPtr doc(xmlCtxtReadMemory(ctxt.get(), bytes.data(), size, url.c_str(), nullptr, XML_PARSE_NONET));
  if (doc && ctxt->wellFormed && ctxt->nsWellFormed && xmlDocGetRootElement(doc.get()) != nullptr) return doc;
  errorText = errors.First().empty() ? url + ": not a well-formed XML document" : errors.First();
  return nullptr;
}

// Serialises doc in encoding (empty: UTF-8).
bool DumpXml(xmlDoc* doc, const std::string& encoding, XmlErrorCollector& errors, std::string& out,
             std::string& errorText) {
  errors.Clear();
  const std::string name = encoding.empty() ? std::string("UTF-8") : encoding;
  xmlChar* mem = nullptr;
  int size = 0;
  xmlDocDumpMemoryEnc(doc, &mem, &size, name.c_str());
  if (mem == nullptr || size < 0) {
    if (mem) xmlFree(mem);
    errorText = errors.First().empty() ? "unknown encoding " + name : errors.First();
    return false;
  }
  out.assign(reinterpret_cast<const char*>(mem), static_cast<std::size_t>(size));
  xmlFree(mem);
  if (!errors.First().empty()) {  // an encoder failure mid-way
    errorText = errors.First();
    return false;
  }
  return true;
}

bool IsXmlChar(char32_t cp) {
  return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) || (cp >= 0xE000 && cp <= 0xFFFD) ||
         (cp >= 0x10000 && cp <= 0x10FFFF);
}

// The text with every malformed UTF-8 sequence and every character that XML
// does not allow (control characters and the like) replaced by "?": such a
// character would make the saved file unreadable for every later record.
std::string XmlSafe(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    char32_t cp = 0;
    const std::size_t len = Utf8Decode(text, i, cp);
    const bool ok = len > 0;
    if (ok && IsXmlChar(cp)) {
      AppendUtf8(out, cp);
      i += len;
    } else {
      out += '?';
      i += 1;
    }
  }
  return out;
}

// Adds an element named name as the last element child of parent, indented
// by level steps of two blanks, keeping the white space that closes the
// parent after it.
xmlNode* AddChild(xmlNode* parent, const char* name, int level) {
  xmlNode* child = xmlNewDocNode(parent->doc, nullptr, X(name), nullptr);
  if (!child) return nullptr;
  xmlNode* last = parent->last;
  if (last != nullptr && xmlIsBlankNode(last)) {
    xmlAddPrevSibling(last, child);
  } else {
    xmlAddChild(parent, child);
    const std::string closing = "\n" + std::string(2 * static_cast<std::size_t>(level > 0 ? level - 1 : 0), ' ');
    if (xmlNode* text = xmlNewDocText(parent->doc, X(closing))) xmlAddNextSibling(child, text);
  }
  const std::string indent = "\n" + std::string(2 * static_cast<std::size_t>(level), ' ');
  if (xmlNode* text = xmlNewDocText(parent->doc, X(indent))) xmlAddPrevSibling(child, text);
  return child;
}

void SetAttr(xmlNode* node, const char* name, std::string_view value) {
  if (node) xmlNewProp(node, X(name), X(XmlSafe(value)));
}

void SetTimeAttrs(xmlNode* node, std::string_view timeText) {
  const TimeParts parts = SplitAccessTime(timeText);
  SetAttr(node, "hour", parts.Hour);
  SetAttr(node, "min", parts.Min);
  SetAttr(node, "sec", parts.Sec);
}

// The "xml-stylesheet" instruction: every one among the document's top-level
// nodes goes, and a new one is put first, right after the declaration.
void PlaceStyleSheet(xmlDoc* doc, const std::string& xslFile) {
  for (xmlNode* node = doc->children; node != nullptr;) {
    xmlNode* next = node->next;
    if (node->type == XML_PI_NODE && node->name && xmlStrcmp(node->name, X("xml-stylesheet")) == 0) {
      xmlUnlinkNode(node);
      xmlFreeNode(node);
    }
    node = next;
  }
  if (xslFile.empty()) return;
  // A double quote would end the pseudo-attribute and "?>" the instruction:
  // both are written as references so the file stays well-formed.
  std::string href = ReplaceAll(XmlSafe(xslFile), "\"", "&quot;");
  href = ReplaceAll(href, "?>", "?&gt;");
  const std::string data = "type=\"text/xsl\" href=\"" + href + "\"";
  xmlNode* pi = xmlNewDocPI(doc, X("xml-stylesheet"), X(data));
  if (!pi) return;
  if (doc->children)
    xmlAddPrevSibling(doc->children, pi);
  else
    xmlAddChild(reinterpret_cast<xmlNode*>(doc), pi);
}

void AddRecordElement(xmlNode* root, HistoryKind kind, const LocalDateTime& now, const HistoryLines& lines) {
  static constexpr const char* kNames[3] = {"login", "logout", "access"};
  xmlNode* event = AddChild(root, kNames[kind], 1);
  if (!event) return;
  const std::string date = HistoryDateText(now);
  const std::string time = HistoryTimeText(now);
  SetAttr(event, "year", date.substr(0, 4));
  SetAttr(event, "month", date.substr(5, 2));
  SetAttr(event, "day", date.substr(8, 2));
  SetAttr(event, "hour", time.substr(0, 2));
  SetAttr(event, "min", time.substr(3, 2));
  SetAttr(event, "sec", time.substr(6, 2));

  if (kind != kHistoryAccess) {
    for (const std::string& line : lines) SetAttr(AddChild(event, "user", 2), "name", FieldOf(line, '\t', 0));
    return;
  }
  xmlNode* user = nullptr;
  xmlNode* folder = nullptr;
  for (const std::string& line : lines) {
    if (line.empty()) continue;
    const std::string_view fields = std::string_view(line).substr(1);
    switch (line[0]) {
      case kAccessUserMarker: {
        user = AddChild(event, "user", 2);
        folder = nullptr;
        SetAttr(user, "account", FieldOf(fields, '\t', 0));
        SetAttr(user, "machine", FieldOf(fields, '\t', 1));
        SetTimeAttrs(AddChild(user, "accesstime", 3), FieldOf(fields, '\t', 3));
        SetTimeAttrs(AddChild(user, "connecttime", 3), FieldOf(fields, '\t', 2));
        break;
      }
      case kAccessFolderMarker:
        // A folder line with no user before it has nowhere to go.
        if (!user) break;
        folder = AddChild(user, "directory", 3);
        SetAttr(folder, "account", FieldOf(fields, '\t', 1));
        SetAttr(folder, "name", FieldOf(fields, '\t', 0));
        break;
      case kAccessFileMarker:
        if (!folder) break;
        if (xmlNode* file = AddChild(folder, "file", 4)) xmlNodeAddContent(file, X(XmlSafe(fields)));
        break;
      default:
        break;
    }
  }
}

}  // namespace

TimeParts SplitAccessTime(std::string_view text) {
  auto part = [&](std::size_t pos, std::size_t len) {
    return pos < text.size() ? std::string(text.substr(pos, len)) : std::string();
  };
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return {part(0, 2), part(3, 2), part(6, 2)};
  return {std::string(text.substr(0, colon)), part(colon + 1, 2), part(colon + 4, 2)};
}

bool CreateXmlHistoryFile(const std::string& path, std::string& errorText) {
  InitLibxml();
  XmlErrorCollector errors;
  const DocPtr doc = ParseXml(kXmlHistorySeed, path, errors, errorText);
  if (!doc) return false;
  std::string bytes;
  if (!DumpXml(doc.get(), "UTF-8", errors, bytes, errorText)) return false;
  return WriteFileAtomic(path, bytes, &errorText);
}

bool AppendXmlRecord(const std::string& path, HistoryKind kind, const LocalDateTime& now, const HistoryLines& lines,
                     const XmlHistoryStyle& style, std::string& errorText) {
  if (kind != kHistoryLogin && kind != kHistoryLogout && kind != kHistoryAccess) {
    errorText = "unknown record kind";
    return false;
  }
  InitLibxml();
  XmlErrorCollector errors;
  // Only a regular file is read: opening a FIFO would wait for a writer.
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    errorText = path + ": not a regular file";
    return false;
  }
  std::string bytes;
  if (!ReadWholeFile(path, bytes, &errorText)) return false;
  const DocPtr doc = ParseXml(bytes, path, errors, errorText);
  if (!doc) return false;
  PlaceStyleSheet(doc.get(), style.XslFile);
  AddRecordElement(xmlDocGetRootElement(doc.get()), kind, now, lines);
  std::string out;
  if (!DumpXml(doc.get(), style.Encoding, errors, out, errorText)) return false;
  // Names (of elements, attributes, entities) that the encoding cannot hold
  // come out as character references, which no reader accepts in a name.
  // What would not load again is never written.
  std::string verifyError;
  if (!ParseXml(out, path, errors, verifyError)) {
    errorText = path + ": the document cannot be written in the encoding " +
                (style.Encoding.empty() ? std::string("UTF-8") : style.Encoding) + " (" + verifyError + ")";
    return false;
  }
  return WriteFileAtomic(path, out, &errorText);
}

}  // namespace sentrova
