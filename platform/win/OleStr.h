// The process-wide OLE string allocator.
//
// A BSTR points at its first UTF-16 character; the 4 bytes before it hold the length in
// bytes (terminator not counted) and one NUL character always follows the data. A null
// BSTR is the empty string. Any module of the process may free a string another module
// allocated, because they all share this allocator.
//
// Every live string is kept in a registry, so a pointer that is not a live string (a
// foreign pointer, a literal, a string freed already) is recognised: SysFreeString
// ignores it and counts it in KvOleStringsInvalidFrees, and the length queries answer 0.
// Nothing is ever read through such a pointer.
#pragma once

#include "platform/win/WinDef.h"

#ifndef KV_BSTR_DEFINED
#define KV_BSTR_DEFINED
// One UTF-16 code unit of an OLE string.
typedef char16_t OLECHAR;
// An OLE string: pointer to the first character of a length-prefixed UTF-16 block.
typedef OLECHAR* BSTR;
#endif

// A new string holding psz up to its first NUL; null for a null psz or out of memory.
BSTR SysAllocString(const OLECHAR* psz);
// A new string of length characters copied from s (NULs included), zero-filled when s is
// null; null when out of memory or the length does not fit the 32-bit prefix.
BSTR SysAllocStringLen(const OLECHAR* s, UINT length);
// A new string holding byteLength raw bytes from p (no conversion; zero-filled when p is
// null) and a NUL character after them; its character length is byteLength / 2.
BSTR SysAllocStringByteLen(const char* p, UINT byteLength);
// Replaces *pb with a new copy of psz (null psz: null) and frees the old string; psz may
// point into *pb. Returns FALSE (and leaves *pb alone) when pb is null or out of memory.
BOOL SysReAllocString(BSTR* pb, const OLECHAR* psz);
// As SysReAllocString, with length characters taken from s (zero-filled when s is null).
BOOL SysReAllocStringLen(BSTR* pb, const OLECHAR* s, UINT length);
// Frees a live string; null is a no-op; any other pointer is ignored and counted.
void SysFreeString(BSTR b);
// Length in characters (byte length / 2); 0 for null or a pointer that is not live.
UINT SysStringLen(BSTR b);
// Length in bytes from the prefix; 0 for null or a pointer that is not live.
UINT SysStringByteLen(BSTR b);

// Number of strings allocated and not yet freed, process-wide.
long KvOleStringsLive();
// Number of SysFreeString calls (and reallocations) that were handed a non-null pointer
// that was not a live string, since the process started.
long KvOleStringsInvalidFrees();
