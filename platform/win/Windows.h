// The window system's API: windows, messages, painting, input, timers.
// Text is 8-bit in code page 936. One user-interface thread: call everything from the thread
// that first used the window system.
#pragma once

#include "platform/win/WinDef.h"

// ---- window procedures and classes ---------------------------------------------------------

typedef LRESULT (*WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef void (*TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);

#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define CS_DBLCLKS 0x0008
#define CS_OWNDC 0x0020
#define CS_CLASSDC 0x0040
#define CS_PARENTDC 0x0080
#define CS_NOCLOSE 0x0200
#define CS_SAVEBITS 0x0800

// hbrBackground: null (no default erase) or (HBRUSH)(COLOR_xxx + 1), a system colour.
struct WNDCLASSA {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCSTR lpszMenuName;
  LPCSTR lpszClassName;
};
typedef WNDCLASSA WNDCLASS;

struct CREATESTRUCTA {
  LPVOID lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy;
  int cx;
  int y;
  int x;
  LONG style;
  LPCSTR lpszName;
  LPCSTR lpszClass;
  DWORD dwExStyle;
};
typedef CREATESTRUCTA CREATESTRUCT;

struct WINDOWPOS {
  HWND hwnd;
  HWND hwndInsertAfter;
  int x;
  int y;
  int cx;
  int cy;
  UINT flags;
};

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;  // pointer position in screen coordinates when the message was queued
};
typedef MSG* LPMSG;

struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;  // TRUE when the background still needs erasing (WM_ERASEBKGND returned 0)
  RECT rcPaint;
  BOOL fRestore;
  BOOL fIncUpdate;
  BYTE rgbReserved[32];
};

#define TME_HOVER 0x00000001
#define TME_LEAVE 0x00000002
#define TME_QUERY 0x40000000
#define TME_CANCEL 0x80000000
#define HOVER_DEFAULT 0xFFFFFFFF

struct TRACKMOUSEEVENT {
  DWORD cbSize;
  DWORD dwFlags;
  HWND hwndTrack;
  DWORD dwHoverTime;
};

// ---- messages ------------------------------------------------------------------------------

#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_ACTIVATE 0x0006
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_ENABLE 0x000A
#define WM_SETREDRAW 0x000B
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_ERASEBKGND 0x0014
#define WM_SYSCOLORCHANGE 0x0015
#define WM_SHOWWINDOW 0x0018
#define WM_ACTIVATEAPP 0x001C
#define WM_CANCELMODE 0x001F
#define WM_SETCURSOR 0x0020
#define WM_MOUSEACTIVATE 0x0021
#define WM_GETMINMAXINFO 0x0024
#define WM_NEXTDLGCTL 0x0028
#define WM_SETFONT 0x0030
#define WM_GETFONT 0x0031
#define WM_WINDOWPOSCHANGING 0x0046
#define WM_WINDOWPOSCHANGED 0x0047
#define WM_NOTIFY 0x004E
#define WM_NCCREATE 0x0081
#define WM_NCDESTROY 0x0082
#define WM_NCCALCSIZE 0x0083
#define WM_NCHITTEST 0x0084
#define WM_NCPAINT 0x0085
#define WM_NCACTIVATE 0x0086
#define WM_GETDLGCODE 0x0087
#define WM_NCMOUSEMOVE 0x00A0
#define WM_NCLBUTTONDOWN 0x00A1
#define WM_NCLBUTTONUP 0x00A2
#define WM_NCLBUTTONDBLCLK 0x00A3
#define WM_KEYFIRST 0x0100
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_DEADCHAR 0x0103
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_SYSCHAR 0x0106
#define WM_KEYLAST 0x0109
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113
#define WM_HSCROLL 0x0114
#define WM_VSCROLL 0x0115
#define WM_MOUSEFIRST 0x0200
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_RBUTTONDBLCLK 0x0206
#define WM_MBUTTONDOWN 0x0207
#define WM_MBUTTONUP 0x0208
#define WM_MBUTTONDBLCLK 0x0209
#define WM_MOUSEWHEEL 0x020A
#define WM_MOUSELAST 0x020A
#define WM_PARENTNOTIFY 0x0210
#define WM_CAPTURECHANGED 0x0215
#define WM_MOVING 0x0216
#define WM_ENTERSIZEMOVE 0x0231
#define WM_EXITSIZEMOVE 0x0232
#define WM_MOUSEHOVER 0x02A1
#define WM_MOUSELEAVE 0x02A3
#define WM_USER 0x0400
#define WM_APP 0x8000

