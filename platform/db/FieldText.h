// Text <-> value conversions of the fields under the regional settings, with fast paths for
// the settings the system runs with (decimal '.', short date yyyy-mm-dd) that give exactly
// what the class library's converters give; anything else goes to those converters.
#pragma once

#include <cmath>
#include <cstdint>

#include <string_view>

#include "platform/db/DB.h"

namespace kvdb {

// Integer text for a field of TYPE (range of a 16/32-bit type checked); else EConvertError
// "'S' is not a valid integer value".
int64_t ParseInteger(std::string_view text, TFieldType type);
// Raises EDatabaseError "N is not a valid value for field 'X'. The allowed range is A to B"
// when V does not fit a 16/32-bit integer field of TYPE.
void CheckIntegerRange(int64_t v, TFieldType type, const AnsiString& fieldName);
// Else EConvertError "'S' is not a valid floating point value".
double ParseFloat(std::string_view text);
// "True"/"False" or any non-empty prefix of either, ignoring case; else EConvertError
// "'S' is not a valid boolean value".
bool ParseBoolean(std::string_view text);
// A date in the short date format; else EConvertError "'S' is not a valid date".
TDateTime ParseDate(std::string_view text);
// The whole days of a date value (towards zero), as std::trunc gives them. Days from 1899 on
// are far inside the range of a 64-bit integer, where the conversion is exact and cheaper than
// the library call; earlier days (negative values, where trunc may give -0) take the call.
inline double WholeDays(double value) {
  return !std::signbit(value) && value < 4.0e15 ? double(int64_t(value)) : std::trunc(value);
}

// The date part of VALUE in the short date format.
AnsiString DateText(TDateTime value);
// TEXT cut to at most SIZE bytes without splitting a double-byte character (0: no limit).
std::string_view ClipText(std::string_view text, int size);

}  // namespace kvdb
