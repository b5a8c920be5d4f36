// Docking: dialogs that act as panes (LWDialog), the container that holds two of them with a
// splitter between (LWDialogPane, nesting when full), the four side slots a frame mixes in
// (LWDockImpl) and the painted dock bar that replaces the frame's plain one (LWDockBar).
#pragma once
#include "Framework.h"
#include "LWExport.h"
#include "LWResource.h"

class LWSplitterWnd;

// The side a window is docked on; LWDockNone means none.
enum LWDockTypes {
    LWDockNone = 0,
    LWDockLeft = 1,
    LWDockTop = 2,
    LWDockRight = 3,
    LWDockBottom = 4,
};

// What a drag target answers: whether it is docked, and the hit code a point over it docks as
// (HTCAPTION: as a tab; HTLEFT, HTTOP, HTRIGHT, HTBOTTOM: beside it; 0: not at all), drawing
// the dock feedback in XOR when asked.
class LWAPI LWDockWindow {
public:
    virtual int IsDocked() = 0;
    virtual UINT CanDockWindow(POINT screenPoint, int draw) = 0;

protected:
    ~LWDockWindow() = default;
};

class LWAPI LWDialog : public CDialog, public LWDockWindow {
    DECLARE_DYNAMIC(LWDialog)
public:
    LWDialog();
    LWDialog(const wchar_t* templateName, CWnd* parent);
    LWDialog(UINT templateId, CWnd* parent);
    ~LWDialog() override;

    // Puts `other` beside this dialog, in the container that holds this one (made on demand).
    virtual int DockWindow(CWnd* other, LWDockTypes side);
    virtual int SetDockPane(CWnd* pane);
    virtual CWnd* GetDockWindow();
    // Moves (flags 1 and 2) or stretches (flags 4 and 8) child `childId` by dx and dy.
    virtual void UpdateWindowPos(UINT childId, int dx, int dy, int flags);

    BOOL OnInitDialog() override;
    int IsDocked() override;
    UINT CanDockWindow(POINT screenPoint, int draw) override;

    void EnableDocking(int enable) { m_bEnableDocking = enable; }
    // The dialog a drag of this one would dock on over window `under`: the first dialog up its
    // chain of child windows, none when the chain passes through this dialog.
    LWDialog* TargetFromWindow(HWND under);

    int m_bEnableDocking;
    CWnd* m_pDockPane;      // the container or frame this dialog is docked in
    int m_bCaption;         // a docked dialog has the 15-pixel caption strip
    CRect m_rcDrag;         // screen coordinates
    int m_xGrab, m_yGrab;   // mouse relative to the window's top-left at the drag's start

    static POINT s_ptLastDrag;  // one drag at a time: the mouse is captured

    enum { kCaptionHeight = 15, kDockBand = 20 };

protected:
    void initVars();
    bool IsDragging() const;
    // The dialog the point would dock on (never this one or one inside it), or null.
    LWDialog* FindTarget(POINT screenPoint);

    // Draws (and, drawn again, erases) the feedback for a drag at the point.
    void DrawFeedback(POINT screenPoint);
    static void DrawXorFrame(const CRect& rect);
    void EndDrag();

    afx_msg void OnNcCalcSize(BOOL calcValid, NCCALCSIZE_PARAMS* params);
    afx_msg LRESULT OnNcHitTest(CPoint point);
    afx_msg void OnNcPaint();
    afx_msg BOOL OnNcActivate(BOOL active);
    afx_msg BOOL OnEraseBkgnd(CDC* dc);
    afx_msg void OnNcLButtonDown(UINT hitTest, CPoint point);
    afx_msg void OnMouseMove(UINT flags, CPoint point);
    afx_msg void OnRButtonDown(UINT flags, CPoint point);
    afx_msg void OnLButtonUp(UINT flags, CPoint point);
    afx_msg void OnCaptureChanged(CWnd* wnd);
    DECLARE_MESSAGE_MAP()