// WM_ACTIVATE wParam
#define WA_INACTIVE 0
#define WA_ACTIVE 1
#define WA_CLICKACTIVE 2

// WM_SIZE wParam
#define SIZE_RESTORED 0
#define SIZE_MINIMIZED 1
#define SIZE_MAXIMIZED 2
#define SIZE_MAXSHOW 3
#define SIZE_MAXHIDE 4

// WM_SYSCOMMAND wParam; the low four bits are the system's own: compare (wParam & 0xFFF0).
#define SC_SIZE 0xF000
#define SC_MOVE 0xF010
#define SC_MINIMIZE 0xF020
#define SC_ICON SC_MINIMIZE
#define SC_MAXIMIZE 0xF030
#define SC_ZOOM SC_MAXIMIZE
#define SC_NEXTWINDOW 0xF040
#define SC_PREVWINDOW 0xF050
#define SC_CLOSE 0xF060
#define SC_VSCROLL 0xF070
#define SC_HSCROLL 0xF080
#define SC_MOUSEMENU 0xF090
#define SC_KEYMENU 0xF100
#define SC_ARRANGE 0xF110
#define SC_RESTORE 0xF120
#define SC_TASKLIST 0xF130
#define SC_SCREENSAVE 0xF140
#define SC_HOTKEY 0xF150
#define SC_DEFAULT 0xF160
#define SC_MONITORPOWER 0xF170
#define SC_CONTEXTHELP 0xF180
#define SC_SEPARATOR 0xF00F
#define GET_SC_WPARAM(wParam) ((int)(wParam) & 0xFFF0)

// WM_NCHITTEST results
#define HTERROR (-2)
#define HTTRANSPARENT (-1)
#define HTNOWHERE 0
#define HTCLIENT 1
#define HTCAPTION 2
#define HTSYSMENU 3
#define HTGROWBOX 4
#define HTSIZE HTGROWBOX
#define HTMENU 5
#define HTHSCROLL 6
#define HTVSCROLL 7
#define HTMINBUTTON 8
#define HTMAXBUTTON 9
#define HTLEFT 10
#define HTRIGHT 11
#define HTTOP 12
#define HTTOPLEFT 13
#define HTTOPRIGHT 14
#define HTBOTTOM 15
#define HTBOTTOMLEFT 16
#define HTBOTTOMRIGHT 17
#define HTBORDER 18
#define HTCLOSE 20
#define HTHELP 21

// WM_GETDLGCODE results
#define DLGC_WANTARROWS 0x0001
#define DLGC_WANTTAB 0x0002
#define DLGC_WANTALLKEYS 0x0004
#define DLGC_WANTMESSAGE 0x0004
#define DLGC_HASSETSEL 0x0008
#define DLGC_DEFPUSHBUTTON 0x0010
#define DLGC_UNDEFPUSHBUTTON 0x0020
#define DLGC_RADIOBUTTON 0x0040
#define DLGC_WANTCHARS 0x0080
#define DLGC_STATIC 0x0100
#define DLGC_BUTTON 0x2000

// Mouse-message key flags (wParam)
#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002
#define MK_SHIFT 0x0004
#define MK_CONTROL 0x0008
#define MK_MBUTTON 0x0010
#define WHEEL_DELTA 120
#define GET_WHEEL_DELTA_WPARAM(wParam) ((SHORT)HIWORD(wParam))
#define GET_KEYSTATE_WPARAM(wParam) (LOWORD(wParam))

