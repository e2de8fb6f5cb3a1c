// Conversions between the 8-bit text of logs and settings (Windows-1252) and Unicode.
//
// Log text stays bytes everywhere; these conversions serve only display, JSON output and the
// settings file, whose strings the registry keeps in UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace rq {

// Each byte as the Windows-1252 character it stands for, written in UTF-8. The five bytes the
// code page leaves undefined map to the C1 controls of the same number, as Windows does.
std::string Cp1252ToUtf8(std::string_view bytes);

// Appends the code point `cp` to `out` as UTF-8.
void AppendUtf8(std::string& out, char32_t cp);

// The UTF-8 text as Windows-1252 bytes; characters the code page cannot hold become '?'.
// Malformed UTF-8 sequences count as one '?' each.
std::string Utf8ToCp1252(std::string_view utf8);

// UTF-16LE bytes (an odd trailing byte ignored) as Windows-1252 bytes, '?' for what does not fit.
std::string Utf16LeToCp1252(std::string_view utf16le);

// UTF-16LE bytes (an odd trailing byte ignored) as UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16LeToUtf8(std::string_view utf16le);

// UTF-8 text as UTF-16LE bytes; malformed sequences become U+FFFD.
std::string Utf8ToUtf16Le(std::string_view utf8);

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates, nothing past U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// The text itself when it is valid UTF-8, otherwise its Windows-1252 reading in UTF-8.
std::string ToUtf8Display(std::string_view bytes);

}  // namespace rq
