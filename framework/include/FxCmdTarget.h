// CCmdTarget and message maps: a class lists the messages, commands and notifications it handles
// in a static table (BEGIN_MESSAGE_MAP ... END_MESSAGE_MAP); lookups walk the tables of the class
// and its bases. Each entry remembers the handler's signature so the dispatcher can crack the
// message's parameters; the ON_* macros check the handler's type at compile time.
#pragma once
#include "FxObject.h"

class CCmdTarget;
class CCmdUI;
class CWnd;
class CDC;
class CMenu;
class CScrollBar;
class CPoint;

// Marks message handlers in class declarations; it expands to nothing.
#ifndef afx_msg
#define afx_msg
#endif

// A handler, stored type-erased; the entry's signature says what it really is.
typedef void (CCmdTarget::*AFX_PMSG)();

// Handler signatures (entry.nSig). Names read: result _ arguments.
enum FxSig : UINT_PTR {
  FxSig_end = 0,
  // commands and notifications (OnCmdMsg)
  FxSig_v_v,            // void ()                       ON_COMMAND, ON_CONTROL, ON_CONTROL_REFLECT
  FxSig_b_v,            // BOOL ()                       ON_CONTROL_REFLECT_EX
  FxSig_v_u,            // void (UINT id)                ON_COMMAND_RANGE, ON_CONTROL_RANGE
  FxSig_b_u,            // BOOL (UINT id)                ON_COMMAND_EX
  FxSig_cmdui,          // void (CCmdUI*)                ON_UPDATE_COMMAND_UI(_RANGE)
  FxSig_notify,         // void (NMHDR*, LRESULT*)       ON_NOTIFY, ON_NOTIFY_REFLECT
  FxSig_notify_b,       // BOOL (NMHDR*, LRESULT*)       ON_NOTIFY_REFLECT_EX
  FxSig_notify_range,   // void (UINT id, NMHDR*, LRESULT*)  ON_NOTIFY_RANGE
  FxSig_notify_range_b, // BOOL (UINT id, NMHDR*, LRESULT*)  ON_NOTIFY_EX(_RANGE)
  // window messages (CWnd::OnWndMsg)
  FxSig_l_w_l,          // LRESULT (WPARAM, LPARAM)      ON_MESSAGE, ON_REGISTERED_MESSAGE
  FxSig_v_w_l,          // void (WPARAM, LPARAM)         ON_THREAD_MESSAGE
  FxSig_msg_v,          // void ()                       ON_MESSAGE_VOID and argument-less ON_WM_*
  FxSig_i_cs,           // int (LPCREATESTRUCT)          ON_WM_CREATE
  FxSig_b_cs,           // BOOL (LPCREATESTRUCT)         ON_WM_NCCREATE
  FxSig_v_u_ii,         // void (UINT, int, int)         ON_WM_SIZE
  FxSig_v_ii,           // void (int, int)               ON_WM_MOVE
  FxSig_b_D,            // BOOL (CDC*)                   ON_WM_ERASEBKGND
  FxSig_h_D_W_u,        // HBRUSH (CDC*, CWnd*, UINT)    ON_WM_CTLCOLOR
  FxSig_h_D_u,          // HBRUSH (CDC*, UINT)           ON_WM_CTLCOLOR_REFLECT
  FxSig_v_i_dis,        // void (int, LPDRAWITEMSTRUCT)  ON_WM_DRAWITEM
  FxSig_v_i_mis,        // void (int, LPMEASUREITEMSTRUCT) ON_WM_MEASUREITEM
  FxSig_v_i_del,        // void (int, LPDELETEITEMSTRUCT)  ON_WM_DELETEITEM
  FxSig_v_u_u_u,        // void (UINT, UINT, UINT)       ON_WM_KEYDOWN/KEYUP/CHAR/SYSKEYDOWN, ON_WM_HOTKEY
  FxSig_v_u_p,          // void (UINT, CPoint)           mouse buttons and moves, client and non-client
  FxSig_v_W_p,          // void (CWnd*, CPoint)          ON_WM_CONTEXTMENU
  FxSig_b_u_s_p,        // BOOL (UINT, short, CPoint)    ON_WM_MOUSEWHEEL
  FxSig_l_p,            // LRESULT (CPoint)              ON_WM_NCHITTEST
  FxSig_b_W_u_u,        // BOOL (CWnd*, UINT, UINT)      ON_WM_SETCURSOR
  FxSig_v_W,            // void (CWnd*)                  ON_WM_SETFOCUS/KILLFOCUS/CAPTURECHANGED
  FxSig_v_u_u_Sb,       // void (UINT, UINT, CScrollBar*) ON_WM_HSCROLL/VSCROLL
  FxSig_v_u_u,          // void (UINT, UINT)             ON_WM_HSCROLL_REFLECT/VSCROLL_REFLECT
  FxSig_v_u_W_b,        // void (UINT, CWnd*, BOOL)      ON_WM_ACTIVATE
  FxSig_b_b,            // BOOL (BOOL)                   ON_WM_NCACTIVATE
  FxSig_v_b_ncs,        // void (BOOL, NCCALCSIZE_PARAMS*) ON_WM_NCCALCSIZE
  FxSig_v_up,           // void (UINT_PTR)               ON_WM_TIMER
  FxSig_v_M_u_b,        // void (CMenu*, UINT, BOOL)     ON_WM_INITMENUPOPUP
  FxSig_v_u_u_hm,       // void (UINT, UINT, HMENU)      ON_WM_MENUSELECT
  FxSig_l_u_u_M,        // LRESULT (UINT, UINT, CMenu*)  ON_WM_MENUCHAR
  FxSig_v_u_l,          // void (UINT, LPARAM)           ON_WM_SYSCOMMAND
  FxSig_v_mmi,          // void (MINMAXINFO*)            ON_WM_GETMINMAXINFO
  FxSig_v_b_u,          // void (BOOL, UINT)             ON_WM_SHOWWINDOW
  FxSig_v_wp,           // void (WINDOWPOS*)             ON_WM_WINDOWPOSCHANGED/CHANGING
  FxSig_v_u_s,          // void (UINT, LPCTSTR)          ON_WM_SETTINGCHANGE
  FxSig_b_v_msg,        // BOOL ()                       ON_WM_QUERYENDSESSION
  FxSig_v_b,            // void (BOOL)                   ON_WM_ENDSESSION
  FxSig_v_hdrop,        // void (HDROP)                  ON_WM_DROPFILES
  FxSig_u_v,            // UINT ()                       ON_WM_GETDLGCODE
  FxSig_i_W_u_u,        // int (CWnd*, UINT, UINT)       ON_WM_MOUSEACTIVATE
  FxSig_b_W_cds,        // BOOL (CWnd*, COPYDATASTRUCT*) ON_WM_COPYDATA
  FxSig_v_b_dw,         // void (BOOL, DWORD)            ON_WM_ACTIVATEAPP
};

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;  // window message (WM_COMMAND / WM_NOTIFY for commands and notifications)
  UINT nCode;     // notification code, CN_COMMAND or CN_UPDATE_COMMAND_UI
  UINT nID;       // first control or command id
  UINT nLastID;   // last id of a range (== nID otherwise)
  UINT_PTR nSig;  // FxSig
  AFX_PMSG pfn;
  const UINT* pnRegistered = nullptr;  // ON_REGISTERED_MESSAGE: where the message number lives
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();
  const AFX_MSGMAP_ENTRY* lpEntries;
};