// ---- virtual keys --------------------------------------------------------------------------

#define VK_LBUTTON 0x01
#define VK_RBUTTON 0x02
#define VK_CANCEL 0x03
#define VK_MBUTTON 0x04
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_CLEAR 0x0C
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_PAUSE 0x13
#define VK_CAPITAL 0x14
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_SELECT 0x29
#define VK_PRINT 0x2A
#define VK_EXECUTE 0x2B
#define VK_SNAPSHOT 0x2C
#define VK_INSERT 0x2D
#define VK_DELETE 0x2E
#define VK_HELP 0x2F
#define VK_LWIN 0x5B
#define VK_RWIN 0x5C
#define VK_APPS 0x5D
#define VK_NUMPAD0 0x60
#define VK_NUMPAD1 0x61
#define VK_NUMPAD2 0x62
#define VK_NUMPAD3 0x63
#define VK_NUMPAD4 0x64
#define VK_NUMPAD5 0x65
#define VK_NUMPAD6 0x66
#define VK_NUMPAD7 0x67
#define VK_NUMPAD8 0x68
#define VK_NUMPAD9 0x69
#define VK_MULTIPLY 0x6A
#define VK_ADD 0x6B
#define VK_SEPARATOR 0x6C
#define VK_SUBTRACT 0x6D
#define VK_DECIMAL 0x6E
#define VK_DIVIDE 0x6F
#define VK_F1 0x70
#define VK_F2 0x71
#define VK_F3 0x72
#define VK_F4 0x73
#define VK_F5 0x74
#define VK_F6 0x75
#define VK_F7 0x76
#define VK_F8 0x77
#define VK_F9 0x78
#define VK_F10 0x79
#define VK_F11 0x7A
#define VK_F12 0x7B
#define VK_NUMLOCK 0x90
#define VK_SCROLL 0x91
#define VK_LSHIFT 0xA0
#define VK_RSHIFT 0xA1
#define VK_LCONTROL 0xA2
#define VK_RCONTROL 0xA3
#define VK_LMENU 0xA4
#define VK_RMENU 0xA5
#define VK_OEM_1 0xBA
#define VK_OEM_PLUS 0xBB
#define VK_OEM_COMMA 0xBC
#define VK_OEM_MINUS 0xBD
#define VK_OEM_PERIOD 0xBE
#define VK_OEM_2 0xBF
#define VK_OEM_3 0xC0
#define VK_OEM_4 0xDB
#define VK_OEM_5 0xDC
#define VK_OEM_6 0xDD
#define VK_OEM_7 0xDE

// ---- styles --------------------------------------------------------------------------------

#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_MINIMIZE 0x20000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_CLIPCHILDREN 0x02000000L
#define WS_MAXIMIZE 0x01000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_DLGFRAME 0x00400000L
#define WS_VSCROLL 0x00200000L
#define WS_HSCROLL 0x00100000L
#define WS_SYSMENU 0x00080000L
#define WS_THICKFRAME 0x00040000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L
#define WS_MINIMIZEBOX 0x00020000L
#define WS_MAXIMIZEBOX 0x00010000L
#define WS_OVERLAPPEDWINDOW \
  (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)
#define WS_POPUPWINDOW (WS_POPUP | WS_BORDER | WS_SYSMENU)

#define WS_EX_TOPMOST 0x00000008L
#define WS_EX_TRANSPARENT 0x00000020L
#define WS_EX_TOOLWINDOW 0x00000080L
#define WS_EX_CONTROLPARENT 0x00010000L
#define WS_EX_NOACTIVATE 0x08000000L

#define CW_USEDEFAULT ((int)0x80000000)

// ShowWindow
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOWMAXIMIZED 3
#define SW_MAXIMIZE 3
#define SW_SHOWNOACTIVATE 4
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_SHOWMINNOACTIVE 7
#define SW_SHOWNA 8
#define SW_RESTORE 9
#define SW_SHOWDEFAULT 10
#define SW_FORCEMINIMIZE 11

