// Fuzzes the code page layer: .cpg parsing, conversions both ways,
// upper-casing and character boundaries over arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_support.h"
#include "platform/dbase/codepage.h"
#include "platform/dbase/errors.h"

using namespace quillary::dbase;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::string_view s(reinterpret_cast<const char*>(data + 1), size - 1);
  CodePageFromCpgText(s);
  auto cp = CodePageFromLanguageDriver(data[0]).value_or(CodePage::Utf8);
  std::string utf8 = ToUtf8(cp, s);
  std::string back = FromUtf8(cp, utf8);  // what ToUtf8 makes must convert back
  if (cp != CodePage::Utf8 && back != s) __builtin_trap();
  std::string up = UpperBytes(cp, s);
  size_t cut = CutOnBoundary(cp, s, size / 2);
  if (cut > s.size()) __builtin_trap();
  CharCount(cp, s);
  ByteOffsetOfChar(cp, s, size / 3);
  try {
    FromUtf8(CodePage::Windows1252, s);
  } catch (const ValueError&) {
  }
  return 0;
}
