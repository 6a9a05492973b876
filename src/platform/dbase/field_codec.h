// Coding of single field values inside a record: numbers right-aligned in
// ASCII, dates as YYYYMMDD, logicals, memo block references; the rules for
// "empty". Pure functions over byte ranges, shared with the index layer.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillary::dbase {

// Trims trailing blanks and NULs (and leading blanks when `both`).
std::string_view TrimBlanks(std::string_view s, bool both = false);
bool IsBlank(std::string_view s);

// nullopt for a blank field; throws ValueError for anything not a number.
std::optional<double> ParseNumber(std::string_view stored);
// Right-aligned with `decimals` places; ValueError when it does not fit.
std::string FormatNumber(double value, int width, int decimals);

// nullopt for a blank field; throws ValueError for an impossible date.
std::optional<std::chrono::year_month_day> ParseDate(std::string_view stored);
std::string FormatDate(const std::chrono::year_month_day& d);  // YYYYMMDD
// Accepts "YYYYMMDD", "YYYY-MM-DD" and "YYYY/MM/DD"; ValueError otherwise.
std::chrono::year_month_day ParseDateText(std::string_view text);

// Memo reference: 10 ASCII digits (or a 4-byte binary number); 0 = none.
// Throws ValueError when neither.
uint32_t ParseMemoRef(std::string_view stored);
std::string FormatMemoRef(uint32_t block, int width);

// Logical: T/t/Y/y true, F/f/N/n false, blank or '?' unset.
std::optional<bool> ParseLogical(char c);

}  // namespace quillary::dbase
