/* The one header a host of the purchase-order plug-in needs.
 *
 * The plug-in (libordr118.so) exports ShowChildForm. Host and child form then talk through
 * the window messages below, and share four records by pointer: the request exchange
 * object (TShareVar), the host's shared context (TShareContext) and style (TChildStyle),
 * and the argument array of a data query (TArgArr). The records are laid out slot by slot
 * as their 32-bit layouts fix them: pointers and wide strings take pointer-sized slots,
 * integers and colours 32 bits, and the slots one side does not read are kept as named
 * spare fields, so a -m32 build puts every field at its documented offset (a build step
 * checks each one). On 64-bit the pointer slots are 8 bytes; both sides come out of one
 * build, so they agree.
 *
 * Text in the records and arguments is 8-bit in code page 936 unless it is a wide string
 * (BSTR): UTF-16 allocated by the process-wide OLE string allocator, 32-bit byte length in
 * the 4 bytes before the characters, NUL-terminated; null is the empty string.
 *
 * Plain C and C++; nothing here needs the window system's headers, and including them too
 * is fine. */
#ifndef ORDR118_SDK_H
#define ORDR118_SDK_H

#ifdef __cplusplus
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string_view>
#else
#include <stdint.h>
#include <uchar.h>
#endif

/* The home platform's standard calling convention (the callee removes the arguments) on
 * 32-bit x86; elsewhere there is only one convention. */
#if defined(__i386__)
#define KV_STDCALL __attribute__((stdcall))
#else
#define KV_STDCALL
#endif

/* Marks the plug-in's one export visible in a library built with hidden visibility. */
#define KV_SDK_EXPORT __attribute__((visibility("default")))

/* A window handle: opaque, pointer-sized, its value fits in 31 bits. */
struct HWND__;
typedef struct HWND__* HWND;

#ifndef KV_BSTR_DEFINED
#define KV_BSTR_DEFINED
/* One UTF-16 code unit of an OLE string. */
typedef char16_t OLECHAR;
/* An OLE string: pointer to the first character of a length-prefixed UTF-16 block. */
typedef OLECHAR* BSTR;
#endif

/* ---- names ---------------------------------------------------------------------------- */

/* File name of the host's dialog library, appended to TShareContext.AppDir. */
#define KV_DIALOG_LIBRARY "dialog.dll"
/* Export of the dialog library that shows a message box (TKvMessageBox). */
#define KV_MESSAGEBOX_EXPORT "KvMessageBox"
/* Export of the plug-in that creates the child form (TShowChildForm). */
#define KV_SHOWCHILDFORM_EXPORT "ShowChildForm"

/* ---- messages (WM_USER + 100 .. + 118) ------------------------------------------------ */

enum {
    /* Host to form, sent: hide the form. Result 0. */
    WM_CHILD_HIDE = 1124,
    /* Host to form, sent: show the form and announce its command sets again. Result 0. */
    WM_CHILD_SHOW = 1125,
    /* Form to host, posted: the user closed the form with its title bar's close button.
     * WParam the form's window handle, LParam 0. */
    WM_HOST_CHILDCLOSED = 1126,
    /* Host to form, sent: close if the form may close now. Result 0 closed, 1 refused. */
    WM_CHILD_CLOSE = 1127,
    /* Host to form, sent: WParam a TShareContext* the form keeps (the host owns it), LParam
     * the context text "module key:query key" in the length-prefixed form that
     * KvContextText builds (read during the call only). Result 0. */
    WM_CHILD_SETCONTEXT = 1128,
    /* Host to form, sent: WParam a TChildStyle* the form keeps and applies at once (the
     * host owns it and keeps it valid while the form exists). Result 0. */
    WM_CHILD_SETSTYLE = 1129,
    /* Form to host, sent once before the form is shown: WParam the form's window handle,
     * LParam 0. The host may send 1128 and 1129 to that handle while handling it. */
    WM_HOST_CHILDCREATED = 1130,
    /* Form to host, sent: WParam the address of the form's variable that holds its own
     * command set (a class-library TChildCommand*), LParam 0. */
    WM_HOST_COMMANDS = 1131,
    /* Form to host, sent: WParam the kind of text (KV_STATUSTEXT_FAILURE), LParam a
     * NUL-terminated 8-bit text valid during the call. */
    WM_HOST_STATUSTEXT = 1132,
    /* Form to host, sent: WParam the address of the form's variable that holds its base
     * command set (new, update, delete, save, search, cancel, firstrec, priorrec,
     * nextrec, lastrec), LParam 0. */
    WM_HOST_BASECOMMANDS = 1133,
    /* Form to host, sent: open request. WParam a TShareVar* (ModuleCode, ModuleKey set;
     * the host stores its answer in OpenXml), LParam the form id. */
    WM_HOST_OPENMODULE = 1134,
    /* Form to host, sent: close request. WParam a TShareVar* (IntArg the module id,
     * ModuleKey set; the host stores its answer in CloseXml), LParam the form id. */
    WM_HOST_CLOSEMODULE = 1135,
    /* Form to host, sent: data query. WParam a TShareVar* (QueryKey set; the host stores
     * its answer in QueryXml), LParam a TArgArr* (the array it points to may be null). */
    WM_HOST_QUERYDATA = 1139,
    /* Host to form, sent: WParam the window that becomes the form's parent, LParam a form
     * id; the form shows itself (and announces its commands) when the id is its own,
     * else hides. Result 0. */
    WM_CHILD_SELECT = 1141,
    /* Host to form, sent: may the form close now? Result 0 yes, 1 no. Closes nothing. */
    WM_CHILD_CANCLOSE = 1142
};