// What OnCmdMsg reports instead of calling, when asked (CCmdUI uses it to find out whether
// a command has a handler at all).
struct AFX_CMDHANDLERINFO {
  CCmdTarget* pTarget = nullptr;
  AFX_PMSG pmf = nullptr;
};

// pExtra of a WM_NOTIFY routed through OnCmdMsg.
struct AFX_NOTIFY {
  LRESULT* pResult;
  NMHDR* pNMHDR;
};

// OnCmdMsg codes. Control notifications pass their code; WM_NOTIFY passes MAKELONG(code, WM_NOTIFY).
#define CN_COMMAND 0
#define CN_UPDATE_COMMAND_UI ((UINT)(-1))
// Sent to frames and descendants at idle time so tool and status bars update their CCmdUI state.
#define WM_IDLEUPDATECMDUI 0x0363
// Reflected messages come back to the child as WM_REFLECT_BASE + the original message.
#define WM_REFLECT_BASE 0xBC00
#ifndef WM_CTLCOLOR
#define WM_CTLCOLOR 0x0019
#endif

#define DECLARE_MESSAGE_MAP()                       \
 protected:                                         \
  static const AFX_MSGMAP* GetThisMessageMap(); \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                              \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }         \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {                                         \
    typedef theClass ThisClass;                                                             \
    typedef baseClass TheBaseClass;                                                         \
    (void)sizeof(ThisClass*);                                                               \
    static const AFX_MSGMAP_ENTRY _messageEntries[] = {
#define END_MESSAGE_MAP()                                                       \
  {0, 0, 0, 0, FxSig_end, nullptr}                                              \
  };                                                                            \
  static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
  return &messageMap;                                                           \
  }

