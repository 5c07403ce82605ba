#include "settings/text.h"

#include <iconv.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <stdexcept>

namespace sentrova {
namespace {

constexpr char32_t kEscapeBase = 0xF700;  // U+F780..U+F7FF stand for bytes 0x80..0xFF

class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
  }
  ~Iconv() { iconv_close(cd_); }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// One converter pair per thread: iconv descriptors carry state and must not be
// shared between threads.
Iconv& Decoder() {
  thread_local Iconv cd("UTF-8", "CP932");
  return cd;
}
Iconv& Encoder() {
  thread_local Iconv cd("CP932", "UTF-8");
  return cd;
}

// Runs one conversion of a whole buffer. On an invalid or incomplete input
// sequence it stops and reports the offset where the bad input starts.
struct RunResult {
  std::size_t consumed;
  bool complete;
};
RunResult Convert(iconv_t cd, std::string_view in, std::string& out) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* inp = const_cast<char*>(in.data());
  std::size_t inleft = in.size();
  char buf[4096];
  while (inleft > 0) {
    char* outp = buf;
    std::size_t outleft = sizeof buf;
    const std::size_t rc = iconv(cd, &inp, &inleft, &outp, &outleft);
    out.append(buf, static_cast<std::size_t>(outp - buf));
    if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
      return {in.size() - inleft, false};
    }
  }
  return {in.size(), true};
}

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::size_t Utf8Decode(std::string_view text, std::size_t i, char32_t& cp) {
  const auto b0 = static_cast<unsigned char>(text[i]);
  std::size_t len = 0;
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  if ((b0 & 0xE0) == 0xC0) {
    len = 2;
    cp = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3;
    cp = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4;
    cp = b0 & 0x07;
  } else {
    return 0;
  }
  if (i + len > text.size()) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(text[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

std::string FromCp932(std::string_view cp932) {
  std::string out;
  out.reserve(cp932.size() + cp932.size() / 2);
  while (!cp932.empty()) {
    const RunResult r = Convert(Decoder().get(), cp932, out);
    if (r.complete) break;
    // The byte at r.consumed starts no valid character: keep it as an escape.
    AppendUtf8(out, kEscapeBase + static_cast<unsigned char>(cp932[r.consumed]));
    cp932.remove_prefix(r.consumed + 1);
  }
  return out;
}

std::string ToCp932(std::string_view utf8, bool* lossless) {
  std::string out;
  out.reserve(utf8.size());
  bool ok = true;
  std::size_t runStart = 0;
  std::size_t i = 0;
  auto flushRun = [&](std::size_t end) {
    std::string_view run = utf8.substr(runStart, end - runStart);
    while (!run.empty()) {
      const RunResult r = Convert(Encoder().get(), run, out);
      if (r.complete) break;
      // Unmappable character: replace it by "?" and go on after it.
      char32_t cp = 0;
      std::size_t len = Utf8Decode(run, r.consumed, cp);
      if (len == 0) len = 1;
      out += '?';
      ok = false;
      run.remove_prefix(r.consumed + len);
    }
  };
  while (i < utf8.size()) {
    char32_t cp = 0;
    const std::size_t len = Utf8Decode(utf8, i, cp);
    if (len == 0) {
      flushRun(i);
      out += '?';
      ok = false;
      i += 1;
      runStart = i;
    } else if (cp >= kEscapeBase + 0x80 && cp <= kEscapeBase + 0xFF) {
      flushRun(i);
      out += static_cast<char>(cp - kEscapeBase);
      i += len;
      runStart = i;
    } else {
      i += len;
    }
  }
  flushRun(utf8.size());
  if (lossless) *lossless = ok;
  return out;
}

std::size_t Cp932Length(std::string_view utf8) { return ToCp932(utf8).size(); }

std::string ReplaceAll(std::string text, std::string_view pattern, std::string_view replacement) {
  if (pattern.empty()) return text;
  if (replacement.find(pattern) != std::string_view::npos) {
    // Repeating would never end: replace each occurrence once, left to right.
    std::string out;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(pattern, from)) != std::string::npos; from = at + pattern.size()) {
      out.append(text, from, at - from);
      out += replacement;
    }
    out.append(text, from);
    return out;
  }
  for (std::size_t at; (at = text.find(pattern)) != std::string::npos;) {
    text.replace(at, pattern.size(), replacement);
  }
  return text;
}

std::string FieldOf(std::string_view text, char separator, int n) {
  if (n < 0) return {};
  std::size_t start = 0;
  for (int k = 0; k < n; ++k) {
    const std::size_t at = text.find(separator, start);
    if (at == std::string_view::npos) return {};
    start = at + 1;
  }
  const std::size_t end = text.find(separator, start);
  return std::string(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
}

std::string TrimLeftChar(std::string_view text, char c) {
  const std::size_t at = text.find_first_not_of(c);
  return at == std::string_view::npos ? std::string() : std::string(text.substr(at));
}

std::string TrimRightChar(std::string_view text, char c) {
  const std::size_t at = text.find_last_not_of(c);
  return at == std::string_view::npos ? std::string() : std::string(text.substr(0, at + 1));
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const char ch = text[i];
    if (ch == '\r' || ch == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      i += (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::string JoinLinesCrlf(const std::vector<std::string>& lines) {
  std::size_t size = 0;
  for (const auto& l : lines) size += l.size() + 2;
  std::string out;
  out.reserve(size);
  for (const auto& l : lines) {
    out += l;
    out += "\r\n";
  }
  return out;
}

std::string TrimBlanks(std::string_view text) {
  const std::size_t b = text.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  const std::size_t e = text.find_last_not_of(" \t");
  return std::string(text.substr(b, e - b + 1));
}

bool ParseInt(std::string_view text, int& out) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return false;
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    const char ch = text[i];
    int digit;
    if (ch >= '0' && ch <= '9') {
      digit = ch - '0';
    } else if (base == 16 && ch >= 'a' && ch <= 'f') {
      digit = ch - 'a' + 10;
    } else if (base == 16 && ch >= 'A' && ch <= 'F') {
      digit = ch - 'A' + 10;
    } else {
      return false;
    }
    value = value * base + digit;
    // Hexadecimal may fill all 32 bits (0xFFFFFFFF is -1), decimal may not.
    if (value > (base == 16 ? std::int64_t{0xFFFFFFFF} : std::int64_t{INT_MAX} + (negative ? 1 : 0))) return false;
  }
  if (base == 16) {
    value = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  }
  out = static_cast<int>(negative ? -value : value);
  return true;
}

std::string ToUpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

}  // namespace sentrova
