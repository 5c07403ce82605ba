// Parameter letters in action texts, file-name quoting and the fixed-width
// IPv4 text form.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sentrova {

struct ListRow;

// U user, R resource, C state text, D domain, N provider, I IP address.
inline constexpr const char* ParamLetters = "URCDNI";

// Replaces "%" + letter by the matching value and "%%" by "%". Returns an
// empty text when the numbers of letters and values differ.
std::string ExpandParams(std::string_view text, std::string_view letters, const std::vector<std::string>& values);

// ExpandParams with the values of one terminal-list row; a leading "*" of the
// resource name and of the IP is not part of the value.
std::string ActionParamsFromRow(std::string_view text, const ListRow& row);

// The name in double quotes when it contains a blank, else unchanged.
std::string QuoteIfSpaced(std::string_view name);

// The 15-character form "nnn.nnn.nnn.nnn" with each field right-aligned by
// blanks. True when text is valid (out set only then); an empty text is
// valid and leaves out untouched.
bool NormalizeIP(std::string_view text, std::string& out);

}  // namespace sentrova
