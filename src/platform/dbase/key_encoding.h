// The values of key expressions and the bytes a tag stores for them: exact
// decimals with dBASE's rounding and STR() layout, Julian day numbers of
// dates, and the dBASE IV key encodings of numbers and dates with their
// comparison.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillary::dbase {

// Exact decimal used for numeric values: dBASE numbers reach 18 digits plus
// decimals (18 nines minus a field), beyond what a double holds exactly.
struct Decimal {
  __int128 units = 0;  // value * 10^scale
  int scale = 0;
};

// To `scale` places, rounded half away from zero as dBASE rounds.
Decimal Rescale(const Decimal& v, int scale);
Decimal AddDecimal(const Decimal& a, const Decimal& b);
Decimal SubDecimal(const Decimal& a, const Decimal& b);
int CompareDecimal(const Decimal& a, const Decimal& b);

// STR(value, width, decimals) with dBASE's rules: rounded, right-aligned,
// decimals given up before the integer part, asterisks when even that fails.
std::string FormatStr(const Decimal& value, int width, int decimals);
// Parses the stored text of an N/F field ("  -12.50"); blank is zero.
Decimal ParseDecimal(std::string_view text);

// Julian day numbers (0 for a blank date) and their dBASE text forms.
int32_t JulianDay(int year, int month, int day);
void CivilFromJulian(int32_t jd, int& year, int& month, int& day);
// The stored "YYYYMMDD" of a date field; 0 when blank or no date.
int32_t ParseDateField(std::string_view stored);
// DTOS(): "YYYYMMDD", blanks for a blank date.
std::string Dtos(int32_t jd);

// dBASE IV key encodings of numbers and dates, exposed for tests and tools.
std::string EncodeNumericKey(const Decimal& value);
Decimal DecodeNumericKey(std::string_view key);
std::string EncodeDateKey(int32_t julian_day);  // 0: blank date
double DecodeDateKey(std::string_view key);

// Comparison of two stored keys of a tag of the given key type: bytes for
// character keys, numeric value for numeric and date keys.
int CompareKeys(char key_type, std::string_view a, std::string_view b);

}  // namespace quillary::dbase