// SetWindowPos
#define HWND_TOP ((HWND)0)
#define HWND_BOTTOM ((HWND)1)
#define HWND_TOPMOST ((HWND)-1)
#define HWND_NOTOPMOST ((HWND)-2)
#define HWND_BROADCAST ((HWND)0xffff)
#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SWP_NOREDRAW 0x0008
#define SWP_NOACTIVATE 0x0010
#define SWP_FRAMECHANGED 0x0020
#define SWP_SHOWWINDOW 0x0040
#define SWP_HIDEWINDOW 0x0080
#define SWP_NOCOPYBITS 0x0100
#define SWP_NOOWNERZORDER 0x0200
#define SWP_NOSENDCHANGING 0x0400

// GetWindowLongPtr / SetWindowLongPtr
#define GWL_WNDPROC (-4)
#define GWL_HINSTANCE (-6)
#define GWL_HWNDPARENT (-8)
#define GWL_ID (-12)
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWL_USERDATA (-21)
#define GWLP_WNDPROC GWL_WNDPROC
#define GWLP_HINSTANCE GWL_HINSTANCE
#define GWLP_HWNDPARENT GWL_HWNDPARENT
#define GWLP_ID GWL_ID
#define GWLP_USERDATA GWL_USERDATA

// GetWindow
#define GW_HWNDFIRST 0
#define GW_HWNDLAST 1
#define GW_HWNDNEXT 2
#define GW_HWNDPREV 3
#define GW_OWNER 4
#define GW_CHILD 5

// GetAncestor
#define GA_PARENT 1
#define GA_ROOT 2
#define GA_ROOTOWNER 3

// ChildWindowFromPointEx
#define CWP_ALL 0x0000
#define CWP_SKIPINVISIBLE 0x0001
#define CWP_SKIPDISABLED 0x0002
#define CWP_SKIPTRANSPARENT 0x0004

// PeekMessage
#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001
#define PM_NOYIELD 0x0002

// GetQueueStatus
#define QS_KEY 0x0001
#define QS_MOUSEMOVE 0x0002
#define QS_MOUSEBUTTON 0x0004
#define QS_POSTMESSAGE 0x0008
#define QS_TIMER 0x0010
#define QS_PAINT 0x0020
#define QS_SENDMESSAGE 0x0040
#define QS_HOTKEY 0x0080
#define QS_ALLPOSTMESSAGE 0x0100
#define QS_MOUSE (QS_MOUSEMOVE | QS_MOUSEBUTTON)
#define QS_INPUT (QS_MOUSE | QS_KEY)
#define QS_ALLEVENTS (QS_INPUT | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_HOTKEY)
#define QS_ALLINPUT (QS_ALLEVENTS | QS_SENDMESSAGE)

// RedrawWindow
#define RDW_INVALIDATE 0x0001
#define RDW_INTERNALPAINT 0x0002
#define RDW_ERASE 0x0004
#define RDW_VALIDATE 0x0008
#define RDW_NOINTERNALPAINT 0x0010
#define RDW_NOERASE 0x0020
#define RDW_NOCHILDREN 0x0040
#define RDW_ALLCHILDREN 0x0080
#define RDW_UPDATENOW 0x0100
#define RDW_ERASENOW 0x0200
#define RDW_FRAME 0x0400
#define RDW_NOFRAME 0x0800

// GetSystemMetrics
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CXDOUBLECLK 36
#define SM_CYDOUBLECLK 37
#define SM_CXMINIMIZED 57
#define SM_CYMINIMIZED 58
#define SM_CXDRAG 68
#define SM_CYDRAG 69

// ---- windows -------------------------------------------------------------------------------