// Casts a handler of ThisClass to the stored type, after checking it has signature T.
#define FX_HANDLER(T, fn) reinterpret_cast<AFX_PMSG>(static_cast<T>(&ThisClass::fn))

// Commands and notifications
#define ON_COMMAND(id, fn) {WM_COMMAND, CN_COMMAND, (UINT)(id), (UINT)(id), FxSig_v_v, FX_HANDLER(void (CCmdTarget::*)(), fn)},
#define ON_COMMAND_EX(id, fn) {WM_COMMAND, CN_COMMAND, (UINT)(id), (UINT)(id), FxSig_b_u, FX_HANDLER(BOOL (CCmdTarget::*)(UINT), fn)},
#define ON_COMMAND_RANGE(id, idLast, fn) {WM_COMMAND, CN_COMMAND, (UINT)(id), (UINT)(idLast), FxSig_v_u, FX_HANDLER(void (CCmdTarget::*)(UINT), fn)},
#define ON_COMMAND_EX_RANGE(id, idLast, fn) {WM_COMMAND, CN_COMMAND, (UINT)(id), (UINT)(idLast), FxSig_b_u, FX_HANDLER(BOOL (CCmdTarget::*)(UINT), fn)},
#define ON_UPDATE_COMMAND_UI(id, fn) {WM_COMMAND, CN_UPDATE_COMMAND_UI, (UINT)(id), (UINT)(id), FxSig_cmdui, FX_HANDLER(void (CCmdTarget::*)(CCmdUI*), fn)},
#define ON_UPDATE_COMMAND_UI_RANGE(id, idLast, fn) {WM_COMMAND, CN_UPDATE_COMMAND_UI, (UINT)(id), (UINT)(idLast), FxSig_cmdui, FX_HANDLER(void (CCmdTarget::*)(CCmdUI*), fn)},
#define ON_CONTROL(code, id, fn) {WM_COMMAND, (UINT)(WORD)(code), (UINT)(id), (UINT)(id), FxSig_v_v, FX_HANDLER(void (CCmdTarget::*)(), fn)},
#define ON_CONTROL_RANGE(code, id, idLast, fn) {WM_COMMAND, (UINT)(WORD)(code), (UINT)(id), (UINT)(idLast), FxSig_v_u, FX_HANDLER(void (CCmdTarget::*)(UINT), fn)},
#define ON_NOTIFY(code, id, fn) {WM_NOTIFY, (UINT)(WORD)(int)(code), (UINT)(id), (UINT)(id), FxSig_notify, FX_HANDLER(void (CCmdTarget::*)(NMHDR*, LRESULT*), fn)},
#define ON_NOTIFY_RANGE(code, id, idLast, fn) {WM_NOTIFY, (UINT)(WORD)(int)(code), (UINT)(id), (UINT)(idLast), FxSig_notify_range, FX_HANDLER(void (CCmdTarget::*)(UINT, NMHDR*, LRESULT*), fn)},
#define ON_NOTIFY_EX(code, id, fn) {WM_NOTIFY, (UINT)(WORD)(int)(code), (UINT)(id), (UINT)(id), FxSig_notify_range_b, FX_HANDLER(BOOL (CCmdTarget::*)(UINT, NMHDR*, LRESULT*), fn)},
#define ON_NOTIFY_EX_RANGE(code, id, idLast, fn) {WM_NOTIFY, (UINT)(WORD)(int)(code), (UINT)(id), (UINT)(idLast), FxSig_notify_range_b, FX_HANDLER(BOOL (CCmdTarget::*)(UINT, NMHDR*, LRESULT*), fn)},

