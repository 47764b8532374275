// The response parser: turns the host's XML answer into a status, typed parameters, record
// sets held in memory tables, and row-identifier entries.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/classlib/Classes.h"
#include "platform/classlib/SysUtils.h"

class TMemTableEh;

// Raised when Parse is called on a parser that is already parsing (from an event handler that
// runs while the outer parse lets messages through); the outer parse goes on unharmed.
KV_EXCEPTION(EKvProtocolError, Exception)

enum TKvParamKind : uint8_t { pkString = 0, pkInteger = 1, pkFloat = 2, pkNone = 10 };

// One scalar result item: its text and its kind.
class TKvParam : public TPersistent {
  KV_CLASS(TKvParam, TPersistent)
 public:
  TKvParam() = default;

  AnsiString Value;
  TKvParamKind Kind = pkNone;

  // The value read as a 32-bit signed decimal integer; 0 when it is not one.
  int AsInteger() const;
  // Stores TEXT unchanged, kind pkString.
  void SetString(const AnsiString& text);
  // Stores the decimal text of VALUE, kind pkInteger.
  void SetInteger(int32_t value);
  // Stores the general float-to-text form of VALUE (15 digits, regional separator), kind pkFloat.
  void SetFloat(double value);
};

// Owning list of parameters.
class TKvParams : public TPersistent {
  KV_CLASS(TKvParams, TPersistent)
 public:
  TKvParams() = default;
  ~TKvParams() override { Clear(); }

  // Appends a new parameter (kind pkNone); returns its index.
  int Add();
  // Frees every parameter, first to last.
  void Clear();
  int Count() const { return int(FItems.size()); }
  // Parameter INDEX (0-based); EListError when out of bounds.
  TKvParam* Get(int index) const;

 private:
  std::vector<TKvParam*> FItems;  // owned
};

// One record set: its rows in a memory table of its own.
class TKvTable : public TPersistent {
  KV_CLASS(TKvTable, TPersistent)
 public:
  // Creates the (ownerless, closed, field-less) memory table.
  TKvTable();
  ~TKvTable() override;

  // The rows; KvTableName holds the record set's name. Owned by this object.
  TMemTableEh* Data() const { return FData.get(); }

  // Appends every row of Data to TARGET, field by field with the same name, without the
  // cached-update path (TARGET is opened if closed and left on its first row); nothing
  // happens when Data is closed or empty.
  void CopyRowsTo(TMemTableEh* target);

 private:
  std::unique_ptr<TMemTableEh> FData;
};

// Owning list of record sets.
class TKvTables : public TPersistent {
  KV_CLASS(TKvTables, TPersistent)
 public:
  TKvTables() = default;
  ~TKvTables() override { Clear(); }

  // Appends a new record set with its empty memory table; returns its index.
  int Add();
  // Frees every record set (and its memory table), first to last.
  void Clear();
  int Count() const { return int(FItems.size()); }
  // Record set INDEX (0-based); EListError when out of bounds.
  TKvTable* Get(int index) const;

 private:
  std::vector<TKvTable*> FItems;  // owned
};

// One row-identifier entry of a record set.
class TKvRowId : public TObject {
  KV_CLASS(TKvRowId, TObject)
 public:
  TKvRowId() = default;

  int32_t RowNo = 0;
  int32_t Id = 0;
  AnsiString TbName;
};

// The parser and its last result. Parse replaces parameters, record sets and entries; the
// status is replaced only by what the document carries.
class TKvProtocol : public TPersistent {
  KV_CLASS(TKvProtocol, TPersistent)
 public:
  TKvProtocol();
  ~TKvProtocol() override;

  // Appends a new parameter (kind pkNone); returns its index.
  int AddParam();
  // Appends a new row-identifier entry; returns its index.
  int AddRowId();
  // Appends a new record set with its empty memory table; returns its index.
  int AddTable();
  void ClearParams();
  void ClearRowIds();
  // Frees every record set and its memory table (references to them become invalid).
  void ClearTables();

  // Parameter INDEX (0-based); EListError when out of bounds.
  TKvParam* GetParam(int index) const;
  int ParamCount() const;
  // Row-identifier entry INDEX (0-based); EListError when out of bounds.
  TKvRowId* GetRowId(int index) const;
  int RowIdCount() const { return int(FRowIds.size()); }
  // Record set INDEX (0-based); EListError when out of bounds.
  TKvTable* GetTable(int index) const;
  int TableCount() const;

  // Parses TEXT (8-bit, process code page). False when the text is not XML, is not a response
  // (no "kovrane" document element with a "status" child), or a record set with rows has no
  // "fields"; conversion and dataset errors propagate. Raises EKvProtocolError when this
  // parser is already parsing. Pending messages are let through before each "rs", row,
  // field description and field value; if a handler frees this object meanwhile, Parse
  // returns false at once.
  bool Parse(const AnsiString& text);

  // True while Parse runs (also while handlers run inside it).
  bool Parsing() const { return FParsing; }

  // Status of the last response that carried one ("code", "info").
  int32_t StatusCode = 0;
  AnsiString StatusInfo;

 private:
  class TParseRun;
  friend class TParseRun;

  std::unique_ptr<TKvParams> FParams;
  std::unique_ptr<TKvTables> FTables;
  std::vector<TKvRowId*> FRowIds;  // owned
  bool FParsing = false;
  // Set while Parse runs: the flag it watches to learn that this object was freed.
  bool* FFreedFlag = nullptr;
};

namespace kvprotocol {

// The text between the (K-1)-th SEP (or the start) and the K-th SEP (or the end); empty when
// that would be the whole text.
std::string_view Piece(std::string_view text, char sep, int k);
// How often C occurs in TEXT.
int CountChar(std::string_view text, char c);
// TEXT read as a 32-bit signed decimal integer (blanks around allowed); 0 when it is not one.
int32_t DecimalOrZero(std::string_view text);

}  // namespace kvprotocol