// Registers a window class; returns a non-zero atom, or 0 for a null/nameless class or a name
// already registered.
WORD RegisterClassA(const WNDCLASSA* wc);
// Removes a class; FALSE if unknown or windows of it still exist.
BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance);
// Copies a registered class; FALSE if unknown.
BOOL GetClassInfoA(HINSTANCE instance, LPCSTR className, WNDCLASSA* out);
// Creates a window (sends WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, then shows it if
// WS_VISIBLE); null for an unknown class, a child style without a valid parent, or a creation
// message that refused. A new child goes below its siblings (z-order = creation order, the
// first on top); use SetWindowPos to reorder.
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param);
// Destroys a window and its children (WM_DESTROY top-down, WM_NCDESTROY bottom-up); its handle
// and the handles of its children become invalid and messages posted to them are dropped.
BOOL DestroyWindow(HWND hwnd);
// TRUE while hwnd names a live window.
BOOL IsWindow(HWND hwnd);
// TRUE if child is a descendant of parent.
BOOL IsChild(HWND parent, HWND child);
// The parent of a child window; null for top-level windows and bad handles.
HWND GetParent(HWND hwnd);
// Re-parents hwnd (null parent: top-level); returns the old parent, or null on failure.
HWND SetParent(HWND hwnd, HWND newParent);
// Related window by GW_* (z-order among siblings, first child); null if none.
HWND GetWindow(HWND hwnd, UINT cmd);
// Topmost child of hwnd (null: topmost top-level window).
HWND GetTopWindow(HWND hwnd);
// GA_PARENT, GA_ROOT or GA_ROOTOWNER of hwnd.
HWND GetAncestor(HWND hwnd, UINT flags);
// The first top-level window with the class and/or caption given (null matches any).
HWND FindWindowA(LPCSTR className, LPCSTR windowName);
// Copies the class name; returns its length, 0 for a bad handle.
int GetClassNameA(HWND hwnd, LPSTR buffer, int size);

// GWL_STYLE, GWL_EXSTYLE, GWLP_WNDPROC, GWLP_USERDATA, GWLP_ID, GWLP_HWNDPARENT; returns the
// previous value, 0 for a bad handle or index.
LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value);
// Reads a value set by SetWindowLongPtrA; 0 for a bad handle or index.
LONG_PTR GetWindowLongPtrA(HWND hwnd, int index);
// 32-bit forms of the two calls above.
LONG SetWindowLongA(HWND hwnd, int index, LONG value);
LONG GetWindowLongA(HWND hwnd, int index);

// Sets the caption through WM_SETTEXT.
BOOL SetWindowTextA(HWND hwnd, LPCSTR text);
// Copies the caption through WM_GETTEXT (always terminated); returns the length copied.
int GetWindowTextA(HWND hwnd, LPSTR buffer, int size);
// Length of the caption through WM_GETTEXTLENGTH.
int GetWindowTextLengthA(HWND hwnd);

// ---- geometry ------------------------------------------------------------------------------

// Moves and sizes (coordinates relative to the parent's client area).
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
// Changes position, size, z-order and visibility as the SWP_* flags say.
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
// Window bounds in screen coordinates. Windows have no frame: window and client area coincide.
BOOL GetWindowRect(HWND hwnd, LPRECT rect);
// Client area: (0, 0, width, height).
BOOL GetClientRect(HWND hwnd, LPRECT rect);
// Converts a point between the client coordinates of hwnd and screen coordinates.
BOOL ClientToScreen(HWND hwnd, LPPOINT point);
BOOL ScreenToClient(HWND hwnd, LPPOINT point);
// Converts points from one window's client coordinates to another's (null: screen); returns
// the offset as MAKELONG(dx, dy), 0 on a bad handle.
int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count);
// Shows, hides, maximises, minimises or restores (see DefWindowProcA for the geometry);
// maximised and minimised children follow their parent's size. Returns whether it was
// visible before.
BOOL ShowWindow(HWND hwnd, int cmdShow);
// TRUE if hwnd and all its ancestors are visible.
BOOL IsWindowVisible(HWND hwnd);
// Maximised / minimised state.
BOOL IsZoomed(HWND hwnd);
BOOL IsIconic(HWND hwnd);
// Enables or disables input (WM_ENABLE); returns whether it was disabled before.
BOOL EnableWindow(HWND hwnd, BOOL enable);
// FALSE for disabled windows and bad handles.
BOOL IsWindowEnabled(HWND hwnd);
// Deepest visible, enabled window under a screen point (skips HTTRANSPARENT); null if none.
HWND WindowFromPoint(POINT screenPoint);
// Immediate child of parent containing a client point (parent itself if none; null outside).
HWND ChildWindowFromPoint(HWND parent, POINT clientPoint);
HWND ChildWindowFromPointEx(HWND parent, POINT clientPoint, UINT flags);