// Notifications a parent reflects back to the control that sent them
#define ON_CONTROL_REFLECT(code, fn) {WM_COMMAND + WM_REFLECT_BASE, (UINT)(WORD)(code), 0, 0, FxSig_v_v, FX_HANDLER(void (CCmdTarget::*)(), fn)},
#define ON_CONTROL_REFLECT_EX(code, fn) {WM_COMMAND + WM_REFLECT_BASE, (UINT)(WORD)(code), 0, 0, FxSig_b_v, FX_HANDLER(BOOL (CCmdTarget::*)(), fn)},
#define ON_NOTIFY_REFLECT(code, fn) {WM_NOTIFY + WM_REFLECT_BASE, (UINT)(WORD)(int)(code), 0, 0, FxSig_notify, FX_HANDLER(void (CCmdTarget::*)(NMHDR*, LRESULT*), fn)},
#define ON_NOTIFY_REFLECT_EX(code, fn) {WM_NOTIFY + WM_REFLECT_BASE, (UINT)(WORD)(int)(code), 0, 0, FxSig_notify_b, FX_HANDLER(BOOL (CCmdTarget::*)(NMHDR*, LRESULT*), fn)},
#define ON_WM_CTLCOLOR_REFLECT() {WM_CTLCOLOR + WM_REFLECT_BASE, 0, 0, 0, FxSig_h_D_u, FX_HANDLER(HBRUSH (CWnd::*)(CDC*, UINT), CtlColor)},
#define ON_WM_HSCROLL_REFLECT() {WM_HSCROLL + WM_REFLECT_BASE, 0, 0, 0, FxSig_v_u_u, FX_HANDLER(void (CWnd::*)(UINT, UINT), HScroll)},
#define ON_WM_VSCROLL_REFLECT() {WM_VSCROLL + WM_REFLECT_BASE, 0, 0, 0, FxSig_v_u_u, FX_HANDLER(void (CWnd::*)(UINT, UINT), VScroll)},

// Any message
#define ON_MESSAGE(msg, fn) {(UINT)(msg), 0, 0, 0, FxSig_l_w_l, FX_HANDLER(LRESULT (CWnd::*)(WPARAM, LPARAM), fn)},
#define ON_MESSAGE_VOID(msg, fn) {(UINT)(msg), 0, 0, 0, FxSig_msg_v, FX_HANDLER(void (CWnd::*)(), fn)},
#define ON_REGISTERED_MESSAGE(var, fn) {0xC000, 0, 0, 0, FxSig_l_w_l, FX_HANDLER(LRESULT (CWnd::*)(WPARAM, LPARAM), fn), &(var)},
#define ON_THREAD_MESSAGE(msg, fn) {(UINT)(msg), 0, 0, 0, FxSig_v_w_l, FX_HANDLER(void (CCmdTarget::*)(WPARAM, LPARAM), fn)},
#define ON_REGISTERED_THREAD_MESSAGE(var, fn) {0xC000, 0, 0, 0, FxSig_v_w_l, FX_HANDLER(void (CCmdTarget::*)(WPARAM, LPARAM), fn), &(var)},

// Control notification shorthands
#define ON_BN_CLICKED(id, fn) ON_CONTROL(BN_CLICKED, id, fn)
#define ON_BN_DOUBLECLICKED(id, fn) ON_CONTROL(BN_DOUBLECLICKED, id, fn)
#define ON_BN_SETFOCUS(id, fn) ON_CONTROL(BN_SETFOCUS, id, fn)
#define ON_BN_KILLFOCUS(id, fn) ON_CONTROL(BN_KILLFOCUS, id, fn)
#define ON_EN_CHANGE(id, fn) ON_CONTROL(EN_CHANGE, id, fn)
#define ON_EN_UPDATE(id, fn) ON_CONTROL(EN_UPDATE, id, fn)
#define ON_EN_SETFOCUS(id, fn) ON_CONTROL(EN_SETFOCUS, id, fn)
#define ON_EN_KILLFOCUS(id, fn) ON_CONTROL(EN_KILLFOCUS, id, fn)
#define ON_EN_MAXTEXT(id, fn) ON_CONTROL(EN_MAXTEXT, id, fn)
#define ON_CBN_SELCHANGE(id, fn) ON_CONTROL(CBN_SELCHANGE, id, fn)
#define ON_CBN_SELENDOK(id, fn) ON_CONTROL(CBN_SELENDOK, id, fn)
#define ON_CBN_SELENDCANCEL(id, fn) ON_CONTROL(CBN_SELENDCANCEL, id, fn)
#define ON_CBN_EDITCHANGE(id, fn) ON_CONTROL(CBN_EDITCHANGE, id, fn)
#define ON_CBN_EDITUPDATE(id, fn) ON_CONTROL(CBN_EDITUPDATE, id, fn)
#define ON_CBN_DROPDOWN(id, fn) ON_CONTROL(CBN_DROPDOWN, id, fn)
#define ON_CBN_CLOSEUP(id, fn) ON_CONTROL(CBN_CLOSEUP, id, fn)
#define ON_CBN_SETFOCUS(id, fn) ON_CONTROL(CBN_SETFOCUS, id, fn)
#define ON_CBN_KILLFOCUS(id, fn) ON_CONTROL(CBN_KILLFOCUS, id, fn)
#define ON_LBN_SELCHANGE(id, fn) ON_CONTROL(LBN_SELCHANGE, id, fn)
#define ON_LBN_SELCANCEL(id, fn) ON_CONTROL(LBN_SELCANCEL, id, fn)
#define ON_LBN_DBLCLK(id, fn) ON_CONTROL(LBN_DBLCLK, id, fn)
#define ON_STN_CLICKED(id, fn) ON_CONTROL(STN_CLICKED, id, fn)

