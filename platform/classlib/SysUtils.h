// Exceptions and the runtime conversions of the class library (text is CP936).
#pragma once

#include <cstdint>
#include <exception>
#include <initializer_list>
#include <variant>

#include "platform/classlib/System.h"

// ---- exceptions -----------------------------------------------------------------------------

// Base of the library's exceptions; what() returns the CP936 message.
class Exception : public TObject, public std::exception {
  KV_CLASS(Exception, TObject)
 public:
  explicit Exception(AnsiString message) : FMessage(std::move(message)) {}
  const AnsiString& Message() const { return FMessage; }
  void SetMessage(const AnsiString& message) { FMessage = message; }
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  AnsiString FMessage;
};

// Declares exception class NAME deriving from BASE with the base's constructors.
#define KV_EXCEPTION(Name, Base) \
  class Name : public Base {     \
    KV_CLASS(Name, Base)         \
   public:                       \
    using Base::Base;            \
  };

// The silent exception: handlers that report errors skip it.
KV_EXCEPTION(EAbort, Exception)
// Conversion failures and "Cannot assign a X to a Y".
KV_EXCEPTION(EConvertError, Exception)
KV_EXCEPTION(EInvalidOperation, Exception)
// Bad component names and ownership misuse.
KV_EXCEPTION(EComponentError, Exception)
// Index out of bounds in lists and collections ("List index out of bounds (5)").
KV_EXCEPTION(EListError, Exception)
KV_EXCEPTION(EStringListError, EListError)
// Calling an operation a class does not implement.
KV_EXCEPTION(EAbstractError, Exception)
KV_EXCEPTION(EMathError, Exception)
KV_EXCEPTION(EInvalidOp, EMathError)
// No form resource for a class that needs one.
KV_EXCEPTION(EResNotFound, Exception)
// Form-resource errors.
KV_EXCEPTION(EFilerError, Exception)
KV_EXCEPTION(EClassNotFound, EFilerError)
// Unknown or badly typed property set by name outside a resource.
KV_EXCEPTION(EPropertyError, Exception)

// A form-resource error: "<resource>: line N: <what>".
class EReadError : public EFilerError {
  KV_CLASS(EReadError, EFilerError)
 public:
  explicit EReadError(AnsiString message) : EFilerError(std::move(message)) {}
  EReadError(const AnsiString& resource, int line, const AnsiString& detail);
  const AnsiString& Resource() const { return FResource; }
  int Line() const { return FLine; }
  // The message without the resource and line prefix.
  const AnsiString& Detail() const { return FDetail; }

 private:
  AnsiString FResource;
  int FLine = 0;
  AnsiString FDetail;
};

// Raises EAbort ("Operation aborted").
[[noreturn]] void Abort();
// Raises EAbstractError ("Abstract Error").
[[noreturn]] void AbstractError();

// ---- formatting ------------------------------------------------------------------------------

// One argument of Format: integer, float, text, character or pointer.
class TVarRec {
 public:
  TVarRec(int v) : FValue(int64_t{v}) {}
  TVarRec(long v) : FValue(int64_t{v}) {}
  TVarRec(long long v) : FValue(static_cast<int64_t>(v)) {}
  TVarRec(unsigned v) : FValue(int64_t{v}) {}
  TVarRec(unsigned long v) : FValue(static_cast<uint64_t>(v)) {}
  TVarRec(unsigned long long v) : FValue(static_cast<uint64_t>(v)) {}
  TVarRec(double v) : FValue(v) {}
  TVarRec(const char* v) : FValue(AnsiString(v ? v : "")) {}
  TVarRec(const AnsiString& v) : FValue(v) {}
  TVarRec(char v) : FValue(AnsiString(1, v)) {}
  TVarRec(const void* v) : FValue(v) {}
  using Value = std::variant<int64_t, uint64_t, double, AnsiString, const void*>;
  const Value& Get() const { return FValue; }

 private:
  Value FValue;
};

// printf-like formatting: %d %u %x %s %f %g %e %n %p %% with [index:][-][width][.prec];
// a bad or missing argument raises EConvertError ("Format '%d' invalid or incompatible with argument").
AnsiString Format(const AnsiString& format, std::initializer_list<TVarRec> args);

// Regional settings used by the conversions.
struct TFormatSettings {
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
  char DateSeparator = '-';
  char TimeSeparator = ':';
  AnsiString ShortDateFormat = "yyyy-mm-dd";
  AnsiString LongTimeFormat = "hh:nn:ss";
};
// The process-wide settings (read by every conversion below).
extern TFormatSettings FormatSettings;

// ---- integers ---------------------------------------------------------------------------------