// ---- messages ------------------------------------------------------------------------------

// Calls the window procedure now, on the caller's stack; 0 for a bad handle.
LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Queues a message (hwnd null: a thread message); FALSE for a bad handle or a full queue.
BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Queues a thread message (hwnd null).
BOOL PostThreadMessageA(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam);
// Asks the loop to end: GetMessage returns 0 with WM_QUIT once nothing else is waiting.
void PostQuitMessage(int exitCode);
// Takes the next message without waiting: posted, then input, then paint, then timers.
// WM_PAINT stays until its window is validated.
BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
// Waits for the next message; 0 for WM_QUIT, -1 for a bad filter window. In the headless
// backend, when nothing can arrive any more (no messages, no timers), returns 0 with WM_QUIT.
BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax);
// Waits until something is pending (returns at once in the headless backend when nothing
// can arrive).
BOOL WaitMessage();
// Calls the message's window procedure (or the TIMERPROC of a WM_TIMER); 0 for no window.
LRESULT DispatchMessageA(const MSG* msg);
// Posts WM_CHAR after a WM_KEYDOWN of a key that types text; TRUE if it did.
BOOL TranslateMessage(const MSG* msg);
// The default handling of every message. Among others: WM_PAINT validates; WM_ERASEBKGND
// fills the client area with the class's system-colour brush and returns 1 (0 and no fill
// without a brush); WM_CLOSE destroys; WM_SYSCOMMAND (low four bits ignored): SC_CLOSE sends
// WM_CLOSE, SC_MAXIMIZE fills the parent's client area (top-level: the screen), SC_MINIMIZE
// makes a child a 160 x 24 bar in the bottom-left row of its parent (a top-level window keeps
// its bounds), SC_RESTORE goes back (from minimised-after-maximised: to maximised), SC_MOVE
// follows the pointer while the left button is held, in a nested loop that dispatches other
// messages (ends at once when the button is not down; Escape cancels; headless, it also ends
// when the queued input runs out); WM_WINDOWPOSCHANGED sends WM_SIZE and WM_MOVE.
LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Calls proc (or nothing if null) with the message.
LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// QS_* bits of what is waiting (high word) and what arrived since the last call (low word).
DWORD GetQueueStatus(UINT flags);
// Time (GetTickCount) and screen position of the last message retrieved.
LONG GetMessageTime();
DWORD GetMessagePos();
// TRUE while the current message came from SendMessage of another thread (never here).
BOOL InSendMessage();

// ---- painting ------------------------------------------------------------------------------

// Adds a client rectangle (null: all) to the update region; bErase asks for WM_ERASEBKGND.
// Children without WS_CLIPCHILDREN on the parent are invalidated under the rectangle too.
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
// Removes a client rectangle (null: all) from the update region.
BOOL ValidateRect(HWND hwnd, const RECT* rect);
// Bounding box of the update region; FALSE if it is empty.
BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL erase);
// Invalidates / validates / paints at once as the RDW_* flags say (region must be null).
BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags);
// Sends WM_PAINT now if the update region is not empty.
BOOL UpdateWindow(HWND hwnd);
// Starts painting: a canvas on the window's client origin clipped to the visible part of the
// update region; sends WM_ERASEBKGND if erasing is needed; validates. Null for a bad handle.
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps);
// Ends painting started by BeginPaint.
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps);
// A canvas on the visible part of the client area (null hwnd: null); free with ReleaseDC.
HDC GetDC(HWND hwnd);
// Frees a canvas from GetDC; 1 on success.
int ReleaseDC(HWND hwnd, HDC dc);