// Window messages, each with its cracked handler
#define FX_ON_WM(msg, sig, T, fn) {(UINT)(msg), 0, 0, 0, sig, FX_HANDLER(T, fn)},
#define ON_WM_CREATE() FX_ON_WM(WM_CREATE, FxSig_i_cs, int (CWnd::*)(LPCREATESTRUCT), OnCreate)
#define ON_WM_NCCREATE() FX_ON_WM(WM_NCCREATE, FxSig_b_cs, BOOL (CWnd::*)(LPCREATESTRUCT), OnNcCreate)
#define ON_WM_DESTROY() FX_ON_WM(WM_DESTROY, FxSig_msg_v, void (CWnd::*)(), OnDestroy)
#define ON_WM_NCDESTROY() FX_ON_WM(WM_NCDESTROY, FxSig_msg_v, void (CWnd::*)(), OnNcDestroy)
#define ON_WM_CLOSE() FX_ON_WM(WM_CLOSE, FxSig_msg_v, void (CWnd::*)(), OnClose)
#define ON_WM_PAINT() FX_ON_WM(WM_PAINT, FxSig_msg_v, void (CWnd::*)(), OnPaint)
#define ON_WM_NCPAINT() FX_ON_WM(WM_NCPAINT, FxSig_msg_v, void (CWnd::*)(), OnNcPaint)
#define ON_WM_CANCELMODE() FX_ON_WM(WM_CANCELMODE, FxSig_msg_v, void (CWnd::*)(), OnCancelMode)
#define ON_WM_CHILDACTIVATE() FX_ON_WM(WM_CHILDACTIVATE, FxSig_msg_v, void (CWnd::*)(), OnChildActivate)
#define ON_WM_MOUSELEAVE() FX_ON_WM(WM_MOUSELEAVE, FxSig_msg_v, void (CWnd::*)(), OnMouseLeave)
#define ON_WM_SYSCOLORCHANGE() FX_ON_WM(WM_SYSCOLORCHANGE, FxSig_msg_v, void (CWnd::*)(), OnSysColorChange)
#define ON_WM_SIZE() FX_ON_WM(WM_SIZE, FxSig_v_u_ii, void (CWnd::*)(UINT, int, int), OnSize)
#define ON_WM_MOVE() FX_ON_WM(WM_MOVE, FxSig_v_ii, void (CWnd::*)(int, int), OnMove)
#define ON_WM_ERASEBKGND() FX_ON_WM(WM_ERASEBKGND, FxSig_b_D, BOOL (CWnd::*)(CDC*), OnEraseBkgnd)
#define ON_WM_CTLCOLOR() FX_ON_WM(WM_CTLCOLOR, FxSig_h_D_W_u, HBRUSH (CWnd::*)(CDC*, CWnd*, UINT), OnCtlColor)
#define ON_WM_DRAWITEM() FX_ON_WM(WM_DRAWITEM, FxSig_v_i_dis, void (CWnd::*)(int, LPDRAWITEMSTRUCT), OnDrawItem)
#define ON_WM_MEASUREITEM() FX_ON_WM(WM_MEASUREITEM, FxSig_v_i_mis, void (CWnd::*)(int, LPMEASUREITEMSTRUCT), OnMeasureItem)
#define ON_WM_DELETEITEM() FX_ON_WM(WM_DELETEITEM, FxSig_v_i_del, void (CWnd::*)(int, LPDELETEITEMSTRUCT), OnDeleteItem)
#define ON_WM_KEYDOWN() FX_ON_WM(WM_KEYDOWN, FxSig_v_u_u_u, void (CWnd::*)(UINT, UINT, UINT), OnKeyDown)
#define ON_WM_KEYUP() FX_ON_WM(WM_KEYUP, FxSig_v_u_u_u, void (CWnd::*)(UINT, UINT, UINT), OnKeyUp)
#define ON_WM_CHAR() FX_ON_WM(WM_CHAR, FxSig_v_u_u_u, void (CWnd::*)(UINT, UINT, UINT), OnChar)
#define ON_WM_SYSKEYDOWN() FX_ON_WM(WM_SYSKEYDOWN, FxSig_v_u_u_u, void (CWnd::*)(UINT, UINT, UINT), OnSysKeyDown)
#define ON_WM_HOTKEY() FX_ON_WM(WM_HOTKEY, FxSig_v_u_u_u, void (CWnd::*)(UINT, UINT, UINT), OnHotKey)
#define ON_WM_MOUSEMOVE() FX_ON_WM(WM_MOUSEMOVE, FxSig_v_u_p, void (CWnd::*)(UINT, CPoint), OnMouseMove)
#define ON_WM_LBUTTONDOWN() FX_ON_WM(WM_LBUTTONDOWN, FxSig_v_u_p, void (CWnd::*)(UINT, CPoint), OnLButtonDown)
#define ON_WM_LBUTTONUP() FX_ON_WM(WM_LBUTTONUP, FxSig_v_u_p, void (CWnd::*)(UINT, CPoint), OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() FX_ON_WM(WM_LBUTTONDBLCLK, FxSig_v_u_p, void (CWnd::*)(UINT, CPoint), OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() FX_ON_WM(WM_RBUTTONDOWN, FxSig_v_u_p, void (CWnd::*)(UINT, CPoint), OnRButtonDown)
#define ON_WM_RBUTTONUP() FX_ON_WM(WM_RBUTTONUP, FxSig_v_u_p, void (CWnd::*)(UINT, CPoint), OnRButtonUp)
#define ON_WM_MBUTTONDOWN() FX_ON_WM(WM_MBUTTONDOWN, FxSig_v_u_p, void (CWnd::*)(UINT, CPoint), OnMButtonDown)
#define ON_WM_NCLBUTTONDOWN() FX_ON_WM(WM_NCLBUTTONDOWN, FxSig_v_u_p, void (CWnd::*)(UINT, CPoint), OnNcLButtonDown)
#define ON_WM_NCRBUTTONDOWN() FX_ON_WM(WM_NCRBUTTONDOWN, FxSig_v_u_p, void (CWnd::*)(UINT, CPoint), OnNcRButtonDown)
#define ON_WM_NCMBUTTONDOWN() FX_ON_WM(WM_NCMBUTTONDOWN, FxSig_v_u_p, void (CWnd::*)(UINT, CPoint), OnNcMButtonDown)
#define ON_WM_NCMOUSEMOVE() FX_ON_WM(WM_NCMOUSEMOVE, FxSig_v_u_p, void (CWnd::*)(UINT, CPoint), OnNcMouseMove)
#define ON_WM_CONTEXTMENU() FX_ON_WM(WM_CONTEXTMENU, FxSig_v_W_p, void (CWnd::*)(CWnd*, CPoint), OnContextMenu)
#define ON_WM_MOUSEWHEEL() FX_ON_WM(WM_MOUSEWHEEL, FxSig_b_u_s_p, BOOL (CWnd::*)(UINT, short, CPoint), OnMouseWheel)
#define ON_WM_NCHITTEST() FX_ON_WM(WM_NCHITTEST, FxSig_l_p, LRESULT (CWnd::*)(CPoint), OnNcHitTest)
#define ON_WM_SETCURSOR() FX_ON_WM(WM_SETCURSOR, FxSig_b_W_u_u, BOOL (CWnd::*)(CWnd*, UINT, UINT), OnSetCursor)
#define ON_WM_SETFOCUS() FX_ON_WM(WM_SETFOCUS, FxSig_v_W, void (CWnd::*)(CWnd*), OnSetFocus)
#define ON_WM_KILLFOCUS() FX_ON_WM(WM_KILLFOCUS, FxSig_v_W, void (CWnd::*)(CWnd*), OnKillFocus)
#define ON_WM_CAPTURECHANGED() FX_ON_WM(WM_CAPTURECHANGED, FxSig_v_W, void (CWnd::*)(CWnd*), OnCaptureChanged)
#define ON_WM_HSCROLL() FX_ON_WM(WM_HSCROLL, FxSig_v_u_u_Sb, void (CWnd::*)(UINT, UINT, CScrollBar*), OnHScroll)
#define ON_WM_VSCROLL() FX_ON_WM(WM_VSCROLL, FxSig_v_u_u_Sb, void (CWnd::*)(UINT, UINT, CScrollBar*), OnVScroll)
#define ON_WM_ACTIVATE() FX_ON_WM(WM_ACTIVATE, FxSig_v_u_W_b, void (CWnd::*)(UINT, CWnd*, BOOL), OnActivate)
#define ON_WM_NCACTIVATE() FX_ON_WM(WM_NCACTIVATE, FxSig_b_b, BOOL (CWnd::*)(BOOL), OnNcActivate)
#define ON_WM_NCCALCSIZE() FX_ON_WM(WM_NCCALCSIZE, FxSig_v_b_ncs, void (CWnd::*)(BOOL, NCCALCSIZE_PARAMS*), OnNcCalcSize)
#define ON_WM_TIMER() FX_ON_WM(WM_TIMER, FxSig_v_up, void (CWnd::*)(UINT_PTR), OnTimer)
#define ON_WM_INITMENUPOPUP() FX_ON_WM(WM_INITMENUPOPUP, FxSig_v_M_u_b, void (CWnd::*)(CMenu*, UINT, BOOL), OnInitMenuPopup)
#define ON_WM_MENUSELECT() FX_ON_WM(WM_MENUSELECT, FxSig_v_u_u_hm, void (CWnd::*)(UINT, UINT, HMENU), OnMenuSelect)
#define ON_WM_MENUCHAR() FX_ON_WM(WM_MENUCHAR, FxSig_l_u_u_M, LRESULT (CWnd::*)(UINT, UINT, CMenu*), OnMenuChar)
#define ON_WM_SYSCOMMAND() FX_ON_WM(WM_SYSCOMMAND, FxSig_v_u_l, void (CWnd::*)(UINT, LPARAM), OnSysCommand)
#define ON_WM_GETMINMAXINFO() FX_ON_WM(WM_GETMINMAXINFO, FxSig_v_mmi, void (CWnd::*)(MINMAXINFO*), OnGetMinMaxInfo)
#define ON_WM_SHOWWINDOW() FX_ON_WM(WM_SHOWWINDOW, FxSig_v_b_u, void (CWnd::*)(BOOL, UINT), OnShowWindow)
#define ON_WM_WINDOWPOSCHANGED() FX_ON_WM(WM_WINDOWPOSCHANGED, FxSig_v_wp, void (CWnd::*)(WINDOWPOS*), OnWindowPosChanged)
#define ON_WM_WINDOWPOSCHANGING() FX_ON_WM(WM_WINDOWPOSCHANGING, FxSig_v_wp, void (CWnd::*)(WINDOWPOS*), OnWindowPosChanging)
#define ON_WM_SETTINGCHANGE() FX_ON_WM(WM_SETTINGCHANGE, FxSig_v_u_s, void (CWnd::*)(UINT, LPCTSTR), OnSettingChange)
#define ON_WM_QUERYENDSESSION() FX_ON_WM(WM_QUERYENDSESSION, FxSig_b_v_msg, BOOL (CWnd::*)(), OnQueryEndSession)
#define ON_WM_ENDSESSION() FX_ON_WM(WM_ENDSESSION, FxSig_v_b, void (CWnd::*)(BOOL), OnEndSession)
#define ON_WM_DROPFILES() FX_ON_WM(WM_DROPFILES, FxSig_v_hdrop, void (CWnd::*)(HDROP), OnDropFiles)
#define ON_WM_GETDLGCODE() FX_ON_WM(WM_GETDLGCODE, FxSig_u_v, UINT (CWnd::*)(), OnGetDlgCode)
#define ON_WM_RBUTTONDBLCLK() FX_ON_WM(WM_RBUTTONDBLCLK, FxSig_v_u_p, void (CWnd::*)(UINT, CPoint), OnRButtonDblClk)
#define ON_WM_MBUTTONUP() FX_ON_WM(WM_MBUTTONUP, FxSig_v_u_p, void (CWnd::*)(UINT, CPoint), OnMButtonUp)
#define ON_WM_NCLBUTTONUP() FX_ON_WM(WM_NCLBUTTONUP, FxSig_v_u_p, void (CWnd::*)(UINT, CPoint), OnNcLButtonUp)
#define ON_WM_NCLBUTTONDBLCLK() FX_ON_WM(WM_NCLBUTTONDBLCLK, FxSig_v_u_p, void (CWnd::*)(UINT, CPoint), OnNcLButtonDblClk)
#define ON_WM_NCRBUTTONUP() FX_ON_WM(WM_NCRBUTTONUP, FxSig_v_u_p, void (CWnd::*)(UINT, CPoint), OnNcRButtonUp)
#define ON_WM_SYSKEYUP() FX_ON_WM(WM_SYSKEYUP, FxSig_v_u_u_u, void (CWnd::*)(UINT, UINT, UINT), OnSysKeyUp)
#define ON_WM_SYSCHAR() FX_ON_WM(WM_SYSCHAR, FxSig_v_u_u_u, void (CWnd::*)(UINT, UINT, UINT), OnSysChar)
#define ON_WM_ENABLE() FX_ON_WM(WM_ENABLE, FxSig_v_b, void (CWnd::*)(BOOL), OnEnable)
#define ON_WM_COPYDATA() FX_ON_WM(WM_COPYDATA, FxSig_b_W_cds, BOOL (CWnd::*)(CWnd*, COPYDATASTRUCT*), OnCopyData)
#define ON_WM_ACTIVATEAPP() FX_ON_WM(WM_ACTIVATEAPP, FxSig_v_b_dw, void (CWnd::*)(BOOL, DWORD), OnActivateApp)
#define ON_WM_MOUSEACTIVATE() FX_ON_WM(WM_MOUSEACTIVATE, FxSig_i_W_u_u, int (CWnd::*)(CWnd*, UINT, UINT), OnMouseActivate)

