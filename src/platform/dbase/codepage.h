// Code pages of dBASE tables: identification from a .cpg file or the
// header's language-driver byte, conversion to and from UTF-8, upper-casing
// and character boundaries of byte strings stored in a given code page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillary::dbase {

enum class CodePage {
  Utf8,
  Cp437, Cp737, Cp850, Cp852, Cp857, Cp860, Cp861, Cp863, Cp865, Cp866, Cp874,
  Windows1250, Windows1251, Windows1252, Windows1253, Windows1254, Windows1255,
  Windows1256, Windows1257, MacRoman,
};

// The code page of a language-driver byte; nullopt for 0 (none given) and
// for drivers of code pages this engine does not carry (multi-byte Asian).
std::optional<CodePage> CodePageFromLanguageDriver(uint8_t driver);

// The language-driver byte written for a code page (0 for UTF-8, which has
// no driver).
uint8_t LanguageDriverFor(CodePage cp);

// Parses the text of a .cpg file ("UTF-8", "1252", "CP1251", "ANSI 1250",
// "OEM 850", ...); nullopt when it names nothing known.
std::optional<CodePage> CodePageFromCpgText(std::string_view text);

// The text written into a .cpg file and shown by tools, e.g. "UTF-8", "1252".
std::string CpgTextFor(CodePage cp);

// Human-readable name, e.g. "UTF-8", "cp850", "Windows-1252".
std::string CodePageName(CodePage cp);

bool IsSingleByte(CodePage cp);

// Stored bytes to UTF-8. Never fails: invalid UTF-8 sequences in a UTF-8
// table come out as U+FFFD.
std::string ToUtf8(CodePage cp, std::string_view bytes);

// UTF-8 to stored bytes. Throws ValueError when the text holds a character
// the code page cannot represent, or is not valid UTF-8.
std::string FromUtf8(CodePage cp, std::string_view utf8);

// Upper-cases a byte string stored in `cp` and returns it in the same code
// page. For UTF-8 the byte length may change (e.g. U+0131 -> 'I'); for the
// single-byte pages a letter whose capital the page lacks stays as it is.
std::string UpperBytes(CodePage cp, std::string_view bytes);
// The same for UTF-8 text in place (a text that is ASCII up to its end
// needs no copy).
void UpperUtf8InPlace(std::string& text);

// Largest n <= max_bytes such that bytes[0, n) ends on a character boundary.
size_t CutOnBoundary(CodePage cp, std::string_view bytes, size_t max_bytes);

// Length in bytes of the character starting at bytes[pos] (1 for
// single-byte pages; 1 for a stray UTF-8 byte). 0 at the end.
size_t CharLength(CodePage cp, std::string_view bytes, size_t pos);

// Number of characters in the string.
size_t CharCount(CodePage cp, std::string_view bytes);

// Byte offset of character number `index` (0-based), or bytes.size().
size_t ByteOffsetOfChar(CodePage cp, std::string_view bytes, size_t index);

// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);

// Unicode helpers shared with key evaluation.
char32_t UpperCodePoint(char32_t c);
void AppendUtf8(std::string& out, char32_t c);
// Decodes one UTF-8 sequence at s[pos]; advances pos. Invalid -> U+FFFD.
char32_t DecodeUtf8(std::string_view s, size_t& pos);

}  // namespace quillary::dbase