/* WParam of WM_HOST_STATUSTEXT: the status text of a request whose answer failed. */
#define KV_STATUSTEXT_FAILURE 3

/* ---- records shared with the host ----------------------------------------------------- */

/* The request exchange object: created, sent and freed by the form within one request.
 * The host writes only its answer field and keeps no reference after the send returns;
 * the form frees every non-null wide string of the object, whoever allocated it. Fields
 * marked spare belong to the host's other plug-ins: this plug-in leaves them zero. */
typedef struct TShareVar {
    /* 0: the form's class reference; carries nothing for the host. */
    void* ClassRef;
    /* 4: close request: the module id from the open request's answer. */
    int32_t IntArg;
    /* 8: spare wide string. */
    BSTR Spare08;
    /* 12: set by the host: the response document answering the open request. */
    BSTR OpenXml;
    /* 16: set by the host: the response document answering the close request. */
    BSTR CloseXml;
    /* 20: spare wide string. */
    BSTR Spare20;
    /* 24: open request: the code of the module being opened ("Ordr118"). */
    BSTR ModuleCode;
    /* 28: spare wide string. */
    BSTR Spare28;
    /* 32: set by the host: the response document answering the data query. */
    BSTR QueryXml;
    /* 36, 40, ... 64: spare wide strings. */
    BSTR Spare36[8];
    /* 68: open and close requests: the form's module key (first part of the context). */
    BSTR ModuleKey;
    /* 72: spare integer. */
    int32_t Spare72;
    /* 76: data query: the form's query key (second part of the context). */
    BSTR QueryKey;
    /* 80, 84: spare wide strings. */
    BSTR Spare80;
    BSTR Spare84;
} TShareVar;

/* The host's shared-context record, lent by WM_CHILD_SETCONTEXT; owned by the host, read
 * by the form at every use, never written. */
typedef struct TShareContext {
    /* 0 .. 43: the host's own slots, not read by the plug-in. */
    void* HostSlots[11];
    /* 44: the directory that holds KV_DIALOG_LIBRARY, ending in a path delimiter (the
     * plug-in appends the file name directly). */
    BSTR AppDir;
} TShareContext;

/* The host's style record, lent by WM_CHILD_SETSTYLE; owned by the host, read by the form
 * at every paint and style operation, never written. Colours are class-library colour
 * values: 0x00BBGGRR, or a system-colour constant. The host may make it longer. */
