// Reading and writing rows as ResItem records, and the watched-terminal list
// file: CP932 text with CR LF, five lines per terminal, no header.
#pragma once

#include <cstddef>
#include <string>

#include "app/res_item.h"
#include "app/term_list.h"

namespace sentrova {

// The list file's name for a platform family (0 Win32s, 1 9x, 2 NT, other).
const char* ListFileName(int platformCode);

// Fills every member but Skip from row `index`; false when there is no such row.
bool ReadRow(ResItem& item, const TermList& list, std::size_t index);
// Sets the row's image, caption, sub-items, data word and position from item.
void WriteRow(const ResItem& item, TermList& list, std::size_t index);
// Adds a row built from item at the end of the list. Always true.
bool AppendRow(const ResItem& item, TermList& list);

// The row as a list row (what WriteRow and AppendRow store).
ListRow RowFromItem(const ResItem& item);

// Writes all rows, in row order. False (errorText set) when the file could not
// be written; the previous file is then left intact.
bool SaveList(const TermList& list, const std::string& path, std::string* errorText = nullptr);

// Appends one row per complete five-line record of the file; the list is not
// cleared first. False, with the list unchanged, when the file cannot be read.
bool LoadList(TermList& list, const std::string& path);

// The parsing half of LoadList, on text already decoded.
void AppendListLines(TermList& list, const std::vector<std::string>& lines);

}  // namespace sentrova
