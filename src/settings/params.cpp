#include "settings/params.h"

#include "app/term_list.h"

namespace sentrova {

std::string ExpandParams(std::string_view text, std::string_view letters, const std::vector<std::string>& values) {
  if (values.size() != letters.size()) return {};
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    if (ch != '%') {
      out += ch;
      continue;
    }
    if (i + 1 == text.size()) {
      out += ch;
      break;
    }
    const char next = text[++i];
    const std::size_t k = letters.find(next);
    if (k != std::string_view::npos) {
      out += values[k];
    } else if (next == '%') {
      out += '%';
    } else {
      out += '%';
      out += next;
    }
  }
  return out;
}

std::string ActionParamsFromRow(std::string_view text, const ListRow& row) {
  auto unstarred = [](const std::string& v) { return (!v.empty() && v[0] == '*') ? v.substr(1) : v; };
  const std::vector<std::string> values = {
      row.Caption,
      unstarred(row.SubItems[kSubResource]),
      row.SubItems[kSubState],
      row.SubItems[kSubDomain],
      row.SubItems[kSubProvider],
      unstarred(row.SubItems[kSubIP]),
  };
  return ExpandParams(text, ParamLetters, values);
}

std::string QuoteIfSpaced(std::string_view name) {
  if (name.find(' ') == std::string_view::npos) return std::string(name);
  return '"' + std::string(name) + '"';
}

bool NormalizeIP(std::string_view text, std::string& out) {
  if (text.empty()) return true;
  std::string result;
  std::size_t fieldLength = 0;
  auto pad = [&] {
    if (fieldLength < 3) result.insert(result.size() - fieldLength, 3 - fieldLength, ' ');
  };
  for (const char ch : text) {
    if (ch == '.') {
      pad();
      result += '.';
      fieldLength = 0;
    } else if (ch == ' ' || (ch >= '0' && ch <= '9')) {
      result += ch;
      ++fieldLength;
    } else {
      return false;
    }
    if (result.size() > 15) return false;  // can never become valid again
  }
  pad();
  if (result.size() != 15 || result[3] != '.' || result[7] != '.' || result[11] != '.') return false;
  out = result;
  return true;
}

}  // namespace sentrova
