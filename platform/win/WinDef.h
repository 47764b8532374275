// Basic types of the window system: integers, handles, points and rectangles.
// Everything else in platform/win builds on these; include "platform/win/Windows.h" for the API.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gfx {
class Canvas;
}

typedef int32_t BOOL;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef int32_t INT;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef int16_t SHORT;
typedef uint16_t USHORT;
typedef char CHAR;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef intptr_t LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t UINT_PTR;
typedef uintptr_t DWORD_PTR;
typedef const char* LPCSTR;
typedef char* LPSTR;
typedef void* LPVOID;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Opaque handles. A window handle's value fits in 31 bits and is never reused in a process.
struct HWND__;
typedef HWND__* HWND;
struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
struct HBRUSH__;
typedef HBRUSH__* HBRUSH;
struct HCURSOR__;
typedef HCURSOR__* HCURSOR;
typedef HCURSOR HICON;
struct HMENU__;
typedef HMENU__* HMENU;
struct HRGN__;
typedef HRGN__* HRGN;
// A device context is a canvas; the window system hands out canvases set up for one window.
typedef gfx::Canvas* HDC;

struct POINT {
  LONG x;
  LONG y;
};

struct SIZE {
  LONG cx;
  LONG cy;
};

// Right and bottom are exclusive.
struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};

typedef POINT* LPPOINT;
typedef RECT* LPRECT;
typedef const RECT* LPCRECT;

#define MAKEWORD(lo, hi) ((WORD)(((BYTE)((lo) & 0xff)) | (((WORD)((BYTE)((hi) & 0xff))) << 8)))
#define MAKELONG(lo, hi) ((LONG)(((WORD)((lo) & 0xffff)) | (((DWORD)((WORD)((hi) & 0xffff))) << 16)))
#define MAKEWPARAM(lo, hi) ((WPARAM)(DWORD)MAKELONG(lo, hi))
#define MAKELPARAM(lo, hi) ((LPARAM)(DWORD)MAKELONG(lo, hi))
#define MAKELRESULT(lo, hi) ((LRESULT)(DWORD)MAKELONG(lo, hi))
#define LOWORD(l) ((WORD)(((DWORD_PTR)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((DWORD_PTR)(l)) >> 16) & 0xffff))
#define LOBYTE(w) ((BYTE)(((DWORD_PTR)(w)) & 0xff))
#define HIBYTE(w) ((BYTE)((((DWORD_PTR)(w)) >> 8) & 0xff))
#define GET_X_LPARAM(lp) ((int)(SHORT)LOWORD(lp))
#define GET_Y_LPARAM(lp) ((int)(SHORT)HIWORD(lp))