// Command routing target: everything that takes part in command routing (windows, documents,
// the application and threads) derives from it.
class CCmdTarget : public CObject {
  DECLARE_DYNAMIC(CCmdTarget)
 public:
  CCmdTarget() {}

  // Looks nID/nCode up in this object's message maps and calls the handler (or, with
  // pHandlerInfo, only reports it). TRUE when handled. Windows, frames and views override it
  // to route on to other targets.
  virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo);

  // The first entry in the map chain for msg/code/id, or nullptr. Registered messages match
  // by the number their variable holds.
  static const AFX_MSGMAP_ENTRY* FindMessageEntry(const AFX_MSGMAP* map, UINT nMsg, UINT nCode, UINT nID);

  // Thread messages (ON_THREAD_MESSAGE): calls the handler for pMsg->message; TRUE if found.
  BOOL DispatchThreadMessage(const MSG* pMsg);

  // Hourglass while a long operation runs (nestable).
  void BeginWaitCursor();
  void EndWaitCursor();
  void RestoreWaitCursor();

 protected:
  static const AFX_MSGMAP* GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;
  friend class CWnd;
};

// Calls the command/notification handler of an entry found by FindMessageEntry.
BOOL AfxDispatchCmdMsg(CCmdTarget* target, UINT nID, int nCode, AFX_PMSG pfn, void* pExtra, UINT_PTR nSig);

