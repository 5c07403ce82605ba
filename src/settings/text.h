// Text helpers shared by every subsystem.
//
// Inside the program every string is UTF-8. Files and message payloads are
// CP932 (the Japanese code page); conversion happens only at those edges.
//
// Bytes that are not valid CP932 are never dropped: decoding turns each such
// byte b into the private-use code point U+F700 + b (b >= 0x80), and encoding
// turns those code points back into the same byte. A file with stray bytes
// therefore survives a load/save cycle unchanged, and the stray bytes show as
// placeholder glyphs meanwhile.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sentrova {

// CP932 bytes to UTF-8. Invalid bytes are kept as escape code points (above).
std::string FromCp932(std::string_view cp932);

// UTF-8 to CP932 bytes. A character with no CP932 form becomes "?" and makes
// *lossless false when given; escape code points become their original byte.
// Malformed UTF-8 is treated the same way as an unmappable character.
std::string ToCp932(std::string_view utf8, bool* lossless = nullptr);

// Appends one code point as UTF-8.
void AppendUtf8(std::string& out, char32_t cp);
// Decodes the UTF-8 sequence at text[i] into cp; returns its length, or 0
// when it is malformed (overlong, a surrogate, cut off, beyond U+10FFFF).
std::size_t Utf8Decode(std::string_view text, std::size_t i, char32_t& cp);

// Length in bytes of the CP932 form of a UTF-8 text.
std::size_t Cp932Length(std::string_view utf8);

// Replaces the first occurrence of pattern again and again until none is
// left. An empty pattern, or a replacement that contains the pattern, would
// never end: the text is then returned with every occurrence replaced once.
std::string ReplaceAll(std::string text, std::string_view pattern, std::string_view replacement);

// The n-th field (from 0) of text split at separator; empty when there are
// fewer fields.
std::string FieldOf(std::string_view text, char separator, int n);

// Remove a run of c at the start / at the end of text.
std::string TrimLeftChar(std::string_view text, char c);
std::string TrimRightChar(std::string_view text, char c);

// Split text into lines the way a string list reads a file: a line ends at
// CR LF, at a lone LF or at a lone CR. A final line end adds no empty line.
std::vector<std::string> SplitLines(std::string_view text);

// Lines joined with CR LF after each one (also after the last).
std::string JoinLinesCrlf(const std::vector<std::string>& lines);

// Trimming of blanks, for values typed by users.
std::string TrimBlanks(std::string_view text);

// Decimal integer the way the original program's StrToInt read it: optional
// blanks, optional sign, digits (or "0x"/"$" hexadecimal); false when the
// text is not such an integer or does not fit 32 bits.
bool ParseInt(std::string_view text, int& out);

std::string ToUpperAscii(std::string_view text);

}  // namespace sentrova