// ---- focus, activation, capture ------------------------------------------------------------

// Gives hwnd the keyboard focus (WM_KILLFOCUS to the old, then WM_SETFOCUS to the new);
// returns the previous focus; null and no change for a bad or disabled window.
HWND SetFocus(HWND hwnd);
// The focus window, or null.
HWND GetFocus();
// The active top-level window, or null.
HWND GetActiveWindow();
// Activates a top-level window (WM_ACTIVATE); returns the previous one.
HWND SetActiveWindow(HWND hwnd);
// Same as SetActiveWindow plus bringing the window to the top.
BOOL SetForegroundWindow(HWND hwnd);
HWND GetForegroundWindow();
// Sends all mouse input to hwnd; returns the previous capture window.
HWND SetCapture(HWND hwnd);
// Ends capture (WM_CAPTURECHANGED to the window that had it); TRUE.
BOOL ReleaseCapture();
// The capture window, or null.
HWND GetCapture();
// Asks for WM_MOUSELEAVE (TME_LEAVE) / WM_MOUSEHOVER (TME_HOVER) for the window under the pointer.
BOOL TrackMouseEvent(TRACKMOUSEEVENT* tme);
// The pointer position in screen coordinates.
BOOL GetCursorPos(LPPOINT point);
// Moves the pointer (generates no messages by itself).
BOOL SetCursorPos(int x, int y);
// Key state as of the last message retrieved: bit 0x8000 down, bit 0x0001 toggled.
SHORT GetKeyState(int vk);
// Key state now.
SHORT GetAsyncKeyState(int vk);

// ---- timers and time -----------------------------------------------------------------------

// Starts or restarts a timer (WM_TIMER every elapse ms, at most one pending); returns its id,
// 0 on failure. With hwnd null a new id is chosen.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc);
// Stops a timer and drops its pending WM_TIMER; FALSE if unknown.
BOOL KillTimer(HWND hwnd, UINT_PTR id);
// Milliseconds since the window system started.
DWORD GetTickCount();
// Double-click interval in ms (500).
UINT GetDoubleClickTime();
// SM_* values (screen size, double-click box, minimised-window size).
int GetSystemMetrics(int index);
// Does nothing but answer TRUE (no sound device).
BOOL MessageBeep(UINT type);

// ---- code page 936 names for the usual calls -----------------------------------------------

inline WORD RegisterClass(const WNDCLASSA* wc) { return RegisterClassA(wc); }
inline HWND CreateWindowEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                           int y, int width, int height, HWND parent, HMENU menu,
                           HINSTANCE instance, LPVOID param) {
  return CreateWindowExA(exStyle, className, windowName, style, x, y, width, height, parent, menu,
                         instance, param);
}
inline LRESULT SendMessage(HWND h, UINT m, WPARAM w, LPARAM l) { return SendMessageA(h, m, w, l); }
inline BOOL PostMessage(HWND h, UINT m, WPARAM w, LPARAM l) { return PostMessageA(h, m, w, l); }
inline BOOL PeekMessage(LPMSG msg, HWND h, UINT mn, UINT mx, UINT rm) {
  return PeekMessageA(msg, h, mn, mx, rm);
}
inline BOOL GetMessage(LPMSG msg, HWND h, UINT mn, UINT mx) { return GetMessageA(msg, h, mn, mx); }
inline LRESULT DispatchMessage(const MSG* msg) { return DispatchMessageA(msg); }
inline LRESULT DefWindowProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  return DefWindowProcA(h, m, w, l);
}
inline LRESULT CallWindowProc(WNDPROC p, HWND h, UINT m, WPARAM w, LPARAM l) {
  return CallWindowProcA(p, h, m, w, l);
}
inline LONG_PTR SetWindowLongPtr(HWND h, int i, LONG_PTR v) { return SetWindowLongPtrA(h, i, v); }
inline LONG_PTR GetWindowLongPtr(HWND h, int i) { return GetWindowLongPtrA(h, i); }
inline BOOL SetWindowText(HWND h, LPCSTR t) { return SetWindowTextA(h, t); }
inline int GetWindowText(HWND h, LPSTR b, int n) { return GetWindowTextA(h, b, n); }
inline int GetWindowTextLength(HWND h) { return GetWindowTextLengthA(h); }