// The state of a user-interface command (menu item, tool-bar button, status pane, dialog
// control) while its ON_UPDATE_COMMAND_UI handler decides it. The base works on menu items
// (m_hMenu/m_nIndex) or on a control window (m_pOther); bars derive their own.
class CCmdUI {
 public:
  UINT m_nID = 0;
  UINT m_nIndex = 0;         // position in the menu or bar
  UINT m_nIndexMax = 0;
  HMENU m_hMenu = nullptr;   // menu being updated, or null
  CMenu* m_pMenu = nullptr;  // the same menu as the menu layer wraps it (may stay null)
  CMenu* m_pSubMenu = nullptr;
  CMenu* m_pParentMenu = nullptr;
  CWnd* m_pOther = nullptr;  // control being updated, or null
  BOOL m_bEnableChanged = FALSE;
  BOOL m_bContinueRouting = FALSE;

  CCmdUI() {}
  virtual ~CCmdUI() {}
  virtual void Enable(BOOL bOn = TRUE);
  virtual void SetCheck(int nCheck = 1);  // 0 clear, 1 checked, 2 indeterminate
  virtual void SetRadio(BOOL bOn = TRUE);
  virtual void SetText(LPCTSTR lpszText);
  // The handler declines: routing goes on to the next target.
  void ContinueRouting() { m_bContinueRouting = TRUE; }

  // Asks pTarget's routing for the state; when nobody has an update handler and nobody handles
  // the command, the item is disabled if bDisableIfNoHandler. TRUE if an update handler ran.
  BOOL DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHandler);

  // Runs DoUpdate for every command item of a popup menu (WM_INITMENUPOPUP).
  static void UpdateMenu(CCmdTarget* pTarget, HMENU hMenu, BOOL bDisableIfNoHandler);
};

// Per-thread record of the message being handled (for Default() and hooks that pass the
// current message on).
struct _AFX_THREAD_STATE {
  MSG m_lastSentMsg = {};
  int m_nWaitCursorCount = 0;
  HCURSOR m_hcurWaitCursorRestore = nullptr;
};
_AFX_THREAD_STATE* AfxGetThreadState();
