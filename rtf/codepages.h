// Single-byte code pages and UTF-8: what the RTF reader and writer need to
// turn the bytes of a document into UTF-8 text and back.
#pragma once

#include <string>
#include <string_view>

namespace ws {

// True for the code pages whose bytes CodePageToUnicode maps: 1252, 1250,
// 1251, 437, 850, 10000 (Mac Roman) and 65001 (UTF-8, bytes above 127 are
// parts of sequences and map to nothing on their own).
bool IsKnownCodePage(int codePage);

// The character of one byte in a single-byte code page. Bytes below 128 are
// ASCII; an unknown code page is read as 1252. Bytes that a code page leaves
// undefined map to the control character of the same number, as Windows does.
char32_t CodePageToUnicode(int codePage, unsigned char byte);

// The 1252 byte of a character above 127, or 0 when 1252 has none.
unsigned char UnicodeToCp1252(char32_t ch);

// Appends the UTF-8 form of a character; surrogates and values above
// U+10FFFF become U+FFFD.
void AppendUtf8(std::string& out, char32_t ch);

// Decodes the UTF-8 character at text[pos] and advances pos past it. A byte
// that does not start a well-formed sequence is returned alone as
// 0x80000000 | byte and pos advances by one, so callers can treat it as they
// choose.
char32_t DecodeUtf8(std::string_view text, std::size_t& pos);
constexpr char32_t kInvalidUtf8Flag = 0x80000000u;

// Drops a leading UTF-8 byte-order mark.
std::string_view StripByteOrderMark(std::string_view text);

}  // namespace ws