typedef struct TChildStyle {
    /* 0: not read. */
    uint32_t Spare00;
    /* 4: non-zero: the form shows its own 18-pixel title bar; zero: hides it. */
    uint8_t ShowTitle;
    /* 5 .. 7: not read. */
    uint8_t Spare05[3];
    /* 8: grid fixed cells, overview grid, main splitter, master panel, styled pages,
     * arrow area of flat combo boxes. */
    int32_t PanelColor;
    /* 12: background of a data editor bound to a key field. */
    int32_t KeyFieldColor;
    /* 16: border of data editors and flat edits, memos, mask edits and combo boxes. */
    int32_t BorderColor;
    /* 20: the overview's tool-bar panel. */
    int32_t ToolBarColor;
    /* 24: the form's background; lower-right half of the title-bar corner. */
    int32_t FormColor;
    /* 28: background of a focused editor. */
    int32_t FocusedColor;
    /* 32: not read. */
    uint32_t Spare32;
    /* 36: the form's title bar; upper-left half of the title-bar corner. */
    int32_t TitleColor;
    /* 40: background of an ordinary editor and of flat combo boxes. */
    int32_t FieldColor;
    /* 44: the underline of labels. */
    int32_t LabelLineColor;
    /* 48: background of a data editor bound to a field that may not be null. */
    int32_t RequiredFieldColor;
    /* 52: default tab colour (gradient start) of styled page controls. */
    int32_t TabColor;
    /* 56: default tab colour (gradient end) of styled page controls. */
    int32_t TabColorTo;
    /* 60: active tab colour (gradient start) of styled page controls. */
    int32_t ActiveTabColor;
    /* 64: active tab colour (gradient end) of styled page controls. */
    int32_t ActiveTabColorTo;
} TChildStyle;

/* One argument record of a data query: 278 bytes whose layout is the host's. */
typedef struct TArgRec {
    uint8_t Bytes[278];
} TArgRec;

/* A dynamic array of argument records: the first element, or null for no elements (the
 * header of a non-empty array is the host's). WM_HOST_QUERYDATA passes the address of a
 * variable of this type; this plug-in always passes one that holds null. */
typedef TArgRec* TArgArr;

/* ---- entry points --------------------------------------------------------------------- */

#ifdef __cplusplus
extern "C" {
#endif

/* Creates the purchase-order form as a child of ParentWnd, gives the plug-in's
 * application the window AppHandle, sends every later message to HostWnd, captions the
 * form with the NUL-terminated 8-bit Caption, shows it and announces its command sets.
 * Returns the form id (the form's window handle), or 0 when creating the form failed. */
KV_SDK_EXPORT int32_t KV_STDCALL ShowChildForm(HWND AppHandle, HWND HostWnd, HWND ParentWnd, const char* Caption);

/* Type of ShowChildForm, for a host that looks it up at run time. */
typedef int32_t(KV_STDCALL* TShowChildForm)(HWND AppHandle, HWND HostWnd, HWND ParentWnd, const char* Caption);

/* Type of the dialog library's KvMessageBox: shows a modal message box owned by AppHandle
 * with the NUL-terminated 8-bit Caption and Text; Flags and the result use the message-box
 * values (4 = Yes and No buttons, result 6 = Yes). */
typedef int32_t(KV_STDCALL* TKvMessageBox)(HWND AppHandle, const char* Caption, const char* Text, int32_t Flags);

#ifdef __cplusplus
}

/* An 8-bit text in the length-prefixed form that WM_CHILD_SETCONTEXT carries: a 32-bit
 * reference count of -1 (a constant string), the 32-bit length in bytes, the bytes, a
 * NUL. Owns its block; text() stays valid while the object lives. */
class KvContextText {
public:
    /* Copies text; throws std::length_error beyond 2^31 - 1 bytes. */
    explicit KvContextText(std::string_view text)
    {
        if (text.size() > static_cast<std::size_t>(INT32_MAX))
            throw std::length_error("KvContextText: text longer than a 32-bit length");
        const int32_t refCount = -1;
        const int32_t length = static_cast<int32_t>(text.size());
        block_ = std::make_unique<char[]>(kHeader + text.size() + 1);
        std::memcpy(block_.get(), &refCount, sizeof refCount);
        std::memcpy(block_.get() + sizeof refCount, &length, sizeof length);
        if (!text.empty())
            std::memcpy(block_.get() + kHeader, text.data(), text.size());
        block_[kHeader + text.size()] = '\0';
    }

    /* The first character: the pointer to pass as LParam. */
    const char* text() const { return block_.get() + kHeader; }

    /* text() as a message argument. */
    intptr_t lparam() const { return reinterpret_cast<intptr_t>(text()); }

private:
    static constexpr std::size_t kHeader = 2 * sizeof(int32_t);
    std::unique_ptr<char[]> block_;
};

/* The text of a length-prefixed context text, by its length prefix (embedded NULs kept);
 * empty for null or a negative length. */
inline std::string_view KvReadContextText(const char* text)
{
    if (text == nullptr)
        return {};
    int32_t length;
    std::memcpy(&length, text - sizeof length, sizeof length);
    if (length <= 0)
        return {};
    return std::string_view(text, static_cast<std::size_t>(length));
}
#endif

#endif /* ORDR118_SDK_H */
