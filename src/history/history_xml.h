// XML history files, written with libxml2.
//
// A file holds the XML declaration, optionally the "xml-stylesheet"
// processing instruction, and one root element ("root" in the files this
// program starts) with one element per record:
//
//   <login|logout|access year= month= day= hour= min= sec=>
//     login/logout:  <user name=/>  per terminal
//     access:        <user account= machine=>
//                      <accesstime hour= min= sec=/>
//                      <connecttime hour= min= sec=/>
//                      <directory account= name=> <file>share\path</file> ... </directory>
//                    </user>
//
// Every change loads the whole file, changes the document and writes it
// back through a temporary file and a rename, so a failure at any point
// leaves the previous file as it was.
#pragma once

#include <string>
#include <string_view>

#include "history/history_lines.h"
#include "history/history_seams.h"

namespace sentrova {

// The text the first record of a file starts from.
inline constexpr const char* kXmlHistorySeed = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n</root>";

// Writes the seed document to path. False with errorText on failure.
bool CreateXmlHistoryFile(const std::string& path, std::string& errorText);

// What a record sets besides its element: the declared (and written)
// encoding, any name libxml2 knows (empty counts as UTF-8; the Shift_JIS
// names mean code page 932, as on Windows); and the style sheet named by the
// "xml-stylesheet" instruction, empty for none.
struct XmlHistoryStyle {
  std::string Encoding;
  std::string XslFile;
};

// Loads the XML file at path, puts the style-sheet instruction right after
// the declaration (removing any there was), adds the record's element to the
// root element and saves the file in style.Encoding. A file that is not
// well-formed, an unknown encoding or a failed write abandon the record with
// the file unchanged: false, and errorText holds the reason (the parser's
// message for a parse error).
bool AppendXmlRecord(const std::string& path, HistoryKind kind, const LocalDateTime& now, const HistoryLines& lines,
                     const XmlHistoryStyle& style, std::string& errorText);

// Hour, minute and second of an access line's time text. The hour is the
// text before the first ":" (so 100 hours and more keep all their digits);
// minute and second are the two characters after the first and the second
// ":" position of the "hh:mm:ss" form, counted from that first ":". A text
// without ":" is split at the fixed positions of "hh:mm:ss".
struct TimeParts {
  std::string Hour;
  std::string Min;
  std::string Sec;
};
TimeParts SplitAccessTime(std::string_view text);

}  // namespace sentrova
