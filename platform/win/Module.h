// Loading modules (shared objects) at run time.
//
// A module handle (HMODULE) is the dynamic loader's handle. Loading a module that is loaded already
// returns the same handle and adds one to its reference count; FreeLibrary takes one off
// and unloads it at zero. The handles handed out are remembered with their counts, so a
// null, unknown or already released handle is refused instead of reaching the loader.
// Failures return null or 0 and set the calling thread's last error (CodePage.h).
#pragma once

#include "platform/win/WinDef.h"

// An exported function, to be cast to its real type before the call. It has the generic
// function-pointer type, so the cast compiles without a function-type warning.
typedef void (*FARPROC)();

// Loads the module at path, used as given (no extension is added; a name without a slash
// is searched for by the dynamic loader), all symbols bound now and kept local to it; null with ERROR_MOD_NOT_FOUND when it cannot be loaded, with
// ERROR_INVALID_PARAMETER for a null or empty path.
HMODULE LoadLibraryA(const char* path);
// The address of the export name of module; null with ERROR_PROC_NOT_FOUND when it has no
// such export or name is an ordinal (modules here export by name only), with
// ERROR_INVALID_HANDLE for a handle this process did not load.
FARPROC GetProcAddress(HMODULE module, const char* name);
// Releases one load of module; 0 with ERROR_INVALID_HANDLE for null or an unknown handle.
BOOL FreeLibrary(HMODULE module);
// Copies the file path of module (null: the program) into buffer, NUL-terminated and cut
// to size - 1 characters; returns the characters copied without the NUL, or size with
// ERROR_INSUFFICIENT_BUFFER when it was cut, or 0 on failure (no buffer or size 0 included).
DWORD GetModuleFileNameA(HMODULE module, char* buffer, DWORD size);