AnsiString IntToStr(int64_t value);
// Upper-case hexadecimal, at least DIGITS digits.
AnsiString IntToHex(int64_t value, int digits);
// Decimal or hexadecimal ($1A, 0x1A, x1A), optional sign, leading blanks skipped; must fit in
// 32 bits; else EConvertError "'S' is not a valid integer value".
int StrToInt(const AnsiString& s);
int StrToIntDef(const AnsiString& s, int def);
bool TryStrToInt(const AnsiString& s, int& value);
int64_t StrToInt64(const AnsiString& s);
int64_t StrToInt64Def(const AnsiString& s, int64_t def);
bool TryStrToInt64(const AnsiString& s, int64_t& value);

// ---- floats -----------------------------------------------------------------------------------

// 15 significant digits, no trailing zeros, scientific below 0.00001 or from 1E15 ("1E20").
AnsiString FloatToStr(double value);
// Blanks around, optional sign, DecimalSeparator, optional exponent; else EConvertError
// "'S' is not a valid floating point value".
double StrToFloat(const AnsiString& s);
double StrToFloatDef(const AnsiString& s, double def);
bool TryStrToFloat(const AnsiString& s, double& value);
// Pattern formatting: 0 # . , 'literal' "literal" and sections positive;negative;zero.
AnsiString FormatFloat(const AnsiString& format, double value);
// Nearest integer, exact halves to even; out of Int64 range raises EInvalidOp.
int64_t Round(double value);
// Integer part; out of Int64 range raises EInvalidOp.
int64_t Trunc(double value);

// ---- booleans ---------------------------------------------------------------------------------

// "True"/"False" when USEBOOLSTRS, else "-1"/"0".
AnsiString BoolToStr(bool value, bool useBoolStrs = false);
// "True"/"False" (any case) or a number (0 = false); else EConvertError.
bool StrToBool(const AnsiString& s);
bool TryStrToBool(const AnsiString& s, bool& value);

// ---- dates ------------------------------------------------------------------------------------

// Days since 1899-12-30; the fraction is the time of day.
using TDateTime = double;

// Raises EConvertError "Invalid argument to date encode" for a date that does not exist.
TDateTime EncodeDate(int year, int month, int day);
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
void DecodeDate(TDateTime value, int& year, int& month, int& day);
// Raises EConvertError "Invalid argument to time encode".
TDateTime EncodeTime(int hour, int minute, int second, int msec);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec);
bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
// The current local date and time.
TDateTime Now();
TDateTime Date();

// The date in ShortDateFormat ("2024-03-05").
AnsiString DateToStr(TDateTime value);
// Date and, when not midnight, time in LongTimeFormat.
AnsiString DateTimeToStr(TDateTime value);
AnsiString TimeToStr(TDateTime value);
// Parses by the field order of ShortDateFormat with DateSeparator; else EConvertError
// "'S' is not a valid date".
TDateTime StrToDate(const AnsiString& s);
bool TryStrToDate(const AnsiString& s, TDateTime& value);
// yyyy yy mm m dd d hh h nn n ss s zzz / : and quoted literals (m after h means minutes).
AnsiString FormatDateTime(const AnsiString& format, TDateTime value);

// ---- text -------------------------------------------------------------------------------------

// True for a CP936 lead byte (0x81..0xFE).
bool IsLeadByte(char c);
// Removes characters with code <= 32 at both ends / one end.
AnsiString Trim(const AnsiString& s);
AnsiString TrimLeft(const AnsiString& s);
AnsiString TrimRight(const AnsiString& s);
// ASCII letters only; double-byte characters are left untouched (their trail bytes too).
AnsiString UpperCase(const AnsiString& s);
AnsiString LowerCase(const AnsiString& s);
// <0, 0, >0 ignoring ASCII case (double-byte characters compare as bytes).
int CompareText(const AnsiString& a, const AnsiString& b);
// <0, 0, >0 by bytes.
int CompareStr(const AnsiString& a, const AnsiString& b);
bool SameText(const AnsiString& a, const AnsiString& b);
// 'text' with inner quotes doubled.
AnsiString QuotedStr(const AnsiString& s);
// Valid identifier: ASCII letter or '_' first, then letters, digits, '_'.
bool IsValidIdent(const AnsiString& s);

enum TReplaceFlag { rfReplaceAll, rfIgnoreCase };
// Replaces the first (or every, with rfReplaceAll) occurrence of OLDPATTERN.
AnsiString StringReplace(const AnsiString& s, const AnsiString& oldPattern, const AnsiString& newPattern,
                         std::initializer_list<TReplaceFlag> flags);

// Appends '/' unless S already ends in '/' or '\' (a trail byte of a double-byte character
// does not count).
AnsiString IncludeTrailingPathDelimiter(const AnsiString& s);
// The path up to and including the last delimiter.
AnsiString ExtractFilePath(const AnsiString& s);
// The part after the last delimiter.
AnsiString ExtractFileName(const AnsiString& s);