// ---- our own: backends, input injection, test support --------------------------------------

enum KvBackend {
  kvBackendDefault = 0,   // KVWIN_BACKEND=headless|sdl, else SDL when a display opens, else headless
  kvBackendHeadless = 1,  // surfaces in memory only
  kvBackendSdl = 2,       // a real window per visible top-level window
};

// Chooses the backend; call before the first window (later calls change nothing and return
// FALSE). Without a call the default is chosen on first use. TRUE if `which` is now active.
BOOL KvInitWindowSystem(KvBackend which);
// The backend in use (choosing the default if none yet).
KvBackend KvCurrentBackend();
// Destroys every window, kills timers and empties the queue (tests, end of program).
void KvShutdownWindowSystem();

// The queue's idle state, kept by the window system (read-only for everyone else) so that
// the idle check below is inline: two loads and tests when nothing is waiting.
struct KvQueueIdleState {
  uint32_t pending;    // posted messages, input, paints and a quit that are waiting
  uint32_t slowCheck;  // nonzero when the clock and the display must be looked at too
};
extern "C" KvQueueIdleState kvQueueIdle;
// The part of KvMessagesPending that looks at timers, hover and the display (every few calls).
BOOL KvMessagesPendingSlow();

// TRUE if a posted message, input or a paint is waiting. Costs a flag test when nothing is.
inline BOOL KvMessagesPending() {
  if (kvQueueIdle.pending) return TRUE;
  if (!kvQueueIdle.slowCheck) return FALSE;
  return KvMessagesPendingSlow();
}

// Queues mouse input as if the pointer were at (x, y) in the client area of the top-level
// window `top`; routed like real input (capture, then the window under the pointer).
// msg is WM_MOUSEMOVE, WM_[LRM]BUTTON(DOWN|UP) or WM_MOUSEWHEEL (wheel delta in HIWORD(keys)).
BOOL KvInjectMouse(HWND top, UINT msg, int x, int y, WPARAM keys);
// Queues a key message (WM_KEYDOWN/UP, WM_SYSKEYDOWN/UP) for the focus window (or `top`).
BOOL KvInjectKey(HWND top, UINT msg, WPARAM vk, LPARAM keyData);
// Queues one WM_CHAR (a byte of code-page-936 text) for the focus window (or `top`).
BOOL KvInjectChar(HWND top, WPARAM ch);
// Queues WM_CHAR for every byte of a code-page-936 string.
BOOL KvInjectText(HWND top, LPCSTR text);

// Paints everything pending, then writes the top-level window's surface as PNG.
BOOL KvSaveWindowPng(HWND top, const char* path);
// Pixel of a top-level window's surface (0x00BBGGRR) after painting everything pending;
// 0xFFFFFFFF outside or for a bad handle. For tests and scripted hosts.
DWORD KvGetWindowPixel(HWND top, int x, int y);
// Sends WM_PAINT to every window with a non-empty update region (parents first).
void KvPaintAll();

// Screen size of the headless backend (default 1024 x 768).
void KvSetScreenSize(int width, int height);

// Code pages, OLE strings and modules live in their own headers.
#if __has_include("platform/win/CodePage.h")
#include "platform/win/CodePage.h"
#endif
#if __has_include("platform/win/OleStr.h")
#include "platform/win/OleStr.h"
#endif
#if __has_include("platform/win/Module.h")
#include "platform/win/Module.h"
#endif