    bool m_bDragging = false;
};

// Holds one or two dialogs with a splitter between them; a full container nests into a new one.
class LWAPI LWDialogPane : public LWDialog {
    DECLARE_DYNAMIC(LWDialogPane)
public:
    // A modeless container from the library's template, owned by `parent`; it deletes itself
    // when its window goes. Null when it could not be made.
    static LWDialogPane* CreateDialogPane(CWnd* parent);

    using LWDialog::DockWindow;
    virtual int DockWindow(CWnd* wnd, LWDockTypes side, int reserved);
    virtual int UndockWindow(CWnd* wnd);
    virtual int ReplaceWindow(CWnd* old, LWDialog* replacement);

    BOOL OnInitDialog() override;

    LWSplitterWnd* m_pSplitter;

    enum { kHitSplitterWE = 51, kHitSplitterNS = 52 };

protected:
    LWDialogPane();
    void DoDataExchange(CDataExchange*) override {}
    void PostNcDestroy() override;

    afx_msg void OnSize(UINT type, int cx, int cy);
    afx_msg BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
    afx_msg void OnNcLButtonDown(UINT hitTest, CPoint point);
    afx_msg void OnLButtonUp(UINT flags, CPoint point);
    DECLARE_MESSAGE_MAP()
};

// Gives window `wnd` the style `style` and the parent `parent` (null: top-level) and has its
// frame computed again: how docking and undocking move a window.
inline void LWRestyleWindow(HWND wnd, DWORD style, HWND parent)
{
    ::SetWindowLongW(wnd, GWL_STYLE, (LONG)style);
    ::SetParent(wnd, parent);
    ::SetWindowPos(wnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

// One side slot of a docking frame (all zero: free).
struct LWDockSlot {
    CWnd* pWnd;             // null: free
    LWDockTypes side;
    int splitterFlag;
    long splitterThickness;
    DWORD savedStyle;
    HWND savedParent;       // null: the window was top-level
};

// Up to four windows docked on the sides of frame T, one per side. T derives from this.
template <class T>
class LWDockImpl {
public:
    LWDockImpl()
    {
        for (LWDockSlot& slot : m_slots)
            slot = LWDockSlot{};
        ::SetRectEmpty(&m_rcSides);
    }
    LWDockImpl(const LWDockImpl&) = default;
    LWDockImpl& operator=(const LWDockImpl&) = default;

    // 1 on success; 0 for a null window, a bad side, a side held by another window, a window
    // already docked on another side, a dialog docked elsewhere, or no free slot.
    virtual int DockWindow(CWnd* wnd, LWDockTypes side, int size, int splitterFlag, int splitterThickness)
    {
        CWnd* frame = static_cast<T*>(this);
        if (!wnd || !::IsWindow(wnd->GetSafeHwnd()) || wnd == frame || !::IsWindow(frame->GetSafeHwnd()) ||
            side < LWDockLeft || side > LWDockBottom) {
            TRACE(L"LWDockImpl::DockWindow: refused (window %p, side %d)\n", wnd, (int)side);
            return 0;
        }
        LWDockSlot* free = nullptr;
        for (LWDockSlot& slot : m_slots) {
            if (!slot.pWnd) {
                if (!free)
                    free = &slot;
                continue;
            }
            if (slot.side == side) {
                if (slot.pWnd != wnd)
                    return 0;  // one window per side
                SideSize(side) = size;
                return 1;
            }
            if (slot.pWnd == wnd) {
                TRACE(L"LWDockImpl::DockWindow: the window is docked on side %d already\n", (int)slot.side);
                return 0;
            }
        }
        if (!free)
            return 0;
        LWDialog* dialog = wnd->IsKindOf(RUNTIME_CLASS(LWDialog)) ? static_cast<LWDialog*>(wnd) : nullptr;
        if (dialog && dialog->m_pDockPane && dialog->m_pDockPane != frame) {
            TRACE(L"LWDockImpl::DockWindow: the dialog is docked in a container\n");
            return 0;
        }
        if (dialog)
            dialog->SetDockPane(frame);
        HWND h = wnd->GetSafeHwnd();
        DWORD style = (DWORD)::GetWindowLongW(h, GWL_STYLE);
        free->savedStyle = style;
        free->savedParent = (style & WS_CHILD) ? ::GetAncestor(h, GA_PARENT) : nullptr;
        LWRestyleWindow(h, (style & (WS_CLIPSIBLINGS | WS_CLIPCHILDREN)) | WS_CHILD | WS_VISIBLE, frame->GetSafeHwnd());
        SideSize(side) = size;
        free->pWnd = wnd;
        free->side = side;
        free->splitterFlag = 0;
        free->splitterThickness = 0;
        if (splitterFlag != -1 && splitterThickness != -1)
            SetSplitterInfo(wnd, splitterFlag, splitterThickness);
        return 1;
    }

    // Gives the window back its style and parent; an undocked dialog no longer counts as docked.
    virtual int UndockWindow(CWnd* wnd)
    {
        LWDockSlot* slot = Find(wnd);
        if (!slot)
            return 0;
        HWND h = wnd->GetSafeHwnd();
        if (::IsWindow(h)) {
            // Hidden through the window manager first: a style bit alone would not hide it.
            if (!(slot->savedStyle & WS_VISIBLE))
                ::ShowWindow(h, SW_HIDE);
            LWRestyleWindow(h, slot->savedStyle, slot->savedParent);
        }
        if (wnd->IsKindOf(RUNTIME_CLASS(LWDialog))) {
            LWDialog* dialog = static_cast<LWDialog*>(wnd);
            if (dialog->m_pDockPane == static_cast<T*>(this))
                dialog->SetDockPane(nullptr);
        }
        SideSize(slot->side) = 0;
        *slot = LWDockSlot{};
        return 1;
    }

    virtual int IsDockedWindow(CWnd* wnd) { return Find(wnd) ? 1 : 0; }

    virtual int SetSplitterInfo(CWnd* wnd, int splitterFlag, long thickness)
    {
        LWDockSlot* slot = Find(wnd);
        if (!slot)
            return 0;
        slot->splitterFlag = splitterFlag;
        slot->splitterThickness = thickness;
        return 1;
    }

    virtual int GetSplitterInfo(CWnd* wnd, int* splitterFlag, long* thickness)
    {
        LWDockSlot* slot = Find(wnd);
        if (!slot)
            return 0;
        if (splitterFlag)
            *splitterFlag = slot->splitterFlag;
        if (thickness)
            *thickness = slot->splitterThickness;
        return 1;
    }

    LWDockSlot m_slots[4];
    RECT m_rcSides;  // width of the left side, height of the top side, ...; 0 without a window

protected:
    LWDockSlot* Find(CWnd* wnd)
    {
        if (!wnd)
            return nullptr;
        for (LWDockSlot& slot : m_slots)
            if (slot.pWnd == wnd)
                return &slot;
        return nullptr;
    }
    LONG& SideSize(LWDockTypes side)
    {
        switch (side) {
        case LWDockLeft: return m_rcSides.left;
        case LWDockTop: return m_rcSides.top;
        case LWDockRight: return m_rcSides.right;
        default: return m_rcSides.bottom;
        }
    }
};

// The frame's dock bar: a flat light-blue side with a 2-pixel line at its top.
class LWAPI LWDockBar : public CDockBar {
    DECLARE_DYNAMIC(LWDockBar)
public:
    LWDockBar();
    enum : COLORREF { kColor = 0xFFC3A5 };

protected:
    afx_msg void OnPaint();
    afx_msg BOOL OnEraseBkgnd(CDC* dc);
    afx_msg void OnNcPaint();
    DECLARE_MESSAGE_MAP()
};
